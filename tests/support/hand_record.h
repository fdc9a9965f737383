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
    // A filler as the writer lays it: zeros up to the end of the block, in place of Data, and no
    // entry in the catalog.
    bool Filler = false;
};

// Puts the record's header (dated `date`) and data into the stream.
inline void WriteHandRecord(ArchiveContext& ctx, TapeHandlePtr& handle, const HandRecord& record,
                            double date) {
    TapeFileHeader header;
    header.Path = record.Path;
    if (record.Filler) {
        const int64_t dataStart = (ctx.Stream.Offset() + TapeFileHeader::Size) % 32768;
        HandRecord filler = record;
        filler.Filler = false;
        filler.Data = QByteArray(qsizetype(32768 - dataStart), '\0');
        WriteHandRecord(ctx, handle, filler, date);
        return;
    }
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
