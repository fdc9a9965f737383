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
    DropRun();
    return true;
}

void BlockStream::StartBlock(int64_t counter) {
    m_offset = 0;
    m_counter = counter;
    DropRun();
}

void BlockStream::NextBlock() {
    m_offset = 0;
    ++m_counter;
}

void BlockStream::QueueBlock() {
    if (m_queued == 0)
        m_queueStart = m_counter;
    std::memcpy(RunRoom(StreamRunBlocks) + size_t(m_queued) * TapeBlockSize, m_block.Data(),
                TapeBlockSize);
    ++m_queued;
}

char* BlockStream::RunRoom(uint32_t count) {
    if (m_run.size() < size_t(count) * TapeBlockSize)
        m_run.resize(size_t(StreamRunBlocks) * TapeBlockSize);
    return m_run.data();
}

void BlockStream::HoldRun(uint32_t delivered, ResultCode answer) {
    m_held = delivered;
    m_taken = 0;
    m_runAnswer.reset();
    if (answer != ResultCode::Success)
        m_runAnswer = answer;
}

std::optional<ResultCode> BlockStream::TakeFromRun() {
    if (m_taken < m_held) {
        std::memcpy(m_block.Data(), m_run.data() + size_t(m_taken) * TapeBlockSize, TapeBlockSize);
        ++m_taken;
        return ResultCode::Success;
    }
    const std::optional<ResultCode> answer = m_runAnswer;
    m_runAnswer.reset();
    return answer;
}

void BlockStream::DropRun() {
    m_held = 0;
    m_taken = 0;
    m_runAnswer.reset();
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

// Sends the queued blocks to the drive in one command. A failure names the first block that
// did not reach the tape; the blocks before it are there.
void WriteRun(TapeContext& ctx, TapeHandlePtr& handle) {
    BlockStream& stream = ctx.Stream;
    const uint32_t count = stream.QueuedBlocks();
    if (count == 0)
        return;
    stream.ClearQueue();
    if (!handle) {
        // A tape change was given up: the run ends at its next look at CancelFlag.
        if (!ctx.CancelFlag) {
            LogTapeError(ctx, ResultCode::InvalidHandle);
        }
        return;
    }
    if (ctx.WriteFailed)
        return;
    uint32_t done = 0;
    if (const ResultCode code = handle->WriteBlocks(stream.QueuedData(), count, done);
        code != ResultCode::Success) {
        ctx.WriteFailed = true;
        LogTapeError(ctx, code, QStringLiteral("(tape block %1)").arg(stream.QueueStart() + done));
    }
}

// The block is full and more bytes follow: it joins the run and the stream moves to the next
// one. The run goes to tape when it is full and always before the tape-full marker.
void FlushFullBlock(TapeContext& ctx, TapeHandlePtr& handle) {
    ctx.Stream.QueueBlock();
    ctx.Stream.NextBlock();
    const bool atLimit = ctx.BlockLimit > 0 && ctx.Stream.Counter() >= ctx.BlockLimit;
    if (atLimit || ctx.Stream.QueuedBlocks() >= StreamRunBlocks)
        WriteRun(ctx, handle);
    // Without a handle the operator has given up the set: no further tape is asked for.
    if (atLimit && handle)
        ChangeTapeForWrite(ctx, handle);
}

// Reads the next run into the stream, no further than the last data block of the tape, and
// takes its first block; the drive's answer when not even that one came.
ResultCode ReadRun(TapeContext& ctx, TapeHandle& handle) {
    BlockStream& stream = ctx.Stream;
    int64_t count = StreamRunBlocks;
    if (ctx.BlockLimit > 0)
        count = std::clamp<int64_t>(ctx.BlockLimit - stream.Counter(), 1, count);
    uint32_t done = 0;
    const ResultCode code =
        handle.ReadBlocks(stream.RunRoom(uint32_t(count)), uint32_t(count), done);
    if (done == 0)
        return code == ResultCode::Success ? ResultCode::NoDataDetected : code;
    stream.HoldRun(done, code);
    return stream.TakeFromRun().value_or(ResultCode::Success);
}

// The current block is used up and more bytes are wanted: the next one comes from the run, or
// from the drive. False at the end of data (the block's bytes are then not valid).
bool RefillBlock(TapeContext& ctx, TapeHandlePtr& handle) {
    const int64_t block = ctx.Stream.Counter();
    ResultCode code = ResultCode::InvalidHandle;
    if (!handle || ctx.ReadFailed) {
        ctx.Stream.DropRun();
    } else {
        const std::optional<ResultCode> held = ctx.Stream.TakeFromRun();
        code = held ? *held : ReadRun(ctx, *handle);
    }
    const bool result = code == ResultCode::Success;
    if (!result && handle && !ctx.ReadFailed) {
        // A block the drive could not deliver whole holds no bytes of the tape: the record in
        // it must not be taken as read, and nothing behind it can be found without it.
        // A filemark ends the data as well: Orvane writes none, and the ones "Set Filemarks"
        // leaves mean that the tape holds no data.
        if (code != ResultCode::NoDataDetected && code != ResultCode::FilemarkDetected) {
            std::ranges::fill(ctx.Stream.Block().Bytes(), 0);
            ctx.ReadFailed = true;
            LogTapeError(ctx, code, QStringLiteral("(tape block %1)").arg(block));
        }
    }
    ctx.Stream.NextBlock();
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

void FlushStreamRun(TapeContext& ctx, TapeHandlePtr& handle) {
    WriteRun(ctx, handle);
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
