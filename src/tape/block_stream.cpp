#include "block_stream.h"

#include "platform/result_code.h"
#include "tape_set.h"

#include <algorithm>
#include <cstring>

namespace orvane {

StreamPosition CurrentStreamPosition(const TapeContext& ctx) {
    return {ctx.BlockOffset, 0, ctx.BlockCounter};
}

void SetStreamPosition(TapeContext& ctx, const StreamPosition& position) {
    ctx.BlockOffset = position.BlockOffset;
    ctx.BlockCounter = position.BlockCounter;
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
    if (const ResultCode code = handle->writeBlock(ctx.BlockBuffer.data(), TapeBlockSize);
        code != ResultCode::Success)
        LogTapeError(ctx, code);
}

// The block is full and more bytes follow: it goes to tape and the stream moves to the next one.
void FlushFullBlock(TapeContext& ctx, TapeHandlePtr& handle) {
    WriteBlock(ctx, handle);
    ctx.BlockCounter += 1;
    // Without a handle the operator has given up the set: no further tape is asked for.
    if (ctx.BlockLimit > 0 && ctx.BlockCounter >= ctx.BlockLimit && handle)
        ChangeTapeForWrite(ctx, handle);
    ctx.BlockOffset = 0;
}

// The current block is used up and more bytes are wanted: the next one is read. False at the end
// of data (the block's bytes are then not valid).
bool RefillBlock(TapeContext& ctx, TapeHandlePtr& handle) {
    bool result = true;
    if (!handle) {
        result = false;
    } else if (handle->readBlock(ctx.BlockBuffer.data(), TapeBlockSize) ==
               ResultCode::NoDataDetected) {
        // Only the end of data is told here; other failures show as bad records later.
        result = false;
    }
    ctx.BlockCounter += 1;
    if (ctx.BlockLimit > 0 && ctx.BlockCounter >= ctx.BlockLimit && handle)
        ChangeTapeForRead(ctx, handle);
    ctx.BlockOffset = 0;
    return result;
}

} // namespace

void WriteStream(TapeContext& ctx, TapeHandlePtr& handle, const char* source, int32_t length) {
    if (ctx.BlockOffset + length > int32_t(TapeBlockSize)) {
        const int32_t room = int32_t(TapeBlockSize) - ctx.BlockOffset;
        std::memcpy(ctx.BlockBuffer.data() + ctx.BlockOffset, source, size_t(room));
        ctx.BlockOffset = int32_t(TapeBlockSize);
        FlushFullBlock(ctx, handle);
        source += room;
        length -= room;
    }
    std::memcpy(ctx.BlockBuffer.data() + ctx.BlockOffset, source, size_t(length));
    ctx.BlockOffset += length;
}

std::span<char> WritableStreamRoom(TapeContext& ctx, TapeHandlePtr& handle) {
    if (ctx.BlockOffset >= int32_t(TapeBlockSize))
        FlushFullBlock(ctx, handle);
    return {ctx.BlockBuffer.data() + ctx.BlockOffset, TapeBlockSize - size_t(ctx.BlockOffset)};
}

void CommitStreamRoom(TapeContext& ctx, int32_t length) {
    ctx.BlockOffset += length;
}

bool ReadStream(TapeContext& ctx, TapeHandlePtr& handle, char* destination, int32_t length) {
    bool result = true;
    if (ctx.BlockOffset + length > int32_t(TapeBlockSize)) {
        const int32_t room = int32_t(TapeBlockSize) - ctx.BlockOffset;
        std::memcpy(destination, ctx.BlockBuffer.data() + ctx.BlockOffset, size_t(room));
        result = RefillBlock(ctx, handle);
        destination += room;
        length -= room;
    }
    std::memcpy(destination, ctx.BlockBuffer.data() + ctx.BlockOffset, size_t(length));
    ctx.BlockOffset += length;
    return result;
}

std::span<const char> ReadStreamInPlace(TapeContext& ctx, TapeHandlePtr& handle, int32_t length) {
    if (ctx.BlockOffset >= int32_t(TapeBlockSize) && !RefillBlock(ctx, handle))
        return {};
    const int32_t taken = std::min(length, int32_t(TapeBlockSize) - ctx.BlockOffset);
    const char* start = ctx.BlockBuffer.data() + ctx.BlockOffset;
    ctx.BlockOffset += taken;
    return {start, size_t(taken)};
}

ResultCode LoadStreamBlock(TapeContext& ctx, TapeHandle& handle, int32_t offset) {
    const ResultCode code = handle.readBlock(ctx.BlockBuffer.data(), TapeBlockSize);
    ctx.BlockOffset = offset;
    ctx.BlockCounter = ReadTapePosition(ctx, handle);
    return code;
}

} // namespace orvane
