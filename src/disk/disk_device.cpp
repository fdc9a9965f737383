#include "disk_device.h"

#include "platform/path_bytes.h"

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <linux/fs.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace orvane {

DiskDevice::~DiskDevice() {
    Close();
}

void DiskDevice::NoteError(int error) {
    m_error = QString::fromLocal8Bit(std::strerror(error));
}

bool DiskDevice::Open(const QString& path, Access access) {
    Close();
    const QByteArray name = PathToBytes(path);
    struct stat info {};
    if (::stat(name.constData(), &info) != 0) {
        NoteError(errno);
        return false;
    }
    m_blockDevice = S_ISBLK(info.st_mode);
    if (!m_blockDevice && !S_ISREG(info.st_mode)) {
        m_error = QStringLiteral("not a disk or a disk image file");
        return false;
    }
    int flags = O_CLOEXEC;
    if (access == Access::Read)
        flags |= O_RDONLY;
    else
        flags |= O_WRONLY | (m_blockDevice ? O_EXCL : 0);
    m_fd = ::open(name.constData(), flags);
    if (m_fd < 0) {
        NoteError(errno);
        return false;
    }
    m_sectorSize = 512;
    m_bytes = info.st_size;
    if (m_blockDevice) {
        uint64_t bytes = 0;
        int sectorSize = 0;
        if (::ioctl(m_fd, BLKGETSIZE64, &bytes) != 0 ||
            ::ioctl(m_fd, BLKSSZGET, &sectorSize) != 0 || sectorSize <= 0) {
            NoteError(errno);
            Close();
            return false;
        }
        m_bytes = int64_t(bytes);
        m_sectorSize = uint32_t(sectorSize);
    }
    return true;
}

void DiskDevice::Close() {
    if (m_fd >= 0)
        ::close(m_fd);
    m_fd = -1;
}

bool DiskDevice::ReadAt(int64_t offset, std::span<char> data) {
    size_t done = 0;
    while (done < data.size()) {
        const ssize_t n = ::pread(m_fd, data.data() + done, data.size() - done, offset + done);
        if (n > 0) {
            done += size_t(n);
        } else if (n == 0) {
            m_error = QStringLiteral("the disk ends before the sector to read");
            return false;
        } else if (errno != EINTR) {
            NoteError(errno);
            return false;
        }
    }
    return true;
}

bool DiskDevice::WriteAt(int64_t offset, std::span<const char> data) {
    size_t done = 0;
    while (done < data.size()) {
        const ssize_t n = ::pwrite(m_fd, data.data() + done, data.size() - done, offset + done);
        if (n > 0) {
            done += size_t(n);
        } else if (n == 0) {
            NoteError(ENOSPC);
            return false;
        } else if (errno != EINTR) {
            NoteError(errno);
            return false;
        }
    }
    return true;
}

bool DiskDevice::Flush() {
    if (::fsync(m_fd) == 0)
        return true;
    NoteError(errno);
    return false;
}

} // namespace orvane
