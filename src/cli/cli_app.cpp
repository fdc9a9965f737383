#include "cli_app.h"

#include "config/job_file_assignment.h"
#include "jobs/session.h"
#include "jobs/session_job_file.h"
#include "platform/product.h"
#include "platform/program_directory.h"
#include "platform/tape_device_factory.h"
#include "stop_signals.h"
#include "tape/autoloader.h"
#include "terminal_operator.h"

#include <QCoreApplication>
#include <QFileInfo>
#include <optional>

namespace orvane::cli {

int VtapeCommand(CommandEnvironment& env);
int TapeCommand(CommandEnvironment& env);
int BackupCommand(CommandEnvironment& env);
int CatalogCommand(CommandEnvironment& env);
int RestoreCommand(CommandEnvironment& env);
int VerifyCommand(CommandEnvironment& env);
int JobCommand(CommandEnvironment& env);
int ScheduleCommand(CommandEnvironment& env);
int MailCommand(CommandEnvironment& env);
int VersionCommand(CommandEnvironment& env);
int DisksCommand(CommandEnvironment& env);
int DiskCommand(CommandEnvironment& env);

const std::vector<Command>& Commands() {
    static const std::vector<Command> commands = {
        {QStringLiteral("vtape"),
         QStringLiteral("vtape create NAME [--capacity BYTES] [--partitions N] [--protected] | "
                        "vtape insert NAME | vtape eject | vtape list"),
         false, VtapeCommand},
        {QStringLiteral("tape"),
         QStringLiteral("tape rewind | tape eject | tape position | tape goto N | "
                        "tape description |\n"
                        "    tape info | tape load | tape tension | tape eod | tape erase | "
                        "tape format |\n"
                        "    tape filemarks | tape blocksize | tape init-zero"),
         true, TapeCommand},
        {QStringLiteral("backup"),
         QStringLiteral("backup [--dry-run] [--exclude PREFIX]... [PATH...] | backup --disk N"),
         true, BackupCommand},
        {QStringLiteral("catalog"),
         QStringLiteral("catalog [--sequential] [--null | -v] [SELECTION...]"), true,
         CatalogCommand},
        {QStringLiteral("restore"),
         QStringLiteral("restore [--dry-run] [--target DIR] [--overwrite=never|always|ask] "
                        "[--numeric-owner] "
                        "SELECTION... | restore --disk N"),
         true, RestoreCommand},
        {QStringLiteral("verify"), QStringLiteral("verify"), true, VerifyCommand},
        {QStringLiteral("disks"), QStringLiteral("disks"), false, DisksCommand},
        {QStringLiteral("disk"), QStringLiteral("disk show N"), false, DiskCommand},
        {QStringLiteral("job"),
         QStringLiteral("job show | job set \"SECTION/KEY=VALUE\"... | job add PATH... | "
                        "job exclude PATH... | job remove PATH..."),
         false, JobCommand},
        // Starts the drive itself: a drive without a tape at start-up must not end a scheduler
        // that runs for days.
        {QStringLiteral("schedule"), QStringLiteral("schedule [--job FILE]"), false,
         ScheduleCommand},
        {QStringLiteral("mail"), QStringLiteral("mail test"), false, MailCommand},
        {QStringLiteral("version"), QStringLiteral("version [--check]"), false, VersionCommand},
    };
    return commands;
}

namespace {

constexpr int InterruptedStatus = 130;

QString UsageText() {
    QString text = QStringLiteral(
        "Usage: orvane-cli [--home DIR] [--tape DEVICE|vtape:DIR] [-f DEVICE] [--job FILE] [--yes] "
        "[--set \"SECTION/KEY=VALUE\"]... COMMAND [ARGS]\n"
        "       orvane-cli --version | --help | COMMAND --help\n"
        "Settings and lists come from the job file (default: jobs.job in the "
        "program directory);\n--set changes a setting for this run only, "
        "'job set' changes it in the file.\n");
    for (const Command& command : Commands())
        text += QStringLiteral("  ") + command.Usage + QLatin1Char('\n');
    return text;
}

const Command* FindCommand(const QString& name) {
    for (const Command& command : Commands())
        if (command.Name == name)
            return &command;
    return nullptr;
}

// A job file named with --job must exist: a mistyped name would otherwise become a new job
// file that backs up the default list. The program directory's own file is created when missing,
// as the window creates it.
bool LoadJobFileFor(Session& session, const Invocation& invocation) {
    const bool existed = QFileInfo::exists(session.JobFilePath);
    if (!invocation.JobFile.isEmpty() && !existed)
        throw UsageError{QStringLiteral("--job: no job file %1").arg(session.JobFilePath)};
    // An error has been said in the status and the protocol.
    if (LoadSessionJobFile(session).isEmpty())
        return true;
    // A job file that is there but unreadable gives no settings to work with; one that could
    // not be created still gives the new-file values.
    return !existed;
}

} // namespace

QString TakeValue(QStringList& args, const QString& option) {
    const qsizetype at = args.indexOf(option);
    if (at < 0)
        return QString();
    if (at + 1 >= args.size())
        throw UsageError{option + QStringLiteral(" needs a value")};
    const QString value = args.at(at + 1);
    args.remove(at, 2);
    return value;
}

bool TakeFlag(QStringList& args, const QString& option) {
    return args.removeAll(option) > 0;
}

namespace {

// The options that stand where a command word would.
bool IsProgramWord(const QString& argument) {
    return argument == QLatin1String("--help") || argument == QLatin1String("-h") ||
           argument == QLatin1String("--version");
}

bool AsksForHelp(const QStringList& args) {
    return args.contains(QLatin1String("--help")) || args.contains(QLatin1String("-h"));
}

// What the tape holds after an interrupted command, in one line.
QString InterruptedText(const QString& command, const Session& session) {
    if (command == QLatin1String("backup"))
        return session.TapeSetSealed
                   ? QStringLiteral("Interrupted: the files written so far are on tape, closed "
                                    "with their catalog and end marker.")
                   : QStringLiteral("Interrupted: the backup did not close a tape set; see the "
                                    "protocol above.");
    if (command == QLatin1String("restore"))
        return QStringLiteral("Interrupted: the files restored so far are complete; no partial "
                              "file was left under its name.");
    return QStringLiteral("Interrupted: the tape was left where the command stopped.");
}

} // namespace

Invocation ParseInvocation(const QStringList& arguments) {
    Invocation invocation;
    qsizetype i = 0;
    auto value = [&](const QString& option) {
        if (i + 1 >= arguments.size())
            throw UsageError{option + QStringLiteral(" needs a value")};
        return arguments.at(++i);
    };
    auto nonEmptyValue = [&](const QString& option, const QString& complaint) {
        const QString given = value(option);
        if (given.isEmpty())
            throw UsageError{complaint};
        return given;
    };
    // Only the options before the command word are the program's; a command may take an option
    // of the same name (schedule --job).
    for (; i < arguments.size(); ++i) {
        const QString& argument = arguments.at(i);
        if (argument == QLatin1String("--home"))
            invocation.Home = nonEmptyValue(argument, QStringLiteral("--home needs a directory"));
        else if (argument == QLatin1String("--tape") || argument == QLatin1String("-f"))
            invocation.Tape = value(argument);
        else if (argument == QLatin1String("--job"))
            invocation.JobFile = nonEmptyValue(argument, QStringLiteral("--job needs a file"));
        else if (argument == QLatin1String("--yes"))
            invocation.AssumeYes = true;
        else if (argument == QLatin1String("-v") || argument == QLatin1String("--verbose"))
            invocation.Verbose = true;
        else if (argument == QLatin1String("-q") || argument == QLatin1String("--quiet"))
            invocation.Quiet = true;
        else if (argument == QLatin1String("--set"))
            invocation.Settings << value(argument);
        else if (argument.startsWith(QLatin1Char('-')) && !IsProgramWord(argument))
            throw UsageError{QStringLiteral("unknown option ") + argument};
        else
            break;
    }
    invocation.Command = arguments.mid(i);
    if (invocation.Command.isEmpty())
        throw UsageError{QStringLiteral("no command given (try 'orvane-cli help')")};
    return invocation;
}

void ApplyAssignments(Settings& settings, const QStringList& assignments, QTextStream& err) {
    for (const QString& assignment : assignments) {
        const JobFileAssignment set = ApplyJobFileAssignment(settings, assignment);
        if (!set.Valid)
            throw UsageError{set.Message};
        if (!set.Message.isEmpty())
            err << "orvane-cli: " << set.Message << Qt::endl;
    }
}

int ExitStatus(const Session& session) {
    return session.CancelFlag ? 1 : 0;
}

int RunCli(const QStringList& arguments, QTextStream& in, QTextStream& out, QTextStream& err,
           bool inputIsTerminal, int progressColumns) {
    try {
        const Invocation invocation = ParseInvocation(arguments);
        const QString word = invocation.Command.first();
        if (word == QLatin1String("help") || word == QLatin1String("--help") ||
            word == QLatin1String("-h")) {
            out << UsageText();
            return 0;
        }
        if (word == QLatin1String("--version")) {
            out << "orvane-cli (Orvane) " << ProductVersion() << '\n';
            return 0;
        }
        const Command* command = FindCommand(word);
        if (!command)
            throw UsageError{QStringLiteral("unknown command ") + word};
        if (AsksForHelp(invocation.Command.mid(1))) {
            out << "Usage: orvane-cli [OPTIONS] " << command->Usage << '\n';
            return 0;
        }
        TerminalOperator op(in, out, err, invocation.AssumeYes);
        op.SetInputInteractive(inputIsTerminal);
        op.SetProgressColumns(progressColumns);
        Session session(op, ResolveProgramDirectory(invocation.Home), invocation.Tape);
        op.SetStopRun([&session] { session.CancelFlag = true; });
        if (!invocation.JobFile.isEmpty())
            session.JobFilePath = QFileInfo(invocation.JobFile).absoluteFilePath();
        // The job command reads and writes the file itself.
        if (command->Name != QLatin1String("job") && !LoadJobFileFor(session, invocation))
            return 1;
        ApplyAssignments(session.Settings, invocation.Settings, err);
        if (invocation.Verbose)
            session.Settings.ShortProtocol = false;
        op.SetQuiet(invocation.Quiet);
        if (const QString library = VirtualLibraryDirectory(session.TapeDriveName);
            !library.isEmpty()) {
            op.SetAutoloader(
                [loader = std::make_shared<Autoloader>(VirtualTapeLibrary::At(library))](
                    const TapeRequest& request) { return loader->Load(request); });
        }
        // Loading a tape is how an empty drive gets one: the start-up probe would only find it
        // empty, so the load goes to the drive without it.
        const bool loadsTape = command->Name == QLatin1String("tape") &&
                               invocation.Command.mid(1) == QStringList{QStringLiteral("load")};
        if (command->NeedsStart && !loadsTape) {
            session.Start();
            // The start-up probe has reported an unusable drive already; the command would
            // only report it again.
            if (session.CancelFlag)
                return 1;
        }
        CommandEnvironment env{session, op, invocation.Command.mid(1), invocation.Settings};
        // SIGINT and SIGTERM act as the Cancel button: the run ends the way a cancelled run
        // ends (a backup still closes its set). The scheduler hears them itself.
        bool interrupted = false;
        std::optional<StopSignals> stopSignals;
        if (command->Name != QLatin1String("schedule") && QCoreApplication::instance()) {
            stopSignals.emplace();
            QObject::connect(&*stopSignals, &StopSignals::Received, [&] {
                interrupted = true;
                session.CancelFlag = true;
            });
        }
        const int status = command->Run(env);
        if (!interrupted)
            return status;
        op.Print(InterruptedText(command->Name, session));
        return InterruptedStatus;
    } catch (const UsageError& error) {
        err << "orvane-cli: " << error.Message << '\n';
        err.flush();
        return 2;
    }
}

} // namespace orvane::cli
