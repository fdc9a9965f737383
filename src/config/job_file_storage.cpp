#include "job_file_storage.h"

#include <QFile>
#include <QFileInfo>
#include <QSaveFile>

namespace orvane {

namespace {

// Far beyond any real job file; keeps a wrong path from filling the memory.
constexpr qint64 kMaxJobFileSize = 64 * 1024 * 1024;

QString ReadError(const QString& path, const QString& reason) {
    return QStringLiteral("Cannot read the job file %1: %2").arg(path, reason);
}

QString WriteError(const QString& path, const QString& reason) {
    return QStringLiteral("Cannot write the job file %1: %2").arg(path, reason);
}

} // namespace

JobFileContent ReadJobFileContent(const QString& path) {
    JobFileContent content;
    const QFileInfo info(path);
    content.exists = info.exists();
    if (!content.exists)
        return content;
    // A directory, a FIFO or a device is no job file; opening a FIFO would wait forever.
    if (!info.isFile()) {
        content.error = ReadError(path, QStringLiteral("not a regular file"));
        return content;
    }
    if (info.size() > kMaxJobFileSize) {
        content.error =
            ReadError(path, QStringLiteral("larger than %1 bytes").arg(kMaxJobFileSize));
        return content;
    }
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        content.error = ReadError(path, file.errorString());
        return content;
    }
    const QByteArray text = file.read(kMaxJobFileSize);
    if (file.error() != QFileDevice::NoError) {
        content.error = ReadError(path, file.errorString());
        return content;
    }
    content.document = IniDocument(text);
    return content;
}

QString WriteJobFileContent(const QString& path, const IniDocument& document) {
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly))
        return WriteError(path, file.errorString());
    if (!file.setPermissions(QFileDevice::ReadOwner | QFileDevice::WriteOwner)) {
        const QString reason = file.errorString();
        file.cancelWriting();
        return WriteError(path, reason);
    }
    const QByteArray text = document.toText();
    if (file.write(text) != text.size() || !file.commit())
        return WriteError(path, file.errorString());
    return QString();
}

} // namespace orvane
