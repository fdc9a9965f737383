#include "backup_plan.h"

#include "archive/backup_inclusion.h"
#include "archive/backup_size_walk.h"
#include "archive/tape_records.h"
#include "config/path_list.h"
#include "platform/path_bytes.h"
#include "session.h"
#include "tape/block_stream.h"

#include <QDir>
#include <cerrno>

namespace orvane {

int64_t BackupPlan::Tapes() const {
    if (TapeCapacity <= 0)
        return 0;
    return std::max<int64_t>(1, (TapeBytes + TapeCapacity - 1) / TapeCapacity);
}

QList<QByteArray> EntryPaths(const QStringList& list) {
    QList<QByteArray> paths;
    for (const QString& entry : list)
        if (QDir::isAbsolutePath(entry))
            paths << PathToBytes(entry);
    return paths;
}

BackupPlan PlanBackup(Session& session,
                      const std::function<void(const QByteArray& path, int64_t size)>& file) {
    QStringList list = session.Settings.BackupList;
    NormalizePathList(list);
    const BackupWriterState state(session.Settings.ExcludeList, true);
    BackupPlan plan;
    for (const QString& entry : list) {
        struct stat info {};
        if (QDir::isAbsolutePath(entry) && ::lstat(PathToBytes(entry).constData(), &info) != 0 &&
            (errno == ENOENT || errno == ENOTDIR))
            plan.Missing << entry;
    }
    WalkBackedUpFiles(
        EntryPaths(list), OwnPathsOf(session, state), state.ExcludePrefixes, [] { return false; },
        [&](const QByteArray& path, const struct stat& info) {
            plan.Files += 1;
            plan.Bytes += info.st_size;
            plan.TapeBytes += info.st_size + TapeFileHeader::Size + CatalogRecord::Size;
            file(path, info.st_size);
        });
    if (session.BlockLimit > 0)
        plan.TapeCapacity = session.BlockLimit * int64_t(TapeBlockSize);
    return plan;
}

} // namespace orvane
