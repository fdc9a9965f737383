#include "work_directory_claim.h"

#include "archive/compression_ahead.h"
#include "archive/tape_reader.h"
#include "platform/date_time_text.h"
#include "platform/operator_interface.h"
#include "platform/protocol_log.h"
#include "session.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

namespace orvane {

WorkDirectoryClaim::WorkDirectoryClaim(Session& session) : m_session(session) {
    const bool first = !session.WorkLock.Held();
    QDir().mkpath(session.Paths.ProgramDirectory);
    QString error;
    m_held = session.WorkLock.TryAcquire(error);
    if (!m_held) {
        session.CancelFlag = true;
        session.Protocol.AddBlockOpening();
        session.Protocol.AddProtocolLine(QStringLiteral("Error: ") + NowText() +
                                         QStringLiteral(" : ") + error);
        session.Protocol.AddProtocolLine(ProtocolLog::Separator());
        session.Op.ShowError(error);
        return;
    }
    if (first)
        RemoveAbandonedWorkFiles(session.Paths);
}

WorkDirectoryClaim::~WorkDirectoryClaim() {
    if (m_held)
        m_session.WorkLock.Release();
}

void RemoveAbandonedWorkFiles(const ProgramPaths& paths) {
    QFile::remove(paths.CatalogFilePath);
    QDir directory(paths.WorkDirectory);
    // The compression archive, and the temporary files the zip component makes beside it.
    const QString archive = QFileInfo(paths.SoftCompressionArchivePath).fileName();
    for (const QString& pattern :
         {archive, archive + QLatin1String(".*"), PackedAheadWorkFilePattern})
        for (const QString& name : directory.entryList({pattern}, QDir::Files | QDir::Hidden))
            QFile::remove(directory.filePath(name));
    for (const QString& name :
         directory.entryList({UnpackDirectoryPattern}, QDir::Dirs | QDir::NoDotAndDotDot))
        QDir(directory.filePath(name)).removeRecursively();
}

} // namespace orvane
