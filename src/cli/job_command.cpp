#include "cli_app.h"
#include "config/job_file.h"
#include "config/job_file_assignment.h"
#include "config/path_list.h"
#include "jobs/session.h"
#include "terminal_operator.h"

#include <QFileInfo>
#include <stdexcept>

namespace orvane::cli {

namespace {

// The settings and lists of the job file alone. A missing file is created with the new-file
// values, as at every start; a file named with --job must exist for `job show`.
Settings ReadJobFile(const Session& session, QTextStream& err, bool create) {
    const QString& path = session.JobFilePath;
    const bool existed = QFileInfo::exists(path);
    if (!existed && !create)
        throw UsageError{QStringLiteral("--job: no job file %1").arg(path)};
    Settings settings;
    const JobFileLoad load = LoadJobFile(path, settings);
    if (!load.Error.isEmpty()) {
        // An unreadable file must not be replaced by one made of defaults.
        if (existed)
            throw std::runtime_error(load.Error.toStdString());
        err << "orvane-cli: " << load.Error << Qt::endl;
    }
    return settings;
}

void RefuseOptions(const QStringList& args, const QString& action) {
    if (args.isEmpty())
        throw UsageError{QStringLiteral("job %1 needs at least one argument").arg(action)};
    for (const QString& argument : args)
        if (argument.startsWith(QLatin1String("--")))
            throw UsageError{QStringLiteral("unknown option ") + argument};
}

int Written(const QString& error, QTextStream& err) {
    if (error.isEmpty())
        return 0;
    err << "orvane-cli: " << error << Qt::endl;
    return 1;
}

int Show(CommandEnvironment& env, bool namedFile) {
    Settings settings = ReadJobFile(env.Session, env.Op.Err(), !namedFile);
    // What a run would use: the file with this run's --set assignments on top.
    for (const QString& assignment : env.Overrides)
        ApplyJobFileAssignment(settings, assignment);
    env.Op.Out() << QString::fromUtf8(JobFileDocumentText(settings));
    env.Op.Out().flush();
    return 0;
}

int Set(CommandEnvironment& env) {
    RefuseOptions(env.Args, QStringLiteral("set"));
    QTextStream& err = env.Op.Err();
    Settings settings = ReadJobFile(env.Session, err, true);
    const Settings before = settings;
    for (const QString& assignment : env.Args) {
        const JobFileAssignment set = ApplyJobFileAssignment(settings, assignment);
        QString message = set.Message;
        message.replace(QLatin1String("--set"), QLatin1String("job set"));
        if (!set.Valid)
            throw UsageError{message};
        if (!message.isEmpty())
            err << "orvane-cli: " << message << Qt::endl;
    }
    const QString& path = env.Session.JobFilePath;
    // A list line named by its key rewrites the file as Save does; a setting is put in place.
    const bool listsChanged =
        settings.BackupList != before.BackupList || settings.ExcludeList != before.ExcludeList;
    return Written(
        listsChanged ? SaveJobFileLists(path, settings) : SaveJobFileSettings(path, settings), err);
}

int Add(CommandEnvironment& env, QStringList Settings::*list, const QString& action) {
    RefuseOptions(env.Args, action);
    Settings settings = ReadJobFile(env.Session, env.Op.Err(), true);
    NormalizePathList(settings.*list);
    for (const QString& argument : env.Args)
        (settings.*list).append(ListLine(argument, true));
    return Written(SaveJobFileLists(env.Session.JobFilePath, settings), env.Op.Err());
}

// Removes the lines that equal the argument as given or as a list line, from both lists.
int Remove(CommandEnvironment& env) {
    RefuseOptions(env.Args, QStringLiteral("remove"));
    QTextStream& err = env.Op.Err();
    Settings settings = ReadJobFile(env.Session, err, true);
    QStringList missing;
    for (const QString& argument : env.Args) {
        const QString line = ListLine(argument, true);
        qsizetype removed = 0;
        for (QStringList* list : {&settings.BackupList, &settings.ExcludeList})
            removed += list->removeIf(
                [&](const QString& entry) { return entry == argument || entry == line; });
        if (removed == 0)
            missing << argument;
    }
    // Nothing is written when a path was not found: the operator has mistyped one.
    if (!missing.isEmpty()) {
        err << "orvane-cli: job remove: in neither list: " << missing.join(QStringLiteral(", "))
            << Qt::endl;
        return 1;
    }
    return Written(SaveJobFileLists(env.Session.JobFilePath, settings), err);
}

} // namespace

int JobCommand(CommandEnvironment& env) {
    QStringList& args = env.Args;
    if (args.isEmpty())
        throw UsageError{QStringLiteral("job needs show, set, add, exclude or remove")};
    const QString action = args.takeFirst();
    const bool namedFile = env.Session.JobFilePath != env.Session.Paths.JobFilePath;
    try {
        if (action == QLatin1String("show")) {
            if (!args.isEmpty())
                throw UsageError{QStringLiteral("job show takes no arguments")};
            return Show(env, namedFile);
        }
        if (action == QLatin1String("set"))
            return Set(env);
        if (action == QLatin1String("add"))
            return Add(env, &Settings::BackupList, action);
        if (action == QLatin1String("exclude"))
            return Add(env, &Settings::ExcludeList, action);
        if (action == QLatin1String("remove"))
            return Remove(env);
    } catch (const std::runtime_error& error) {
        env.Op.Err() << "orvane-cli: " << QString::fromStdString(error.what()) << Qt::endl;
        return 1;
    }
    throw UsageError{QStringLiteral("unknown job action ") + action};
}

} // namespace orvane::cli
