#include "cli_app.h"
#include "jobs/backup_plan.h"
#include "jobs/backup_run.h"
#include "jobs/catalog_paths.h"
#include "jobs/external_command_run.h"
#include "jobs/session.h"
#include "jobs/verify_run.h"
#include "tape/tape_description_io.h"
#include "terminal_operator.h"

#include <QDir>
#include <QFileInfo>
#include <QLocale>

namespace orvane::cli {

QString ListLine(const QString& argument, bool markDirectory) {
    QString line = QDir::cleanPath(QFileInfo(argument).absoluteFilePath());
    const bool directory =
        argument.endsWith(QLatin1Char('/')) || (markDirectory && QFileInfo(line).isDir());
    if (directory && !line.endsWith(QLatin1Char('/')))
        line += QLatin1Char('/');
    return line;
}

namespace {

QString SizeText(int64_t bytes) {
    return QLocale::c().formattedDataSize(bytes, 1, QLocale::DataSizeIecFormat);
}

// backup --dry-run: the files the backup would write, their size and the tapes they need; the
// tape is not touched.
int ShowBackupPlan(CommandEnvironment& env) {
    const BackupPlan plan = PlanBackup(env.Session, [&env](const QByteArray& path, int64_t size) {
        env.Op.Print(TapePathText(path) + QStringLiteral(" <") + SizeText(size) + QLatin1Char('>'));
    });
    for (const QString& entry : plan.Missing)
        env.Op.Print(QStringLiteral("Not found: ") + entry);
    QString summary =
        QStringLiteral("Would write %1 files, %2").arg(plan.Files).arg(SizeText(plan.Bytes));
    if (plan.Tapes() > 0)
        summary += QStringLiteral(", on %1 of %2 at most")
                       .arg(plan.Tapes() == 1 ? QStringLiteral("1 tape")
                                              : QStringLiteral("%1 tapes").arg(plan.Tapes()))
                       .arg(SizeText(plan.TapeCapacity));
    else
        summary += QStringLiteral(" (the drive does not tell how much a tape holds)");
    env.Op.Print(summary + QStringLiteral("; nothing was written."));
    return plan.Missing.isEmpty() ? 0 : 1;
}

} // namespace

int BackupCommand(CommandEnvironment& env) {
    Session& session = env.Session;
    QStringList args = env.Args;
    const bool dryRun = TakeFlag(args, QStringLiteral("--dry-run"));
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
        if (dryRun)
            throw UsageError{QStringLiteral("backup --disk N has no --dry-run")};
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
    if (dryRun)
        return ShowBackupPlan(env);
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
