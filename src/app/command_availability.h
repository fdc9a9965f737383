#pragma once

#include <QSet>
#include <QString>

namespace orvane {

// Buttons and menu items (by object name) whose commands are not built yet. They stay disabled
// in every window mode.
const QSet<QString>& NotYetAvailableCommands();

// Commands that are disabled for good.
const QSet<QString>& DisabledCommands();

// Why the command is not available (its tooltip), or an empty text.
QString UnavailableReason(const QString& objectName);

// True unless the command is not built yet or disabled for good.
bool IsAvailable(const QString& objectName);

} // namespace orvane
