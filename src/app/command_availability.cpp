#include "command_availability.h"

#include <QHash>

namespace orvane {

const QSet<QString>& NotYetAvailableCommands() {
    // Building a command means deleting its line here.
    static const QSet<QString> names = {
        QStringLiteral("BitBtn22"), // Disk
        QStringLiteral("BitBtn21"), // Send e-mail
        QStringLiteral("InstallService1"),
        QStringLiteral("DeleteService1"),         // service
        QStringLiteral("CheckfornewerVersions1"), // update check
        QStringLiteral("ReadMBR1"),
        QStringLiteral("Diskcopytest1"), // disk tests
        QStringLiteral("DiskWriteTest1"),
        QStringLiteral("est1"),
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
        {QStringLiteral("BitBtn21"), QStringLiteral("Sending e-mail is not available yet.")},
        {QStringLiteral("InstallService1"),
         QStringLiteral("The system service is not available yet.")},
        {QStringLiteral("DeleteService1"),
         QStringLiteral("The system service is not available yet.")},
        {QStringLiteral("CheckfornewerVersions1"),
         QStringLiteral("The update check is not available yet.")},
    };
    return reasons.value(objectName,
                         QStringLiteral("Not available in this version of Orvane yet."));
}

bool IsAvailable(const QString& objectName) {
    return !NotYetAvailableCommands().contains(objectName) &&
           !DisabledCommands().contains(objectName);
}

} // namespace orvane
