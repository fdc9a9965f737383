#include "restore_one_file.h"

#include "archive/tape_reader.h"
#include "catalog_load.h"
#include "catalog_paths.h"
#include "platform/operator_interface.h"
#include "platform/protocol_log.h"
#include "restore_match.h"
#include "restored_file_placement.h"
#include "session.h"
#include "tape/tape_access.h"
#include "tape/tape_date.h"

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <optional>

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

bool MakeDirectory(Session& session, const QString& directory) {
    if (directory.isEmpty() || QDir().mkpath(directory))
        return true;
    session.Op.ShowMessage(QStringLiteral("Directory ") + directory +
                           QStringLiteral(" could not createt"));
    return false;
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
        // What is there is replaced only by the rename of the complete new file; a directory
        // never is.
        if (const QFileInfo existing(offered); existing.isDir() && !existing.isSymLink()) {
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
    // One file is restored at a time and the drive serves one run, so one name per directory
    // will do; a file of that name that is already there is never touched.
    const QString copy = PartFileBeside(destination.Path);
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

    if (const ResultCode placed =
            PlaceRestoredFile(workFile, path, FromTapeDate(session.LastHeader.Date));
        placed != ResultCode::Success) {
        Discard(session, workFile,
                QStringLiteral("Not restored, the file could not be written: ") + path +
                    QStringLiteral(" (") + SystemMessage(placed) + QLatin1Char(')'));
        // A full disk ends the run as it does for the data of a plain record.
        if (placed == ResultCode::HandleDiskFull)
            LogTapeError(session, placed);
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
