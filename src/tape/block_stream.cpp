#include "block_stream.h"

#include "platform/result_code.h"
#include "tape_access.h"
#include "tape_set.h"

#include <algorithm>
#include <cstring>

namespace orvane {

namespace {
constexpr int32_t BlockBytes = int32_t(TapeBlockSize);
} // namespace

bool BlockStream::SetPosition(const StreamPosition& position) {
    if (position.BlockOffset < 0 || position.BlockOffset > BlockBytes || position.BlockCounter < 0)
        return false;
    m_offset = position.BlockOffset;
    m_counter = position.BlockCounter;
    return true;
}

void BlockStream::StartBlock(int64_t counter) {
    m_offset = 0;
    m_counter = counter;
}

std::span<char> BlockStream::Room() {
    return m_block.Bytes().subspan(size_t(m_offset));
}

std::span<const char> BlockStream::Unread() const {
    return m_block.Bytes().subspan(size_t(m_offset));
}

void BlockStream::Advance(int32_t length) {
    m_offset = std::min(m_offset + length, BlockBytes);
}

void BlockStream::ClearRest() {
    std::ranges::fill(Room(), 0);
}

namespace {

void WriteBlock(TapeContext& ctx, TapeHandlePtr& handle) {
    if (!handle) {
        // A tape change was given up: the run ends at its next look at CancelFlag.
        if (!ctx.CancelFlag) {
            LogTapeError(ctx, ResultCode::InvalidHandle);
        }
        return;
    }
    if (ctx.WriteFailed)
        return;
    if (const ResultCode code = handle->WriteBlock(ctx.Stream.Block().Data(), TapeBlockSize);
        code != ResultCode::Success) {
        ctx.WriteFailed = true;
        LogTapeError(ctx, code);
    }
}

// The block is full and more bytes follow: it goes to tape and the stream moves to the next one.
void FlushFullBlock(TapeContext& ctx, TapeHandlePtr& handle) {
    WriteBlock(ctx, handle);
    ctx.Stream.StartBlock(ctx.Stream.Counter() + 1);
    // Without a handle the operator has given up the set: no further tape is asked for.
    if (ctx.BlockLimit > 0 && ctx.Stream.Counter() >= ctx.BlockLimit && handle)
        ChangeTapeForWrite(ctx, handle);
}

// The current block is used up and more bytes are wanted: the next one is read. False at the end
// of data (the block's bytes are then not valid).
bool RefillBlock(TapeContext& ctx, TapeHandlePtr& handle) {
    bool result = true;
    const int64_t next = ctx.Stream.Counter() + 1;
    if (!handle || ctx.ReadFailed) {
        result = false;
    } else if (const ResultCode code = handle->ReadBlock(ctx.Stream.Block().Data(), TapeBlockSize);
               code != ResultCode::Success) {
        result = false;
        // A block the drive could not deliver whole holds no bytes of the tape: the record in
        // it must not be taken as read, and nothing behind it can be found without it.
        // A filemark ends the data as well: Orvane writes none, and the ones "Set Filemarks"
        // leaves mean that the tape holds no data.
        if (code != ResultCode::NoDataDetected && code != ResultCode::FilemarkDetected) {
            std::ranges::fill(ctx.Stream.Block().Bytes(), 0);
            ctx.ReadFailed = true;
            LogTapeError(ctx, code, QStringLiteral("(tape block %1)").arg(next));
        }
    }
    ctx.Stream.StartBlock(next);
    if (ctx.BlockLimit > 0 && ctx.Stream.Counter() >= ctx.BlockLimit && handle)
        ChangeTapeForRead(ctx, handle);
    return result;
}

} // namespace

void WriteStream(TapeContext& ctx, TapeHandlePtr& handle, const char* source, int32_t length) {
    BlockStream& stream = ctx.Stream;
    if (stream.Offset() + length > BlockBytes) {
        const std::span<char> room = stream.Room();
        std::memcpy(room.data(), source, room.size());
        stream.Advance(int32_t(room.size()));
        FlushFullBlock(ctx, handle);
        source += room.size();
        length -= int32_t(room.size());
    }
    // No bytes may come without a buffer at all, which memcpy must not be given.
    if (length > 0)
        std::memcpy(stream.Room().data(), source, size_t(length));
    stream.Advance(length);
}

std::span<char> WritableStreamRoom(TapeContext& ctx, TapeHandlePtr& handle) {
    if (ctx.Stream.Offset() >= BlockBytes)
        FlushFullBlock(ctx, handle);
    return ctx.Stream.Room();
}

void CommitStreamRoom(TapeContext& ctx, int32_t length) {
    ctx.Stream.Advance(length);
}

bool ReadStream(TapeContext& ctx, TapeHandlePtr& handle, char* destination, int32_t length) {
    BlockStream& stream = ctx.Stream;
    bool result = true;
    if (stream.Offset() + length > BlockBytes) {
        const std::span<const char> rest = stream.Unread();
        std::memcpy(destination, rest.data(), rest.size());
        result = RefillBlock(ctx, handle);
        destination += rest.size();
        length -= int32_t(rest.size());
    }
    if (length > 0)
        std::memcpy(destination, stream.Unread().data(), size_t(length));
    stream.Advance(length);
    return result;
}

std::span<const char> ReadStreamInPlace(TapeContext& ctx, TapeHandlePtr& handle, int32_t length) {
    if (ctx.Stream.Offset() >= BlockBytes && !RefillBlock(ctx, handle))
        return {};
    const std::span<const char> piece =
        ctx.Stream.Unread().first(size_t(std::min(length, BlockBytes - ctx.Stream.Offset())));
    ctx.Stream.Advance(int32_t(piece.size()));
    return piece;
}

ResultCode LoadStreamBlock(TapeContext& ctx, TapeHandle& handle, int32_t offset) {
    if (offset < 0 || offset > BlockBytes)
        return ResultCode::InvalidParameter;
    const ResultCode code = handle.ReadBlock(ctx.Stream.Block().Data(), TapeBlockSize);
    const int64_t counter = std::max<int64_t>(ReadTapePosition(ctx, handle), 0);
    if (code != ResultCode::Success && code != ResultCode::NoDataDetected &&
        code != ResultCode::FilemarkDetected) {
        // As in RefillBlock: the bytes of a failed read are none of the tape's.
        std::ranges::fill(ctx.Stream.Block().Bytes(), 0);
        ctx.ReadFailed = true;
        LogTapeError(ctx, code,
                     counter > 0 ? QStringLiteral("(tape block %1)").arg(counter - 1) : QString());
    }
    if (code == ResultCode::FilemarkDetected) // no data here: nothing of an old block stays
        std::ranges::fill(ctx.Stream.Block().Bytes(), 0);
    const bool placed = ctx.Stream.SetPosition({offset, 0, counter});
    return placed ? code : ResultCode::InvalidParameter;
}

} // namespace orvane
