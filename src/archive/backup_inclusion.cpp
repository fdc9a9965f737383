#include "backup_inclusion.h"

#include "platform/path_bytes.h"
#include "platform/tape_device.h"

#include <QFile>

namespace orvane {

namespace {

// The directory of the virtual library behind the drive, with a trailing '/', or nothing.
QByteArray VirtualLibraryPrefix(const TapeDevice& drive) {
    const QString name = drive.Name();
    const QLatin1String scheme("vtape:");
    if (!name.startsWith(scheme))
        return {};
    QByteArray directory = PathToBytes(name.mid(scheme.size()));
    if (!directory.endsWith('/'))
        directory += '/';
    return directory;
}

} // namespace

const BackupWriterState::OwnPaths& OwnPathsOf(const ArchiveContext& ctx,
                                              const BackupWriterState& state) {
    if (!state.OwnPathBytes)
        state.OwnPathBytes = BackupWriterState::OwnPaths{
            PathToBytes(ctx.Paths.WorkDirectory), PathToBytes(ctx.Paths.TapeHeaderPath),
            PathToBytes(ctx.Paths.CatalogFilePath), VirtualLibraryPrefix(ctx.Drive)};
    return *state.OwnPathBytes;
}

bool IsIncludedPath(const BackupWriterState::OwnPaths& own, const QList<QByteArray>& excludes,
                    bool writingCatalog, const QByteArray& path) {
    if (path.startsWith(own.WorkDirectory))
        return path == own.TapeHeader || (path == own.Catalog && writingCatalog);
    // A tape image written while it is read would never hold still.
    if (!own.Library.isEmpty() && path.startsWith(own.Library))
        return false;
    for (const QByteArray& prefix : excludes)
        if (path.startsWith(prefix))
            return false;
    return true;
}

bool IsIncluded(const ArchiveContext& ctx, const BackupWriterState& state, const QByteArray& path) {
    return IsIncludedPath(OwnPathsOf(ctx, state), state.ExcludePrefixes, state.WritingCatalog,
                          path);
}

bool IsWorkFileRecord(const QByteArray& tapePath) {
    const QByteArray name = FileNamePart(tapePath);
    return name == CatalogFileName || name == FillerFileName;
}

} // namespace orvane
