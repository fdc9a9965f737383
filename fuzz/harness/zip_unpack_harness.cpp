#include "zip_unpack_harness.h"

#include "integrations/zip_unpack.h"
#include "scratch_home.h"

#include <QDir>
#include <QFile>
#include <cstdlib>

namespace orvane::fuzz {

ZipRun RunZipUnpack(QByteArrayView archive) {
    const QString home = FreshScratchHome();
    const QString fromMemory = home + QStringLiteral("memory/");
    const QString fromFile = home + QStringLiteral("file/");
    const QString archivePath = home + QStringLiteral("record.zip");
    if (!QDir().mkpath(fromMemory) || !QDir().mkpath(fromFile))
        std::abort();
    {
        QFile file(archivePath);
        if (!file.open(QIODevice::WriteOnly))
            std::abort();
        file.write(archive.data(), archive.size());
    }
    return {UnpackArchiveFrom(archive.toByteArray(), fromMemory).Ok(),
            UnpackArchive(archivePath, fromFile).Ok()};
}

} // namespace orvane::fuzz
