#include "command_availability.h"

namespace orvane {

const QSet<QString>& NotYetAvailableCommands() {
    // Building a command means deleting its line here.
    static const QSet<QString> names = {};
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
    return QStringLiteral("Not available in this version of Orvane yet.");
}

bool IsAvailable(const QString& objectName) {
    return !NotYetAvailableCommands().contains(objectName) &&
           !DisabledCommands().contains(objectName);
}

} // namespace orvane
