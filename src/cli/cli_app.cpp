#include "cli_app.h"

#include "config/job_file_assignment.h"
#include "jobs/session.h"
#include "jobs/session_job_file.h"
#include "platform/program_directory.h"
#include "platform/tape_device_factory.h"
#include "tape/autoloader.h"
#include "terminal_operator.h"

#include <QFileInfo>

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

const std::vector<Command>& Commands() {
    static const std::vector<Command> commands = {
        {QStringLiteral("vtape"),
         QStringLiteral("vtape create NAME [--capacity BYTES] [--partitions N] [--protected] | "
                        "vtape insert NAME | vtape eject | vtape list"),
         false, VtapeCommand},
        {QStringLiteral("tape"),
         QStringLiteral("tape rewind | tape eject | tape position | tape goto N | "
                        "tape description"),
         true, TapeCommand},
        {QStringLiteral("backup"), QStringLiteral("backup [--exclude PREFIX]... [PATH...]"), true,
         BackupCommand},
        {QStringLiteral("catalog"), QStringLiteral("catalog [--sequential]"), true, CatalogCommand},
        {QStringLiteral("restore"), QStringLiteral("restore [--target DIR] SELECTION..."), true,
         RestoreCommand},
        {QStringLiteral("verify"), QStringLiteral("verify"), true, VerifyCommand},
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

QString UsageText() {
    QString text = QStringLiteral(
        "Usage: orvane-cli [--home DIR] [--tape DEVICE|vtape:DIR] [--job FILE] [--yes] "
        "[--set \"SECTION/KEY=VALUE\"]... COMMAND [ARGS]\n"
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
        else if (argument == QLatin1String("--tape"))
            invocation.Tape = value(argument);
        else if (argument == QLatin1String("--job"))
            invocation.JobFile = nonEmptyValue(argument, QStringLiteral("--job needs a file"));
        else if (argument == QLatin1String("--yes"))
            invocation.AssumeYes = true;
        else if (argument == QLatin1String("--set"))
            invocation.Settings << value(argument);
        else if (argument.startsWith(QLatin1String("--")) && argument != QLatin1String("--help"))
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

int RunCli(const QStringList& arguments, QTextStream& in, QTextStream& out, QTextStream& err) {
    try {
        const Invocation invocation = ParseInvocation(arguments);
        const QString word = invocation.Command.first();
        if (word == QLatin1String("help") || word == QLatin1String("--help")) {
            out << UsageText();
            return 0;
        }
        const Command* command = FindCommand(word);
        if (!command)
            throw UsageError{QStringLiteral("unknown command ") + word};
        TerminalOperator op(in, out, err, invocation.AssumeYes);
        Session session(op, ResolveProgramDirectory(invocation.Home), invocation.Tape);
        if (!invocation.JobFile.isEmpty())
            session.JobFilePath = QFileInfo(invocation.JobFile).absoluteFilePath();
        // The job command reads and writes the file itself.
        if (command->Name != QLatin1String("job") && !LoadJobFileFor(session, invocation))
            return 1;
        ApplyAssignments(session.Settings, invocation.Settings, err);
        if (const QString library = VirtualLibraryDirectory(session.TapeDriveName);
            !library.isEmpty()) {
            op.SetAutoloader(
                [loader = std::make_shared<Autoloader>(VirtualTapeLibrary::At(library))](
                    const TapeRequest& request) { return loader->Load(request); });
        }
        if (command->NeedsStart) {
            session.Start();
            // The start-up probe has reported an unusable drive already; the command would
            // only report it again.
            if (session.CancelFlag)
                return 1;
        }
        CommandEnvironment env{session, op, invocation.Command.mid(1), invocation.Settings};
        return command->Run(env);
    } catch (const UsageError& error) {
        err << "orvane-cli: " << error.Message << '\n';
        err.flush();
        return 2;
    }
}

} // namespace orvane::cli
