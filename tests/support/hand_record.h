#pragma once

#include "archive/archive_context.h"
#include "archive/tape_records.h"
#include "tape/block_stream.h"

#include <QByteArray>
#include <algorithm>
#include <cstdint>

namespace orvane::test {

// A file record written by hand: path and data as they go on tape.
struct HandRecord {
    QByteArray Path;
    QByteArray Data;
    bool Compressed = false;
    uint64_t DeclaredLength = UINT64_MAX; // the header's length when it should lie
};

// Puts the record's header (dated `date`) and data into the stream.
inline void WriteHandRecord(ArchiveContext& ctx, TapeHandlePtr& handle, const HandRecord& record,
                            double date) {
    TapeFileHeader header;
    header.Path = record.Path;
    header.DataLength =
        record.DeclaredLength == UINT64_MAX ? uint64_t(record.Data.size()) : record.DeclaredLength;
    header.Date = date;
    header.Compressed = record.Compressed;
    char bytes[TapeFileHeader::Size];
    header.Encode(bytes);
    WriteStream(ctx, handle, bytes, TapeFileHeader::Size);
    for (qsizetype at = 0; at < record.Data.size(); at += 32768)
        WriteStream(ctx, handle, record.Data.constData() + at,
                    int32_t(std::min<qsizetype>(32768, record.Data.size() - at)));
}

} // namespace orvane::test
