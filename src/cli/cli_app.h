#pragma once

#include <QStringList>
#include <QTextStream>
#include <vector>

namespace orvane {
class Session;
struct Settings;
} // namespace orvane

namespace orvane::cli {

class TerminalOperator;

// A wrong command line: exit status 2 with this one-line message.
struct UsageError {
    QString Message;
};

struct Invocation {
    QString Home;
    QString Tape;
    QString JobFile; // --job FILE: the job file in place of the program directory's jobs.job
    bool AssumeYes = false;
    bool Verbose = false; // -v: a protocol line for every file, as tar -v lists them
    bool Quiet = false;   // -q: no protocol lines or status texts, only messages and results
    QStringList Settings; // "SECTION/KEY=VALUE"
    QStringList Command;  // the command word and its arguments
};

Invocation ParseInvocation(const QStringList& arguments);

// What a command works with.
struct CommandEnvironment {
    orvane::Session& Session;
    TerminalOperator& Op;
    QStringList Args;      // after the command word
    QStringList Overrides; // the --set assignments, applied already to the session's settings
};

struct Command {
    QString Name;
    QString Usage;
    // Commands that work on the drive run after the session's start-up (drive probe);
    // library administration does not.
    bool NeedsStart;
    // Returns the exit status; 1 is also the answer when the run raised CancelFlag.
    int (*Run)(CommandEnvironment&);
};

const std::vector<Command>& Commands();

// Runs one command line (without the program name). Exit status: 0 done, 1 cancelled or
// failed (also partly), 2 usage error, 130 interrupted by SIGINT or SIGTERM. Questions are asked
// only when the input is a terminal. `progressColumns` is the width of the terminal that standard
// error goes to (0 when it is none): the progress of a run updates one line there.
int RunCli(const QStringList& arguments, QTextStream& in, QTextStream& out, QTextStream& err,
           bool inputIsTerminal = true, int progressColumns = 0);

// Helpers for command handlers.
int ExitStatus(const Session& session);
QString TakeValue(QStringList& args, const QString& option); // removes "--opt VALUE"
bool TakeFlag(QStringList& args, const QString& option);
// A disk number of the command line; UsageError for anything else.
int ParseDiskNumber(const QString& text);
// A list line for a path given on the command line: absolute, and a directory ends in '/'. With
// `markDirectory` an existing directory counts as one, else only a path written with a final '/'.
QString ListLine(const QString& argument, bool markDirectory);
// Applies "SECTION/KEY=VALUE" assignments to the settings; a notice for a value not taken as
// given goes to `err`. Throws UsageError for an assignment that is not valid.
void ApplyAssignments(Settings& settings, const QStringList& assignments, QTextStream& err);

} // namespace orvane::cli
