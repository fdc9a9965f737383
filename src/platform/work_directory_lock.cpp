#include "work_directory_lock.h"

#include <QFile>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>
#include <utility>

namespace orvane {

WorkDirectoryLock::WorkDirectoryLock(QString lockPath) : m_path(std::move(lockPath)) {}

WorkDirectoryLock::~WorkDirectoryLock() {
    if (m_fd >= 0)
        ::close(m_fd);
}

bool WorkDirectoryLock::TryAcquire(QString& error) {
    if (m_claims > 0) {
        ++m_claims;
        return true;
    }
    const int fd =
        ::open(QFile::encodeName(m_path).constData(), O_RDWR | O_CREAT | O_CLOEXEC, 0644);
    if (fd < 0) {
        error = QStringLiteral("The work directory lock %1 could not be opened: %2")
                    .arg(m_path, QString::fromLocal8Bit(std::strerror(errno)));
        return false;
    }
    if (::flock(fd, LOCK_EX | LOCK_NB) != 0) {
        error = errno == EWOULDBLOCK
                    ? QStringLiteral("Another Orvane job is running with the work directory of "
                                     "this program directory (%1 is held).")
                          .arg(m_path)
                    : QStringLiteral("The work directory lock %1 could not be taken: %2")
                          .arg(m_path, QString::fromLocal8Bit(std::strerror(errno)));
        ::close(fd);
        return false;
    }
    m_fd = fd;
    m_claims = 1;
    return true;
}

void WorkDirectoryLock::Release() {
    if (m_claims == 0 || --m_claims > 0)
        return;
    ::close(m_fd);
    m_fd = -1;
}

} // namespace orvane
