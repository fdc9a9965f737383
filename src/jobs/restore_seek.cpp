#include "restore_seek.h"

#include "archive/kept_catalog.h"
#include "archive/tape_records.h"
#include "session.h"
#include "tape/tape_set.h"

#include <QFile>

namespace orvane {

namespace {

constexpr int64_t BlockBytes = TapeBlockSize;

// A position as one number of bytes from the tape's start; a full block's end equals the next
// block's start.
int64_t TapeByte(const StreamPosition& position) {
    return position.BlockCounter * BlockBytes + position.BlockOffset;
}

bool Plausible(const StreamPosition& end) {
    return end.BlockOffset >= 0 && end.BlockOffset <= int32_t(BlockBytes) && end.BlockCounter >= 1;
}

// A header in the current block or the next is read on to; any further one is positioned to, so
// that a jump reads hardly more than the record.
constexpr int64_t PositioningBlocks = 1;

// Passes over `length` bytes of the stream, refilling (and changing tapes) as reading does.
bool SkipBytes(Session& session, TapeHandlePtr& handle, int64_t length) {
    while (length > 0) {
        const std::span<const char> piece =
            ReadStreamInPlace(session, handle, int32_t(std::min<int64_t>(length, BlockBytes)));
        if (piece.empty())
            return false;
        length -= int64_t(piece.size());
    }
    return true;
}

// The header at the stream's place, read without taking it from the stream. Only a header that
// lies whole in the current block can be looked at so; any other is read and the block loaded
// again.
std::optional<TapeFileHeader> PeekHeader(Session& session, TapeHandlePtr& handle,
                                         const RecordPlace& place, int tape) {
    const BlockStream& stream = session.Stream;
    if (stream.Offset() + TapeFileHeader::Size <= int32_t(BlockBytes))
        return TapeFileHeader::Decode(stream.Block().Data() + stream.Offset());
    char bytes[TapeFileHeader::Size];
    if (!ReadStream(session, handle, bytes, TapeFileHeader::Size) || !handle ||
        session.CurrentTapeDescription.TapeNumber != tape)
        return std::nullopt; // a header split across two tapes is left to the walk
    MoveHandleToBlock(session, *handle, place.Start.BlockCounter);
    if (LoadStreamBlock(session, *handle, place.Start.BlockOffset) != ResultCode::Success)
        return std::nullopt;
    return TapeFileHeader::Decode(bytes);
}

} // namespace

std::optional<std::vector<RecordPlace>>
PlacesFromKeptCatalog(Session& session, const std::function<bool(const QByteArray&)>& wanted) {
    const QString path = KeptCatalogFor(session, session.CurrentTapeDescription.Date);
    QFile catalog(path);
    if (path.isEmpty() || !catalog.open(QIODevice::ReadOnly) ||
        catalog.size() % CatalogRecord::Size != 0)
        return std::nullopt;
    std::vector<RecordPlace> places;
    StreamPosition start{0, 0, 1};
    int changes = 0;
    constexpr qint64 RecordsPerRead = 4096;
    while (!catalog.atEnd()) {
        const QByteArray chunk = catalog.read(RecordsPerRead * CatalogRecord::Size);
        if (chunk.isEmpty() || chunk.size() % CatalogRecord::Size != 0)
            return std::nullopt;
        for (qsizetype at = 0; at < chunk.size(); at += CatalogRecord::Size) {
            const CatalogRecord record = CatalogRecord::Decode(chunk.constData() + at);
            if (!Plausible(record.End))
                return std::nullopt;
            // The tape changes inside a picked record are the reader's own.
            if (wanted(record.Path)) {
                places.push_back({record.Path, changes, start, record.End, record.End});
                changes = 0;
            } else if (TapeByte(record.End) < TapeByte(start)) {
                ++changes;
            }
            start = record.End;
        }
    }
    for (size_t i = places.size(); i-- > 1;) {
        RecordPlace& before = places[i - 1];
        if (places[i].TapeChanges == 0 && places[i].Start == before.End)
            before.ReadTo = places[i].ReadTo;
    }
    return places;
}

bool SeekRecord(Session& session, TapeHandlePtr& handle, const RecordPlace& place, int tape) {
    if (!handle)
        return false;
    if (tape != session.CurrentTapeDescription.TapeNumber) {
        ChangeTapeForRead(session, handle, tape);
        if (!handle || session.CancelFlag)
            return false;
    }
    // The last byte to read lies in the block before the end when the end starts a block.
    BlockStream& stream = session.Stream;
    stream.LimitRunsTo(place.ReadTo.BlockCounter - (place.ReadTo.BlockOffset == 0 ? 1 : 0));
    // Where the reader stands, as the writer counts: the byte after the last one taken.
    const StreamPosition here{stream.Offset(), 0, stream.Counter() - 1};
    const int64_t ahead = TapeByte(place.Start) - TapeByte(here);
    if (ahead >= 0 && ahead <= PositioningBlocks * BlockBytes && stream.Counter() > 0) {
        if (!SkipBytes(session, handle, ahead))
            return false;
    } else {
        MoveHandleToBlock(session, *handle, place.Start.BlockCounter);
        if (LoadStreamBlock(session, *handle, place.Start.BlockOffset) != ResultCode::Success)
            return false;
    }
    const std::optional<TapeFileHeader> header = PeekHeader(session, handle, place, tape);
    return header && header->Path == place.Path;
}

} // namespace orvane
