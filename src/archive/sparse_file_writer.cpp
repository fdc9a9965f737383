#include "sparse_file_writer.h"

#include <algorithm>
#include <cerrno>
#include <unistd.h>

namespace orvane {

namespace {

bool AllZero(const char* data, int64_t size) {
    return std::all_of(data, data + size, [](char c) { return c == 0; });
}

} // namespace

bool SparseFileWriter::WriteRun(const char* data, int64_t size) {
    if (m_written != m_length && ::lseek(m_fd, m_length, SEEK_SET) < 0)
        return false;
    m_written = m_length;
    while (size > 0) {
        const ssize_t n = ::write(m_fd, data, size_t(size));
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0) {
            if (n == 0)
                errno = ENOSPC;
            return false;
        }
        data += n;
        size -= n;
        m_written += n;
        m_length += n;
    }
    return true;
}

bool SparseFileWriter::Write(std::span<const char> data) {
    const char* at = data.data();
    int64_t left = int64_t(data.size());
    while (left > 0) {
        // Pages are judged by their place in the file, whatever the pieces the data comes in.
        const int64_t toPageEnd = PageSize - m_length % PageSize;
        const int64_t size = std::min(left, toPageEnd);
        if (size == PageSize && AllZero(at, size)) {
            m_length += size;
        } else if (!WriteRun(at, size)) {
            return false;
        }
        at += size;
        left -= size;
    }
    return true;
}

bool SparseFileWriter::Finish() {
    if (m_written == m_length)
        return true;
    if (::ftruncate(m_fd, m_length) != 0)
        return false;
    m_written = m_length;
    return true;
}

} // namespace orvane
