#include "backup_inclusion.h"

#include "platform/tape_device.h"

#include <QFile>

namespace orvane {

namespace {

// The directory of the virtual library behind the drive, with a trailing '/', or nothing.
QByteArray VirtualLibraryPrefix(const TapeDevice& drive) {
    const QString name = drive.name();
    const QLatin1String scheme("vtape:");
    if (!name.startsWith(scheme))
        return {};
    QByteArray directory = QFile::encodeName(name.mid(scheme.size()));
    if (!directory.endsWith('/'))
        directory += '/';
    return directory;
}

} // namespace

bool IsIncluded(const ArchiveContext& ctx, const BackupWriterState& state, const QByteArray& path) {
    if (path.startsWith(QFile::encodeName(ctx.paths.WorkDirectory)))
        return path == QFile::encodeName(ctx.paths.TapeHeaderPath) ||
               path == QFile::encodeName(ctx.paths.CatalogFilePath);
    // A tape image written while it is read would never hold still.
    if (const QByteArray library = VirtualLibraryPrefix(ctx.drive);
        !library.isEmpty() && path.startsWith(library))
        return false;
    for (const QByteArray& prefix : state.ExcludePrefixes)
        if (path.startsWith(prefix))
            return false;
    return true;
}

bool IsWorkFileRecord(const QByteArray& tapePath) {
    const QByteArray name = FileNamePart(tapePath);
    return name == CatalogFileName || name == FillerFileName;
}

} // namespace orvane
