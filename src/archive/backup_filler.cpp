#include "backup_filler.h"

#include "backup_file_record.h"
#include "backup_inclusion.h"
#include "platform/path_bytes.h"
#include "tape/end_marker.h"
#include "tape/tape_date.h"

#include <QDateTime>
#include <QFile>

namespace orvane {

namespace {
constexpr int64_t Block = TapeBlockSize;
constexpr int64_t HeaderBytes = TapeFileHeader::Size;
} // namespace

std::optional<uint64_t> FillerLength(const StreamPosition& at, int64_t blockLimit,
                                     uint64_t recordBytes) {
    if (blockLimit <= 3)
        return std::nullopt;
    // Stream bytes counted from the start of block 1; a tape's data blocks are 1..limit-1.
    const int64_t start = (at.BlockCounter - 1) * Block + at.BlockOffset;
    const int64_t dataEnd = (blockLimit - 1) * Block;
    // A reader turns to the next tape as soon as it has read block limit-1, so on the last
    // tape everything it reads must end before that block: the record, the end marker, and
    // the header's worth of bytes it takes where the marker lies before it sees the marker.
    const int64_t lastTapeEnd = dataEnd - Block;
    const int64_t recordEnd = start + int64_t(recordBytes);
    // The end marker goes right after the record, or to the next block when it would not fit
    // whole in the record's last block.
    const int64_t usedInLastBlock = (recordEnd - 1) % Block + 1;
    const int64_t markerStart =
        usedInLastBlock + EndMarkerSize > Block ? recordEnd - usedInLastBlock + Block : recordEnd;
    if (markerStart + HeaderBytes <= lastTapeEnd)
        return std::nullopt;
    // On a fresh tape the record begins at the latest in block 2 (below).
    if (int64_t(recordBytes) + HeaderBytes + Block > lastTapeEnd)
        return std::nullopt;
    const int64_t room = dataEnd - start;
    // The filler ends with this tape. Where even its header does not fit any more, it runs on
    // to the end of block 1 of the next tape.
    return uint64_t(room >= HeaderBytes ? room - HeaderBytes : room + Block - HeaderBytes);
}

void WriteFillerRecord(ArchiveContext& ctx, TapeHandlePtr& handle, uint64_t length) {
    TapeFileHeader header;
    header.Path = PathToBytes(ctx.Paths.WorkDirectory) + FillerFileName;
    header.DataLength = length;
    header.Date = ToTapeDate(QDateTime::currentDateTime());
    char headerBytes[TapeFileHeader::Size];
    header.Encode(headerBytes);
    ctx.Counters.TapeBytes += int64_t(length) + HeaderBytes;
    WriteStream(ctx, handle, headerBytes, TapeFileHeader::Size);
    WriteZeros(ctx, handle, length);
}

StreamPosition NextRecordStart(const TapeContext& ctx) {
    StreamPosition position = ctx.Stream.Position();
    if (position.BlockOffset < int32_t(Block))
        return position;
    position.BlockOffset = 0;
    position.BlockCounter += 1;
    if (ctx.BlockLimit > 0 && position.BlockCounter >= ctx.BlockLimit)
        position.BlockCounter = 1;
    return position;
}

} // namespace orvane
