#pragma once

#include "archive_context.h"
#include "backup_writer_state.h"
#include "compression_ahead.h"

#include <QByteArray>
#include <cstdint>
#include <memory>
#include <sys/stat.h>

namespace orvane {

// True when the writer will pack the file at `path` (as lstat found it) with soft compression on:
// an included regular file whose path fits on tape and whose size soft compression applies to.
bool WillBePacked(const ArchiveContext& ctx, const BackupWriterState& state, const QByteArray& path,
                  const struct stat& info);

// A file's archive on its way to tape: held in memory, or in a work file open for reading.
// Empty when the file goes to tape as it is.
class PackedFile {
public:
    PackedFile() = default;
    PackedFile(PackedFile&& other) noexcept;
    PackedFile& operator=(PackedFile&& other) noexcept;
    PackedFile(const PackedFile&) = delete;
    PackedFile& operator=(const PackedFile&) = delete;
    ~PackedFile();

    bool IsPacked() const { return m_inMemory != nullptr || m_descriptor >= 0; }
    uint64_t Length() const { return m_length; }
    // The archive held in memory, or null when it lies in a work file.
    MemoryArchive* InMemory() const { return m_inMemory; }
    // The work file, open for reading; -1 when the archive is held in memory.
    int Descriptor() const { return m_descriptor; }

private:
    friend PackedFile PackForTape(ArchiveContext&, BackupWriterState&, const QByteArray&,
                                  const struct stat&);

    PackedAhead m_ahead;
    std::unique_ptr<MemoryArchive> m_packedHere;
    MemoryArchive* m_inMemory = nullptr;
    int m_descriptor = -1;
    uint64_t m_length = 0;
};

// Packs the file at `path` (fstat found `info`) for the writer: the look-ahead's result when the
// file was packed ahead and has not changed since, else packed here, in memory when it fits and
// in the compression work file otherwise. A failure is told to the operator in the zip
// component's words and leaves the result empty, so that the file goes to tape as it is. A file
// that grew while it was packed gets the same protocol line as a plain record that grows.
PackedFile PackForTape(ArchiveContext& ctx, BackupWriterState& state, const QByteArray& path,
                       const struct stat& info);

} // namespace orvane
