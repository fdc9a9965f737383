#include "soft_compression.h"

#include "platform/operator_interface.h"
#include "zip_pack.h"
#include "zip_unpack.h"

#include <QFile>
#include <QFileInfo>

namespace orvane {

bool SoftCompression::Add(const QString& filePath, OperatorInterface& op) const {
    const ZipOutcome outcome = PackFile(m_archivePath, filePath, m_level);
    ZipMaster1Message(op, outcome.errorCode,
                      QStringLiteral("Softcompression could not pack ") + filePath +
                          QStringLiteral(": ") + outcome.text);
    return outcome.ok();
}

bool SoftCompression::Extract(const QString& baseDirectory, OperatorInterface& op) const {
    const ZipOutcome outcome = UnpackArchive(m_archivePath, baseDirectory);
    ZipMaster1Message(op, outcome.errorCode,
                      QStringLiteral("Softcompression could not unpack ") + m_archivePath +
                          QStringLiteral(": ") + outcome.text);
    return outcome.ok();
}

void ZipMaster1Message(OperatorInterface& op, int errorCode, const QString& text) {
    if (errorCode != 0)
        op.showMessage(text);
}

bool ClearReadOnlyAttribute(const QString& path) {
    const QFileInfo info(path);
    if (!info.exists())
        return false;
    return QFile::setPermissions(path, info.permissions() | QFile::WriteOwner);
}

} // namespace orvane
