#include "program_directory.h"

#include "installed_layout.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QStandardPaths>

namespace orvane {

namespace {
QString WithSlash(QString path) {
    path = QDir::cleanPath(QDir(path).absolutePath());
    return path.endsWith(QLatin1Char('/')) ? path : path + QLatin1Char('/');
}
} // namespace

QString ResolveProgramDirectory(const QString& override) {
    if (!override.isEmpty())
        return WithSlash(override);
    const QString home = qEnvironmentVariable("ORVANE_HOME");
    if (!home.isEmpty())
        return WithSlash(home);
    if (QCoreApplication::instance()) {
        const QString programDir = QCoreApplication::applicationDirPath();
        // An installed program keeps nothing in <prefix>/bin/, even when root may write there.
        if (QFileInfo(programDir).isWritable() && InstalledDataDirectory(programDir).isEmpty())
            return WithSlash(programDir);
    }
    // The user's own data directory is made at the first run.
    const QString dataDirectory =
        QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation) +
        QStringLiteral("/orvane");
    QDir().mkpath(dataDirectory);
    return WithSlash(dataDirectory);
}

} // namespace orvane
