#include "cli_app.h"
#include "disk/disk_image_restore.h"
#include "jobs/catalog_load.h"
#include "jobs/catalog_paths.h"
#include "jobs/disk_restore_run.h"
#include "jobs/restore_match.h"
#include "jobs/restore_run.h"
#include "jobs/session.h"
#include "tape/tape_description_io.h"
#include "terminal_operator.h"

#include <QDir>
#include <QFileInfo>
#include <optional>

namespace orvane::cli {

// Restores the selections (restore-list lines: a path, or a directory ending in "/") below
// --target, or to the recorded paths with --target "". The overwrite rule is the setting
// "Restore Settings/Restore Options".
namespace {

// "--overwrite=never|always|ask" (or "--overwrite WORD"): the overwrite rule in words.
std::optional<int> TakeOverwriteRule(QStringList& args) {
    QString word = TakeValue(args, QStringLiteral("--overwrite"));
    for (qsizetype i = 0; i < args.size(); ++i)
        if (args.at(i).startsWith(QLatin1String("--overwrite="))) {
            word = args.takeAt(i).section(QLatin1Char('='), 1);
            break;
        }
    if (word.isNull())
        return std::nullopt;
    static const QStringList rules = {QStringLiteral("ask"), QStringLiteral("never"),
                                      QStringLiteral("always")};
    if (!rules.contains(word))
        throw UsageError{QStringLiteral("--overwrite takes never, always or ask, not ") + word};
    return int(rules.indexOf(word));
}

// restore --dry-run: what the selection restores from the catalog, and where to; nothing is read
// from the set but its catalog, nothing is written.
int ShowRestorePlan(CommandEnvironment& env, const QStringList& lines) {
    Session& session = env.Session;
    const std::shared_ptr<const CatalogTree> tree = LoadCatalogFast(session);
    if (!tree || tree->IsEmpty())
        return 1;
    QList<bool> used(lines.size(), false);
    int64_t files = 0;
    for (const QByteArray& path : tree->FilePaths()) {
        for (qsizetype i = 0; i < lines.size(); ++i) {
            const RestoreSelection selection = MatchRestoreLine(path, lines.at(i));
            if (selection == RestoreSelection::NotSelected)
                continue;
            used[i] = true;
            const RestoreDestination destination =
                RestoreDestinationFor(session.Settings.RestoreTarget, path);
            if (selection == RestoreSelection::Refused || destination.Path.isEmpty()) {
                env.Op.Print(TapePathText(path) + QStringLiteral(": not restored, ") +
                             (destination.Refusal.isEmpty()
                                  ? QStringLiteral("the path leads out of its directory")
                                  : destination.Refusal));
            } else {
                env.Op.Print(TapePathText(path) + QStringLiteral(" -> ") + destination.Path);
                ++files;
            }
            break;
        }
    }
    bool allFound = true;
    for (qsizetype i = 0; i < lines.size(); ++i)
        if (!used.at(i)) {
            env.Op.Print(QStringLiteral("Not found on tape: ") + lines.at(i));
            allFound = false;
        }
    env.Op.Print(QStringLiteral("Would restore %1 files; nothing was written.").arg(files));
    return allFound ? ExitStatus(session) : 1;
}

} // namespace

int RestoreCommand(CommandEnvironment& env) {
    QStringList args = env.Args;
    const bool dryRun = TakeFlag(args, QStringLiteral("--dry-run"));
    const QString target = TakeValue(args, QStringLiteral("--target"));
    const std::optional<int> overwrite = TakeOverwriteRule(args);
    const QString disk = TakeValue(args, QStringLiteral("--disk"));
    const bool numericOwner = args.removeAll(QStringLiteral("--numeric-owner")) > 0;
    for (const QString& argument : args)
        if (argument.startsWith(QLatin1String("--")))
            throw UsageError{QStringLiteral("unknown option ") + argument};
    if (!disk.isNull()) {
        if (dryRun)
            throw UsageError{QStringLiteral("restore --disk N has no --dry-run")};
        if (!args.isEmpty() || !target.isNull())
            throw UsageError{QStringLiteral("restore --disk N takes no selection and no --target")};
        const int number = ParseDiskNumber(disk);
        LoadTapeDescription(env.Session);
        // The source disk, as the window shows it in place of the restore list.
        if (const auto source = SourceDiskGeometry(env.Session))
            for (const QString& line : SourceDiskLines(*source))
                env.Op.Print(QStringLiteral("Source Harddisk") + line);
        RunDiskRestore(env.Session, number);
        return ExitStatus(env.Session);
    }
    if (args.isEmpty())
        throw UsageError{QStringLiteral(
            "restore needs a selection: a file path, or a directory path ending in /")};
    Session& session = env.Session;
    if (!target.isNull()) {
        QString directory;
        if (!target.isEmpty()) {
            directory = QDir::cleanPath(QFileInfo(target).absoluteFilePath());
            if (!directory.endsWith(QLatin1Char('/')))
                directory += QLatin1Char('/');
        }
        session.Settings.RestoreTarget = directory;
    }
    if (overwrite)
        session.Settings.RestoreOption = *overwrite;
    session.NumericOwner = numericOwner;
    session.Settings.RestoreList = args;
    if (dryRun)
        return ShowRestorePlan(env, args);
    // The restore asks for tape 1 of the loaded set, as the window knows it from its start-up.
    LoadTapeDescription(session);
    RunRestore(session);
    // A selected file left unrestored makes the run a partial failure.
    return session.Counters.NotRestoredCount > 0 ? 1 : ExitStatus(session);
}

} // namespace orvane::cli
