#pragma once

#include <QString>
#include <QStringList>
#include <variant>

namespace orvane {

// What the command line of `orvane` asks for:
//   orvane [--home DIR] [--tape DEVICE|vtape:DIR] [JOBFILE [start]]
struct StartOptions {
    QString Home;            // the program directory; empty: $ORVANE_HOME or the default
    QString TapeChoice;      // the drive; empty: $ORVANE_TAPE, $TAPE or the built-in library
    QString JobFileArgument; // a job file to apply after start-up
    QString StartArgument;   // "start" (any case) begins a backup at once
    // The start-up timers run by themselves; tests drive them by hand instead.
    bool RunTimers = true;
};

struct StartOptionsError {
    QString Message;
    bool HelpRequested = false; // the message is the help text
};

std::variant<StartOptions, StartOptionsError> ParseStartOptions(const QStringList& arguments);

} // namespace orvane
