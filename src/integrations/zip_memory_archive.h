#pragma once

#include "zip_outcome.h"

#include <QByteArray>
#include <QtGlobal>
#include <zip.h>

namespace orvane {

// A finished zip archive that libzip holds in memory, read from its first byte to its last.
// Move-only; the memory goes with the object.
class MemoryArchive {
public:
    MemoryArchive() = default;
    MemoryArchive(MemoryArchive&& other) noexcept;
    MemoryArchive& operator=(MemoryArchive&& other) noexcept;
    MemoryArchive(const MemoryArchive&) = delete;
    MemoryArchive& operator=(const MemoryArchive&) = delete;
    ~MemoryArchive();

    // Takes over one reference to `source`, a buffer source that libzip has written an archive
    // into, and opens it for reading. On failure the source is released and the archive stays
    // null.
    ZipOutcome Adopt(zip_source_t* source);

    bool IsNull() const { return m_source == nullptr; }
    quint64 Size() const { return m_size; }

    // Copies the next bytes, at most `maxLength`, into `into`: the count, 0 at the end, -1 when
    // the bytes cannot be had.
    qint64 Read(char* into, qint64 maxLength);
    // The bytes not read yet, whole.
    QByteArray ReadAll();

private:
    void Release();

    zip_source_t* m_source = nullptr;
    quint64 m_size = 0;
};

} // namespace orvane
