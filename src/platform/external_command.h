#pragma once

#include <QString>
#include <QStringList>

namespace orvane {

// Why a program could not be started.
enum class CommandStartFailure {
    None,              // it runs
    FileNotFound,      // no such program
    PathNotFound,      // a directory of the program's path is missing
    InvalidExecutable, // not an executable this system can start, or not allowed to run
    Other,             // anything else; SystemError tells what
};

struct CommandStart {
    CommandStartFailure Failure = CommandStartFailure::None;
    int SystemError = 0; // errno of the failed start

    bool Started() const { return Failure == CommandStartFailure::None; }
};

// Splits a command line as a POSIX shell splits words, without expanding anything: blanks
// separate words, '...' keeps everything literally, "..." keeps all but \" \\ \$ \` escapes,
// and a backslash outside quotes takes the next character as it is.
QStringList SplitCommandLine(const QString& commandLine);

// Starts the program of `commandLine` (the program path, then its arguments, split with
// shell-like quoting; no shell runs) in its own session with standard input from /dev/null, and
// returns as soon as it runs: its end is never awaited, and it is reaped in the background so
// that it leaves no zombie behind.
CommandStart StartDetachedCommand(const QString& commandLine);

// The reason of a failed start, in the words the operator reads after the command line.
QString CommandStartReason(const CommandStart& start);

} // namespace orvane
