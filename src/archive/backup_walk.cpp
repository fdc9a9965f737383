#include "backup_walk.h"

#include "backup_file_record.h"

#include <algorithm>
#include <cstring>
#include <dirent.h>
#include <sys/stat.h>

namespace orvane {

namespace {

// The names in a directory, read whole, so that no directory stays open while the walk goes
// deeper. False when the directory cannot be read.
bool ReadDirectoryNames(const QByteArray& directory, QList<QByteArray>& names) {
    DIR* dir = ::opendir(directory.constData());
    if (!dir)
        return false;
    while (const dirent* entry = ::readdir(dir)) {
        if (std::strcmp(entry->d_name, ".") == 0 || std::strcmp(entry->d_name, "..") == 0)
            continue;
        names << QByteArray(entry->d_name);
    }
    ::closedir(dir);
    std::sort(names.begin(), names.end());
    return true;
}

} // namespace

void WalkDirectory(ArchiveContext& ctx, BackupWriterState& state, const QByteArray& directory,
                   TapeHandlePtr& handle, bool compress) {
    QList<QByteArray> names;
    if (!ReadDirectoryNames(directory, names)) {
        ReportSkippedFile(ctx, state, directory, 0);
        return;
    }
    for (const QByteArray& name : names) {
        if (ctx.CancelFlag)
            return;
        const QByteArray path = directory + name;
        struct stat info {};
        if (::lstat(path.constData(), &info) == 0 && S_ISDIR(info.st_mode))
            WalkDirectory(ctx, state, path + '/', handle, compress);
        else
            WriteFileRecord(ctx, state, handle, path, compress);
    }
}

} // namespace orvane
