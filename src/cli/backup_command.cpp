#include "cli_app.h"
#include "jobs/backup_run.h"
#include "jobs/external_command_run.h"
#include "jobs/session.h"
#include "jobs/verify_run.h"
#include "tape/tape_description_io.h"
#include "terminal_operator.h"

#include <QDir>
#include <QFileInfo>

namespace orvane::cli {

QString ListLine(const QString& argument, bool markDirectory) {
    QString line = QDir::cleanPath(QFileInfo(argument).absoluteFilePath());
    const bool directory =
        argument.endsWith(QLatin1Char('/')) || (markDirectory && QFileInfo(line).isDir());
    if (directory && !line.endsWith(QLatin1Char('/')))
        line += QLatin1Char('/');
    return line;
}

int BackupCommand(CommandEnvironment& env) {
    Session& session = env.Session;
    QStringList args = env.Args;
    QStringList excluded;
    for (QString prefix = TakeValue(args, QStringLiteral("--exclude")); !prefix.isNull();
         prefix = TakeValue(args, QStringLiteral("--exclude"))) {
        if (prefix.isEmpty())
            throw UsageError{QStringLiteral("--exclude needs a path prefix")};
        // A prefix keeps its own ending: "/data/tmp" also excludes "/data/tmpfile".
        excluded << ListLine(prefix, false);
    }
    const QString disk = TakeValue(args, QStringLiteral("--disk"));
    for (const QString& argument : args)
        if (argument.startsWith(QLatin1String("--")))
            throw UsageError{QStringLiteral("unknown option ") + argument};
    if (!disk.isNull()) {
        if (!args.isEmpty() || !excluded.isEmpty())
            throw UsageError{QStringLiteral("backup --disk N takes no paths and no --exclude")};
        // The disk dialog's choice: the list is the disk alone, never appended.
        session.Settings.BackupList = {QStringLiteral("harddisk %1").arg(ParseDiskNumber(disk))};
        session.Settings.Append = false;
        session.Settings.VerifyAfterBackup = false;
    } else if (!args.isEmpty()) {
        session.Settings.BackupList.clear();
        for (const QString& argument : args)
            session.Settings.BackupList << ListLine(argument, true);
    }
    session.Settings.ExcludeList << excluded;
    // Appending needs to know the loaded set, as the window knows it from its start-up.
    if (session.Settings.Append)
        LoadTapeDescription(session);
    BackupRunSteps steps;
    steps.VerifyBackup = VerifyAfterBackupStep(session);
    steps.RunExternalCommand = ExternalCommandStep(env.Op);
    // "Exit Orvane after Backup": a one-shot command ends anyway.
    RunBackup(session, steps);
    // A path of the list that was not there makes the backup a partial one.
    return session.Counters.MissingEntries > 0 ? 1 : ExitStatus(session);
}

int TapeDescriptionCommand(CommandEnvironment& env) {
    LoadTapeDescription(env.Session);
    env.Op.Print(env.Op.Caption());
    return ExitStatus(env.Session);
}

} // namespace orvane::cli
