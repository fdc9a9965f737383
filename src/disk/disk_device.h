#pragma once

#include <QString>
#include <cstdint>
#include <span>

namespace orvane {

// An open disk: a whole-disk block device or an image file, read and written at byte offsets.
// Errors leave the system's text in ErrorText().
class DiskDevice {
public:
    enum class Access { Read, WriteExclusive };

    DiskDevice() = default;
    DiskDevice(const DiskDevice&) = delete;
    DiskDevice& operator=(const DiskDevice&) = delete;
    ~DiskDevice();

    // WriteExclusive opens a block device with O_EXCL: the kernel then refuses a device whose
    // file system is mounted or that another program holds exclusively, before a byte is written.
    bool Open(const QString& path, Access access);
    void Close();
    bool IsOpen() const { return m_fd >= 0; }
    bool IsBlockDevice() const { return m_blockDevice; }

    // The device's size in bytes and its logical sector size (512 for an image file).
    int64_t ByteCount() const { return m_bytes; }
    uint32_t SectorSize() const { return m_sectorSize; }

    // Reads or writes all of `data` at `offset`; false on an error or a short transfer.
    bool ReadAt(int64_t offset, std::span<char> data);
    bool WriteAt(int64_t offset, std::span<const char> data);
    // Flushes what was written to the device; false with the error when it cannot.
    bool Flush();

    const QString& ErrorText() const { return m_error; }

private:
    void NoteError(int error);

    int m_fd = -1;
    bool m_blockDevice = false;
    int64_t m_bytes = 0;
    uint32_t m_sectorSize = 512;
    QString m_error;
};

} // namespace orvane
