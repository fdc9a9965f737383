#include "systemd_manager.h"

#include "message_pump.h"

#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusObjectPath>
#include <QDBusVariant>
#include <QDeadlineTimer>
#include <atomic>

namespace orvane {

namespace {

const QString Systemd = QStringLiteral("org.freedesktop.systemd1");
const QString ManagerPath = QStringLiteral("/org/freedesktop/systemd1");
const QString ManagerInterface = QStringLiteral("org.freedesktop.systemd1.Manager");
// A manager that does not answer a call within this is taken as unreachable.
constexpr int CallTimeoutMs = 10000;
constexpr int PollMs = 100;

// A connection of its own for one operation, closed again afterwards. The session bus is the
// one the environment names now (libdbus would keep the first one it saw).
QDBusConnection Connect(ServiceScope scope, const QString& name) {
    const QString session = qEnvironmentVariable("DBUS_SESSION_BUS_ADDRESS");
    if (scope == ServiceScope::System || session.isEmpty())
        return QDBusConnection::connectToBus(scope == ServiceScope::System
                                                 ? QDBusConnection::SystemBus
                                                 : QDBusConnection::SessionBus,
                                             name);
    return QDBusConnection::connectToBus(session, name);
}

class Bus {
public:
    explicit Bus(ServiceScope scope)
        : m_name(QStringLiteral("orvane-systemd-%1").arg(++connectionCount)),
          m_connection(Connect(scope, m_name)) {}
    ~Bus() { QDBusConnection::disconnectFromBus(m_name); }
    Bus(const Bus&) = delete;
    Bus& operator=(const Bus&) = delete;

    QDBusMessage Call(const QString& path, const QString& interface, const QString& method,
                      const QVariantList& arguments = {}) const {
        if (!m_connection.isConnected())
            return QDBusMessage::createError(m_connection.lastError());
        QDBusMessage call = QDBusMessage::createMethodCall(Systemd, path, interface, method);
        call.setArguments(arguments);
        return m_connection.call(call, QDBus::Block, CallTimeoutMs);
    }
    QDBusMessage Manager(const QString& method, const QVariantList& arguments = {}) const {
        return Call(ManagerPath, ManagerInterface, method, arguments);
    }

private:
    static inline std::atomic<int> connectionCount = 0;
    QString m_name;
    QDBusConnection m_connection;
};

bool Failed(const QDBusMessage& reply) {
    return reply.type() != QDBusMessage::ReplyMessage;
}

QString ErrorText(const QDBusMessage& reply) {
    return reply.errorMessage().isEmpty() ? reply.errorName() : reply.errorMessage();
}

QString UnitName(const QString& name) {
    return name.endsWith(QLatin1String(".service")) ? name : name + QStringLiteral(".service");
}

} // namespace

bool SystemdManager::StartNamedService(const QString& name, int waitMs) const {
    const QString unit = UnitName(name);
    {
        const Bus bus(m_scope);
        if (Failed(bus.Manager(QStringLiteral("StartUnit"), {unit, QStringLiteral("replace")})))
            return false;
    }
    return WaitForState(unit, {QStringLiteral("active")}, QStringLiteral("failed"), waitMs);
}

bool SystemdManager::StopNamedService(const QString& name, int waitMs) const {
    const QString unit = UnitName(name);
    {
        const Bus bus(m_scope);
        if (Failed(bus.Manager(QStringLiteral("StopUnit"), {unit, QStringLiteral("replace")})))
            return false;
    }
    return WaitForState(unit, {QStringLiteral("inactive"), QStringLiteral("failed")}, QString(),
                        waitMs);
}

bool SystemdManager::WaitForState(const QString& unit, const QStringList& awaited,
                                  const QString& giveUp, int waitMs) const {
    const QDeadlineTimer deadline(waitMs);
    const Bus bus(m_scope);
    const QDBusMessage path = bus.Manager(QStringLiteral("GetUnit"), {unit});
    if (Failed(path) || path.arguments().isEmpty())
        return false;
    const QString unitPath = path.arguments().first().value<QDBusObjectPath>().path();
    for (;;) {
        const QDBusMessage state = bus.Call(
            unitPath, QStringLiteral("org.freedesktop.DBus.Properties"), QStringLiteral("Get"),
            {QStringLiteral("org.freedesktop.systemd1.Unit"), QStringLiteral("ActiveState")});
        if (Failed(state) || state.arguments().isEmpty())
            return false;
        const QString now = state.arguments().first().value<QDBusVariant>().variant().toString();
        if (awaited.contains(now))
            return true;
        // A unit that settles elsewhere (or never moves) ends the wait: it is bounded.
        if (now == giveUp || deadline.hasExpired())
            return false;
        WaitDispatching(PollMs, nullptr);
    }
}

QString SystemdManager::EnableUnitFile(const QString& unitFile) const {
    const Bus bus(m_scope);
    const QDBusMessage enabled =
        bus.Manager(QStringLiteral("EnableUnitFiles"), {QStringList{unitFile}, false, true});
    if (Failed(enabled))
        return ErrorText(enabled);
    const QDBusMessage reloaded = bus.Manager(QStringLiteral("Reload"));
    return Failed(reloaded) ? ErrorText(reloaded) : QString();
}

QString SystemdManager::DisableUnitFile(const QString& unitName) const {
    const Bus bus(m_scope);
    const QDBusMessage disabled =
        bus.Manager(QStringLiteral("DisableUnitFiles"), {QStringList{UnitName(unitName)}, false});
    if (Failed(disabled))
        return ErrorText(disabled);
    const QDBusMessage reloaded = bus.Manager(QStringLiteral("Reload"));
    return Failed(reloaded) ? ErrorText(reloaded) : QString();
}

} // namespace orvane
