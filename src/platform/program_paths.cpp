#include "program_paths.h"

namespace orvane {

ProgramPaths::ProgramPaths(const QString& programDirectory)
    : ProgramDirectory(programDirectory.endsWith(QLatin1Char('/'))
                           ? programDirectory
                           : programDirectory + QLatin1Char('/')),
      WorkDirectory(ProgramDirectory + QStringLiteral("worker/")),
      CatalogFilePath(WorkDirectory + QStringLiteral("orvane catalog.dat")),
      KeptCatalogPath(ProgramDirectory + QStringLiteral("orvane kept catalog.dat")),
      KeptCatalogSetPath(ProgramDirectory + QStringLiteral("orvane kept catalog.set")),
      TapeHeaderPath(WorkDirectory + QStringLiteral("header.tap")),
      SoftCompressionArchivePath(WorkDirectory + QStringLiteral("orvane_backup.zip")),
      JobFilePath(ProgramDirectory + QStringLiteral("jobs.job")),
      LogFilePath(ProgramDirectory + QStringLiteral("orvane_backup.log")),
      WorkLockPath(ProgramDirectory + QStringLiteral("orvane work.lock")) {}

} // namespace orvane
