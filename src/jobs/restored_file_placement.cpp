#include "restored_file_placement.h"

#include <QFile>
#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

namespace orvane {

namespace {

class Descriptor {
public:
    explicit Descriptor(int fd) : m_fd(fd) {}
    ~Descriptor() {
        if (m_fd >= 0)
            ::close(m_fd);
    }
    Descriptor(const Descriptor&) = delete;
    Descriptor& operator=(const Descriptor&) = delete;
    int Get() const { return m_fd; }
    // Closes now, so that an error the close reports is not lost.
    bool Close() {
        const int fd = m_fd;
        m_fd = -1;
        return ::close(fd) == 0;
    }

private:
    int m_fd;
};

bool WriteAll(int fd, const char* data, ssize_t size) {
    while (size > 0) {
        const ssize_t n = ::write(fd, data, size_t(size));
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0) {
            if (n == 0)
                errno = ENOSPC;
            return false;
        }
        data += n;
        size -= n;
    }
    return true;
}

ResultCode LastError() {
    return ResultCodeFromErrno(errno);
}

// Copies `from` into a new file `part`, with the source's permissions and `modified`. A part file
// this copy created and could not complete is removed; one that was there already is not touched.
ResultCode CopyInto(const QByteArray& from, const QByteArray& part, const QDateTime& modified) {
    Descriptor source(::open(from.constData(), O_RDONLY | O_CLOEXEC));
    struct stat info {};
    if (source.Get() < 0 || ::fstat(source.Get(), &info) != 0)
        return LastError();
    Descriptor target(
        ::open(part.constData(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0600));
    if (target.Get() < 0)
        return LastError();
    const auto fail = [&part] {
        const ResultCode code = LastError();
        ::unlink(part.constData());
        return code;
    };
    std::vector<char> buffer(1 << 16);
    for (;;) {
        const ssize_t n = ::read(source.Get(), buffer.data(), buffer.size());
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0)
            return fail();
        if (n == 0)
            break;
        if (!WriteAll(target.Get(), buffer.data(), n))
            return fail();
    }
    const qint64 milliseconds = modified.toMSecsSinceEpoch();
    const struct timespec times[2] = {
        {0, UTIME_OMIT}, {time_t(milliseconds / 1000), long(milliseconds % 1000) * 1000000}};
    if (::fchmod(target.Get(), info.st_mode & 07777) != 0 || ::futimens(target.Get(), times) != 0 ||
        !target.Close())
        return fail();
    return ResultCode::Success;
}

void SetModified(const QString& path, const QDateTime& modified) {
    QFile file(path);
    if (file.open(QIODevice::ReadOnly))
        file.setFileTime(modified, QFileDevice::FileModificationTime);
}

} // namespace

QString PartFileBeside(const QString& destination) {
    return destination.left(destination.lastIndexOf(QLatin1Char('/'))) +
           QStringLiteral("/.orvane-restoring.part");
}

ResultCode PlaceRestoredFile(const QString& from, const QString& to, const QDateTime& modified) {
    const QByteArray source = QFile::encodeName(from);
    const QByteArray target = QFile::encodeName(to);
    if (::rename(source.constData(), target.constData()) == 0) {
        SetModified(to, modified);
        return ResultCode::Success;
    }
    if (errno != EXDEV)
        return LastError();
    const QByteArray part = QFile::encodeName(PartFileBeside(to));
    if (part == target)
        return ResultCode::AccessDenied;
    if (const ResultCode copied = CopyInto(source, part, modified); copied != ResultCode::Success)
        return copied;
    if (::rename(part.constData(), target.constData()) != 0) {
        const ResultCode code = LastError();
        ::unlink(part.constData());
        return code;
    }
    ::unlink(source.constData());
    return ResultCode::Success;
}

} // namespace orvane
