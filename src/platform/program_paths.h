#pragma once

#include <QString>

namespace orvane {

// Where the program keeps its files, all below ProgramDirectory (which ends in '/').
struct ProgramPaths {
    explicit ProgramPaths(const QString& programDirectory);

    QString ProgramDirectory;
    QString WorkDirectory;
    QString CatalogFilePath;
    // The catalog of the last set written here, and the date of that set (see kept_catalog.h).
    QString KeptCatalogPath;
    QString KeptCatalogSetPath;
    QString TapeHeaderPath;
    QString SoftCompressionArchivePath;
    QString JobFilePath;
    QString LogFilePath;
    // Held by the job that uses the work directory (see WorkDirectoryLock).
    QString WorkLockPath;
};

} // namespace orvane
