#pragma once

#include <QString>
#include <functional>
#include <optional>

namespace orvane {

class OperatorInterface;

// Starts a pre- or post-backup command line without waiting for it. A command that cannot be
// started is shown in a warning box: the command line, ". Error " and the reason. True when
// it runs.
bool RunExternalCommand(OperatorInterface& op, const QString& commandLine);

// The backup run's step for both commands, on this operator.
std::function<bool(const QString&)> ExternalCommandStep(OperatorInterface& op);

// The longest wait: its milliseconds still fit a signed 32-bit number.
constexpr int MaximumWaitSeconds = 2147483;

struct WaitTime {
    std::optional<int> Seconds; // nothing when the text is not a wait time
    QString Error;              // then: what is wrong with it, naming the text
};

// A wait time in whole seconds, 0 to MaximumWaitSeconds, as typed (blanks around it allowed).
WaitTime ParseWaitTime(const QString& text);

} // namespace orvane
