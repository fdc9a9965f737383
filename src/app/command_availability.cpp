#include "command_availability.h"

#include <QHash>

namespace orvane {

const QSet<QString>& NotYetAvailableCommands() {
    // Building a command means deleting its line here.
    static const QSet<QString> names = {
        QStringLiteral("BitBtn22"), // Disk
        QStringLiteral("ReadMBR1"),
        QStringLiteral("Diskcopytest1"), // disk tests
        QStringLiteral("DiskWriteTest1"),
        QStringLiteral("est1"), // Test menu
        QStringLiteral("DisktoDiskcopy1"),
    };
    return names;
}

const QSet<QString>& DisabledCommands() {
    static const QSet<QString> names = {QStringLiteral("SetFilemarks1")};
    return names;
}

QString UnavailableReason(const QString& objectName) {
    if (DisabledCommands().contains(objectName))
        return QStringLiteral("Not available: setting filemarks by hand would damage a tape set.");
    if (!NotYetAvailableCommands().contains(objectName))
        return QString();
    static const QHash<QString, QString> reasons = {
        {QStringLiteral("BitBtn22"),
         QStringLiteral("Choosing a disk in the window is not available yet: "
                        "orvane-cli backup --disk N images disk N.")},
    };
    return reasons.value(objectName,
                         QStringLiteral("Not available in this version of Orvane yet."));
}

bool IsAvailable(const QString& objectName) {
    return !NotYetAvailableCommands().contains(objectName) &&
           !DisabledCommands().contains(objectName);
}

} // namespace orvane
