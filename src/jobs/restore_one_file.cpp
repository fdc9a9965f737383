#include "restore_one_file.h"

#include "archive/tape_reader.h"
#include "catalog_load.h"
#include "catalog_paths.h"
#include "platform/operator_interface.h"
#include "platform/protocol_log.h"
#include "restore_match.h"
#include "session.h"
#include "tape/tape_date.h"

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <cerrno>
#include <csignal>
#include <optional>
#include <unistd.h>

namespace orvane {

namespace {

// Anything at the path, a dangling symbolic link included.
bool Occupied(const QString& path) {
    const QFileInfo info(path);
    return info.exists() || info.isSymLink();
}

QString DirectoryOf(const QString& path) {
    return path.left(path.lastIndexOf(QLatin1Char('/')));
}

// A plain record is written beside its destination and renamed over it once whole. The copy's
// name carries the id of the process that writes it, so that a copy left by a run that was
// killed can be told from one being written now: one whose process is gone, or is this one
// (which writes one copy at a time), is abandoned. Files of any other name, a copy whose process
// lives, and anything that is not a plain file are never touched.
const QString CopyPrefix = QStringLiteral(".orvane-restoring.");
const QString CopySuffix = QStringLiteral(".part");

QString CopyName(qint64 pid) {
    return CopyPrefix + QString::number(pid) + CopySuffix;
}

bool Abandoned(const QString& directory, const QString& name) {
    const QString digits =
        name.mid(CopyPrefix.size(), name.size() - CopyPrefix.size() - CopySuffix.size());
    bool ok = false;
    const qint64 pid = digits.toLongLong(&ok);
    if (!ok || pid <= 0 || CopyName(pid) != name)
        return false;
    const QFileInfo info(directory + QLatin1Char('/') + name);
    if (info.isSymLink() || !info.isFile())
        return false;
    return pid == ::getpid() || (::kill(pid_t(pid), 0) != 0 && errno == ESRCH);
}

void RemoveAbandonedCopies(const QString& directory) {
    const QDir dir(directory);
    for (const QString& name : dir.entryList({CopyPrefix + QLatin1Char('*') + CopySuffix},
                                             QDir::Files | QDir::Hidden | QDir::System))
        if (Abandoned(directory, name))
            QFile::remove(dir.filePath(name));
}

bool MakeDirectory(Session& session, const QString& directory) {
    if (directory.isEmpty() || QDir().mkpath(directory))
        return true;
    session.Op.ShowMessage(QStringLiteral("Directory ") + directory +
                           QStringLiteral(" could not createt"));
    return false;
}

// A rename that also works across file systems (then a copy). The file gets the modification
// time recorded on tape, whichever way the bytes travel.
bool MoveFile(const QString& from, const QString& to, const QDateTime& modified, QString& error) {
    QFile file(from);
    if (!file.rename(to)) {
        error = file.errorString();
        return false;
    }
    QFile moved(to);
    if (moved.open(QIODevice::ReadOnly)) {
        moved.setFileTime(modified, QFileDevice::FileModificationTime);
        moved.close();
    }
    return true;
}

void Discard(Session& session, const QString& workFile, const QString& protocolLine = {}) {
    QFile::remove(workFile);
    if (!protocolLine.isEmpty())
        session.Protocol.AddProtocolLine(protocolLine);
}

// The restore option decides where the file goes, or that it stays where it is (nothing:
// the work copy is then gone).
std::optional<QString> ApplyRestoreOption(Session& session, const QByteArray& tapePath,
                                          const QString& workFile, const QString& offered) {
    switch (session.Settings.RestoreOption) {
    case 0: {
        const auto answer = session.Op.InputBox(QStringLiteral("Restoredialog"),
                                                QStringLiteral("Restore to:"), offered);
        if (!answer) {
            Discard(session, workFile);
            return std::nullopt;
        }
        // The path given is taken as it stands; only what it needs is made, nothing replaced.
        const QString path = *answer;
        if (path.isEmpty() || path.endsWith(QLatin1Char('/'))) {
            Discard(session, workFile,
                    QStringLiteral("Not restored, no file path given for: ") +
                        TapePathText(tapePath));
            return std::nullopt;
        }
        if (Occupied(path)) {
            Discard(session, workFile, QStringLiteral("Not restored, the file exists: ") + path);
            return std::nullopt;
        }
        if (!MakeDirectory(session, DirectoryOf(path))) {
            Discard(session, workFile);
            return std::nullopt;
        }
        return path;
    }
    case 2:
        if (Occupied(offered) && !QFile::remove(offered)) {
            Discard(session, workFile,
                    QStringLiteral("Not restored, the existing file could not be replaced: ") +
                        offered);
            return std::nullopt;
        }
        return offered;
    default:
        // "Overwrite never", also for an option out of range: nothing existing is lost.
        if (Occupied(offered)) {
            Discard(session, workFile);
            return std::nullopt;
        }
        return offered;
    }
}

} // namespace

QString RestoreCopyPath(Session& session, const QByteArray& tapePath, bool compressed) {
    const QString inWorkDirectory = WorkFileFor(session, tapePath);
    if (compressed)
        return inWorkDirectory;
    const RestoreDestination destination =
        RestoreDestinationFor(session.Settings.RestoreTarget, tapePath);
    const QString directory = DirectoryOf(destination.Path);
    if (destination.Path.isEmpty() || directory.isEmpty() || !QDir().mkpath(directory))
        return inWorkDirectory;
    RemoveAbandonedCopies(directory);
    const QString copy = directory + QLatin1Char('/') + CopyName(::getpid());
    return copy == destination.Path || Occupied(copy) ? inWorkDirectory : copy;
}

bool KeptByOverwriteNever(const Session& session, const QByteArray& tapePath) {
    const int option = session.Settings.RestoreOption;
    if (option == 0 || option == 2)
        return false;
    const RestoreDestination destination =
        RestoreDestinationFor(session.Settings.RestoreTarget, tapePath);
    return !destination.Path.isEmpty() && Occupied(destination.Path);
}

bool RestoreOneFile(Session& session, const QByteArray& tapePath, const QString& workFile) {
    UnpackRestoredFile(session, workFile);
    const QFileInfo extracted(workFile);
    if (!extracted.isFile()) {
        Discard(session, workFile,
                QStringLiteral("Not restored, the file could not be extracted: ") +
                    TapePathText(tapePath));
        return false;
    }
    const int64_t size = extracted.size();

    const RestoreDestination destination =
        RestoreDestinationFor(session.Settings.RestoreTarget, tapePath);
    if (destination.Path.isEmpty()) {
        Discard(session, workFile, destination.Refusal);
        return false;
    }
    if (!MakeDirectory(session, DirectoryOf(destination.Path))) {
        Discard(session, workFile);
        return false;
    }
    const std::optional<QString> chosen =
        ApplyRestoreOption(session, tapePath, workFile, destination.Path);
    if (!chosen)
        return false;
    const QString& path = *chosen;

    QString error;
    if (!MoveFile(workFile, path, FromTapeDate(session.LastHeader.Date), error)) {
        Discard(session, workFile,
                QStringLiteral("Not restored, the file could not be written: ") + path +
                    QStringLiteral(" (") + error + QLatin1Char(')'));
        return false;
    }
    session.Counters.FileCount += 1;
    session.Counters.RestoredBytes += size;
    session.Op.ShowRestoreProgress({.Files = session.Counters.FileCount});
    if (!session.Settings.ShortProtocol)
        session.Protocol.AddProtocolLine(path + QStringLiteral(" <") +
                                         QString::number(size / 1024) +
                                         QStringLiteral(" KBytes> "));
    return true;
}

} // namespace orvane
