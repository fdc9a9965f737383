#include "installed_layout.h"

#include <QDir>
#include <QFileInfo>

namespace orvane {

QString InstalledDataDirectory(const QString& programFileDirectory) {
    const QString dataDirectory =
        QDir::cleanPath(programFileDirectory + QStringLiteral("/../share/orvane"));
    return QFileInfo(dataDirectory).isDir() ? dataDirectory + QLatin1Char('/') : QString();
}

QString ShippedFilePath(const QString& programFileDirectory, const QString& fileName) {
    const QString dataDirectory = InstalledDataDirectory(programFileDirectory);
    if (!dataDirectory.isEmpty())
        return dataDirectory + fileName;
    return QDir::cleanPath(programFileDirectory) + QLatin1Char('/') + fileName;
}

} // namespace orvane
