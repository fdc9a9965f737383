// A stand-in for systemd's manager, org.freedesktop.systemd1, on the session bus (the tests'
// private dbus-daemon): systemd itself does not run where the tests run.
//
// Usage: systemd_standin UNIT_DIR [--never-active]
// A unit is known when its file is in UNIT_DIR. StartUnit makes it "activating" and the next
// look at ActiveState finds it "active" (with --never-active it stays "activating"); StopUnit
// makes it "inactive". Prints READY once it owns the name, then one JSON line per call. Ends
// when stdin closes.
#include <QCoreApplication>
#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusObjectPath>
#include <QDBusVariant>
#include <QDBusVirtualObject>
#include <QFileInfo>
#include <QHash>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QSocketNotifier>
#include <cstdio>
#include <unistd.h>

namespace {

const QString ManagerPath = QStringLiteral("/org/freedesktop/systemd1");
const QString UnitPathStem = QStringLiteral("/org/freedesktop/systemd1/unit/");

// systemd's object path of a unit: every byte but letters and digits as _xx.
QString UnitPath(const QString& unit) {
    QString path = UnitPathStem;
    for (const char c : unit.toUtf8()) {
        if (std::isalnum(static_cast<unsigned char>(c)))
            path += QLatin1Char(c);
        else
            path +=
                QStringLiteral("_%1").arg(static_cast<unsigned char>(c), 2, 16, QLatin1Char('0'));
    }
    return path;
}

class StandIn : public QDBusVirtualObject {
public:
    StandIn(QString unitDirectory, bool neverActive)
        : m_unitDirectory(std::move(unitDirectory)), m_neverActive(neverActive) {}

    QString introspect(const QString&) const override { return QString(); }

    bool handleMessage(const QDBusMessage& message, const QDBusConnection& connection) override {
        QJsonArray arguments;
        for (const QVariant& argument : message.arguments())
            arguments << QJsonValue::fromVariant(argument);
        Emit({{"call", message.member()}, {"args", arguments}});
        connection.send(Answer(message));
        return true;
    }

private:
    bool Known(const QString& unit) const {
        return QFileInfo::exists(m_unitDirectory + QLatin1Char('/') + unit);
    }

    QDBusMessage NoSuchUnit(const QDBusMessage& message, const QString& unit) const {
        return message.createErrorReply(QStringLiteral("org.freedesktop.systemd1.NoSuchUnit"),
                                        QStringLiteral("Unit %1 not found.").arg(unit));
    }

    QDBusMessage Answer(const QDBusMessage& message) {
        const QString member = message.member();
        const QVariantList arguments = message.arguments();
        const QString first = arguments.isEmpty() ? QString() : arguments.first().toString();
        if (message.path() == ManagerPath) {
            if (member == QLatin1String("StartUnit") || member == QLatin1String("StopUnit")) {
                if (!Known(first))
                    return NoSuchUnit(message, first);
                m_states[UnitPath(first)] =
                    member == QLatin1String("StartUnit") ? "activating" : "inactive";
                return message.createReply(
                    QVariant::fromValue(QDBusObjectPath(ManagerPath + QStringLiteral("/job/1"))));
            }
            if (member == QLatin1String("GetUnit")) {
                if (!Known(first) && !m_states.contains(UnitPath(first)))
                    return NoSuchUnit(message, first);
                return message.createReply(QVariant::fromValue(QDBusObjectPath(UnitPath(first))));
            }
            if (member == QLatin1String("EnableUnitFiles") ||
                member == QLatin1String("DisableUnitFiles") || member == QLatin1String("Reload"))
                return message.createReply();
        } else if (member == QLatin1String("Get") && arguments.value(1) == "ActiveState") {
            QString& state = m_states[message.path()];
            if (state.isEmpty())
                state = QStringLiteral("inactive");
            const QString shown = state;
            if (state == QLatin1String("activating") && !m_neverActive)
                state = QStringLiteral("active");
            return message.createReply(QVariant::fromValue(QDBusVariant(shown)));
        }
        return message.createErrorReply(QStringLiteral("org.freedesktop.DBus.Error.UnknownMethod"),
                                        member);
    }

    static void Emit(const QJsonObject& event) {
        std::printf("%s\n", QJsonDocument(event).toJson(QJsonDocument::Compact).constData());
        std::fflush(stdout);
    }

    QString m_unitDirectory;
    bool m_neverActive;
    QHash<QString, QString> m_states;
};

} // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    const QStringList arguments = app.arguments();
    if (arguments.size() < 2)
        return 2;
    QDBusConnection bus = QDBusConnection::sessionBus();
    StandIn standIn(arguments.at(1), arguments.contains(QStringLiteral("--never-active")));
    if (!bus.registerVirtualObject(ManagerPath, &standIn, QDBusConnection::SubPath) ||
        !bus.registerService(QStringLiteral("org.freedesktop.systemd1"))) {
        std::fprintf(stderr, "systemd_standin: %s\n", qPrintable(bus.lastError().message()));
        return 1;
    }
    std::printf("READY\n");
    std::fflush(stdout);
    QSocketNotifier input(STDIN_FILENO, QSocketNotifier::Read);
    QObject::connect(&input, &QSocketNotifier::activated, [&] {
        char buffer[256];
        if (::read(STDIN_FILENO, buffer, sizeof buffer) <= 0)
            app.quit();
    });
    return app.exec();
}
