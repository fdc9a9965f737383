#pragma once

#include <cstdint>
#include <span>

namespace orvane {

// Writes a restored file's data in order to an open descriptor, passing over every whole page of
// zeros instead of writing it, so that a file that was sparse comes back sparse where its data is
// zero. The bytes read back are the same either way.
class SparseFileWriter {
public:
    static constexpr int64_t PageSize = 4096;

    explicit SparseFileWriter(int fd) : m_fd(fd) {}

    // False after a failed write or seek; errno tells why.
    bool Write(std::span<const char> data);
    // Gives the file its full length where it ends in a hole. False on failure (errno).
    bool Finish();

private:
    bool WriteRun(const char* data, int64_t size);

    int m_fd;
    int64_t m_length = 0;  // bytes handed over so far
    int64_t m_written = 0; // the file's offset: where the next written byte goes
};

} // namespace orvane
