#include "kept_catalog.h"

#include <QFile>
#include <QSaveFile>

namespace orvane {

namespace {

// The date exactly, so that only the same set matches.
QByteArray SetDateText(double setDate) {
    return QByteArray::number(setDate, 'g', 17);
}

} // namespace

void KeepCatalogOfSet(ArchiveContext& ctx, double setDate) {
    const ProgramPaths& paths = ctx.Paths;
    QFile::remove(paths.KeptCatalogSetPath);
    QFile::remove(paths.KeptCatalogPath);
    if (!QFile::rename(paths.CatalogFilePath, paths.KeptCatalogPath))
        return;
    QSaveFile set(paths.KeptCatalogSetPath);
    if (!set.open(QIODevice::WriteOnly) || set.write(SetDateText(setDate) + '\n') < 0 ||
        !set.commit())
        QFile::remove(paths.KeptCatalogPath);
}

QString KeptCatalogFor(const ArchiveContext& ctx, double setDate) {
    QFile set(ctx.Paths.KeptCatalogSetPath);
    if (!set.open(QIODevice::ReadOnly) || set.readLine(64).trimmed() != SetDateText(setDate) ||
        !QFile::exists(ctx.Paths.KeptCatalogPath))
        return QString();
    return ctx.Paths.KeptCatalogPath;
}

} // namespace orvane
