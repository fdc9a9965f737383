#include "external_command_run.h"

#include "platform/external_command.h"
#include "platform/operator_interface.h"

namespace orvane {

bool RunExternalCommand(OperatorInterface& op, const QString& commandLine) {
    const CommandStart start = StartDetachedCommand(commandLine);
    if (start.Started())
        return true;
    op.MessageBox(commandLine + QStringLiteral(". Error ") + CommandStartReason(start), QString(),
                  MessageIcon::Warning, MessageButtons::Ok);
    return false;
}

std::function<bool(const QString&)> ExternalCommandStep(OperatorInterface& op) {
    return [&op](const QString& commandLine) { return RunExternalCommand(op, commandLine); };
}

WaitTime ParseWaitTime(const QString& text) {
    bool ok = false;
    const qlonglong seconds = text.trimmed().toLongLong(&ok);
    if (!ok)
        return {std::nullopt, QStringLiteral("'%1' is not a valid integer value").arg(text)};
    if (seconds < 0 || seconds > MaximumWaitSeconds)
        return {std::nullopt, QStringLiteral("The wait time '%1' is out of range: it must be 0 to "
                                             "%2 seconds.")
                                  .arg(text)
                                  .arg(MaximumWaitSeconds)};
    return {int(seconds), QString()};
}

} // namespace orvane
