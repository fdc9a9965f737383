#pragma once

#include "tape/block_stream.h"

#include <QByteArray>
#include <cstdint>
#include <optional>

namespace orvane {

// The record before every file's data in the stream.
struct TapeFileHeader {
    static constexpr int Size = 296;
    // Longer paths never go to tape: the writer skips them rather than store a cut name.
    static constexpr int MaxPathBytes = 255;

    QByteArray Path;         // the full path as the walk formed it, at most MaxPathBytes
    uint64_t DataLength = 0; // bytes 272..279; the high half is zero below 4 GiB
    double Date = 0;         // last modification, days since 30 December 1899
    bool Compressed = false; // the data is a zip archive holding the file
    // The file's permission bits (bytes 290..291, recorded when byte 289 is 1). Tapes written
    // without them leave the restored file's permissions to the umask.
    std::optional<uint16_t> Permissions;
    // Byte 292: a user's file (0, every tape before entry metadata), or the set's metadata record
    // (1), which is never listed, restored or compared as a file.
    enum class RecordKind : uint8_t { File = 0, Metadata = 1 };
    RecordKind Kind = RecordKind::File;
    // The catalog's header names where the set's metadata record begins (byte 293 is 1): bytes
    // 256..259 the offset, 264..271 the block, 260 the tape number. Zero on every other record.
    struct Place {
        StreamPosition At;
        uint8_t TapeNumber = 0;
    };
    std::optional<Place> MetadataRecord;

    void Encode(char* bytes) const;
    static TapeFileHeader Decode(const char* bytes);
};

// One entry of the catalog file: a file's path and the stream position right after its data.
struct CatalogRecord {
    static constexpr int Size = 272;

    QByteArray Path;
    StreamPosition End;

    void Encode(char* bytes) const;
    static CatalogRecord Decode(const char* bytes);
};

// The file-name part of a tape path: after the last '/' (or '\' of a drive-letter path).
QByteArray FileNamePart(const QByteArray& tapePath);

} // namespace orvane
