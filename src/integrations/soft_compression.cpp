#include "soft_compression.h"

#include "platform/operator_interface.h"
#include "zip_pack.h"
#include "zip_unpack.h"

#include <QFile>
#include <QFileInfo>

namespace orvane {

bool SoftCompression::Add(const QString& filePath, OperatorInterface& op, bool* grew) const {
    const ZipOutcome outcome = PackFile(m_archivePath, filePath, m_level);
    ReportAddOutcome(op, filePath, outcome);
    if (grew)
        *grew = outcome.SourceGrew;
    return outcome.Ok();
}

std::optional<MemoryArchive> SoftCompression::AddInMemory(const QString& filePath,
                                                          OperatorInterface& op, bool* grew) const {
    MemoryArchive archive;
    const ZipOutcome outcome = PackFileInMemory(filePath, m_level, archive);
    ReportAddOutcome(op, filePath, outcome);
    if (grew)
        *grew = outcome.SourceGrew;
    if (!outcome.Ok())
        return std::nullopt;
    return archive;
}

void SoftCompression::ReportAddOutcome(OperatorInterface& op, const QString& filePath,
                                       const ZipOutcome& outcome) {
    ZipMaster1Message(op, outcome.ErrorCode,
                      QStringLiteral("Softcompression could not pack ") + filePath +
                          QStringLiteral(": ") + outcome.Text);
}

bool SoftCompression::Extract(const QString& baseDirectory, OperatorInterface& op) const {
    const ZipOutcome outcome = UnpackArchive(m_archivePath, baseDirectory);
    ReportExtractOutcome(op, outcome);
    return outcome.Ok();
}

bool SoftCompression::ExtractFrom(const QByteArray& archive, const QString& baseDirectory,
                                  OperatorInterface& op) const {
    const ZipOutcome outcome = UnpackArchiveFrom(archive, baseDirectory);
    ReportExtractOutcome(op, outcome);
    return outcome.Ok();
}

// The archive is named as the compression archive wherever its bytes are held, so that the
// operator reads the same words for the same fault.
void SoftCompression::ReportExtractOutcome(OperatorInterface& op, const ZipOutcome& outcome) const {
    ZipMaster1Message(op, outcome.ErrorCode,
                      QStringLiteral("Softcompression could not unpack ") + m_archivePath +
                          QStringLiteral(": ") + outcome.Text);
}

void ZipMaster1Message(OperatorInterface& op, int errorCode, const QString& text) {
    if (errorCode != 0)
        op.ShowMessage(text);
}

bool ClearReadOnlyAttribute(const QString& path) {
    const QFileInfo info(path);
    if (!info.exists())
        return false;
    return QFile::setPermissions(path, info.permissions() | QFile::WriteOwner);
}

} // namespace orvane
