#pragma once

#include <QString>
#include <QStringList>
#include <variant>

namespace orvane {

// What the command line of `orvane` asks for:
//   orvane [--home DIR] [--tape DEVICE|vtape:DIR] [JOBFILE [start]]
struct StartOptions {
    QString home;            // the program directory; empty: $ORVANE_HOME or the default
    QString tapeChoice;      // the drive; empty: $ORVANE_TAPE, $TAPE or the built-in library
    QString jobFileArgument; // a job file to apply after start-up
    QString startArgument;   // "start" (any case) begins a backup at once
    // The start-up timers run by themselves; tests drive them by hand instead.
    bool runTimers = true;
};

struct StartOptionsError {
    QString message;
    bool helpRequested = false; // the message is the help text
};

std::variant<StartOptions, StartOptionsError> ParseStartOptions(const QStringList& arguments);

} // namespace orvane
