#include "protocol_log.h"

#include "message_pump.h"
#include "operator_interface.h"
#include "path_bytes.h"

#include <QFile>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <unistd.h>

namespace orvane {

ProtocolLog::ProtocolLog(QString logFilePath, OperatorInterface& op)
    : m_path(std::move(logFilePath)), m_op(op) {}

QString ProtocolLog::Separator() {
    return QString(89, QLatin1Char('-'));
}

void ProtocolLog::EnsureExists() const {
    if (QFile::exists(m_path))
        return;
    QFile file(m_path);
    if (file.open(QIODevice::WriteOnly))
        file.close();
}

void ProtocolLog::AddProtocolLine(const QString& text) {
    // A log file removed while the program runs is made again rather than losing the protocol.
    const QByteArray path = QFile::encodeName(m_path);
    // Names that are not UTF-8 are shown with their bytes as text.
    const QByteArray line = DisplayPath(text).toUtf8() + "\r\n";
    const int fd = ::open(path.constData(), O_WRONLY | O_APPEND | O_CREAT | O_CLOEXEC, 0644);
    bool written = false;
    int error = 0;
    if (fd >= 0) {
        written = ::write(fd, line.constData(), size_t(line.size())) == line.size();
        error = errno;
        ::close(fd);
    } else {
        error = errno;
    }
    PumpMessages(1);
    if (!written && !m_writeFailureShown) {
        // Shown once per failure spell, so that a full disk does not bury the operator in boxes.
        m_writeFailureShown = true;
        m_op.ShowError(QStringLiteral("I/O error writing the protocol file %1: %2")
                           .arg(m_path, QString::fromLocal8Bit(std::strerror(error))));
    } else if (written) {
        m_writeFailureShown = false;
    }
    m_op.AppendProtocolLine(text);
    PumpMessages(1);
}

void ProtocolLog::AddBlockOpening() {
    AddProtocolLine(QString());
    AddProtocolLine(Separator());
    AddProtocolLine(QString());
}

std::optional<QStringList> ProtocolLog::ReadAll() const {
    QFile file(m_path);
    if (!file.open(QIODevice::ReadOnly)) {
        m_op.ShowError(
            QStringLiteral("Cannot open the protocol file %1: %2").arg(m_path, file.errorString()));
        return std::nullopt;
    }
    QString text = QString::fromUtf8(file.readAll());
    text.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    if (text.endsWith(QLatin1Char('\n')))
        text.chop(1);
    if (text.isEmpty())
        return QStringList();
    return text.split(QLatin1Char('\n'));
}

bool ProtocolLog::Clear() {
    if (!ReadAll())
        return false;
    QFile file(m_path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate)) {
        m_op.ShowError(QStringLiteral("Cannot write the protocol file %1: %2")
                           .arg(m_path, file.errorString()));
        return false;
    }
    return true;
}

} // namespace orvane
