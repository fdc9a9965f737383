#include "job_file_storage.h"

#include <QFile>
#include <QFileInfo>
#include <QSaveFile>

namespace orvane {

namespace {

// Far beyond any real job file; keeps a wrong path from filling the memory.
constexpr qint64 MaxJobFileSize = 64 * 1024 * 1024;

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
    content.Exists = info.exists();
    if (!content.Exists)
        return content;
    // A directory, a FIFO or a device is no job file; opening a FIFO would wait forever.
    if (!info.isFile()) {
        content.Error = ReadError(path, QStringLiteral("not a regular file"));
        return content;
    }
    if (info.size() > MaxJobFileSize) {
        content.Error = ReadError(path, QStringLiteral("larger than %1 bytes").arg(MaxJobFileSize));
        return content;
    }
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        content.Error = ReadError(path, file.errorString());
        return content;
    }
    const QByteArray text = file.read(MaxJobFileSize);
    if (file.error() != QFileDevice::NoError) {
        content.Error = ReadError(path, file.errorString());
        return content;
    }
    content.Document = IniDocument(text);
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
    const QByteArray text = document.ToText();
    if (file.write(text) != text.size() || !file.commit())
        return WriteError(path, file.errorString());
    return QString();
}

} // namespace orvane
