#pragma once

#include "tape_access.h"

#include <cstdint>
#include <span>

namespace orvane {

// Where the stream stands: the offset in the current block and the block's number. Stored in
// the end marker and in every catalog record.
struct StreamPosition {
    int32_t BlockOffset = 0;
    int32_t Reserved = 0;
    int64_t BlockCounter = 0;

    bool operator==(const StreamPosition&) const = default;
};

StreamPosition CurrentStreamPosition(const TapeContext& ctx);
void SetStreamPosition(TapeContext& ctx, const StreamPosition& position);

// Appends length (0..32768) bytes to the stream. A full block goes to tape when more bytes
// arrive; at the block limit the set continues on the next tape (the handle is replaced).
void WriteStream(TapeContext& ctx, TapeHandlePtr& handle, const char* source, int32_t length);
// Takes length (0..32768) bytes from the stream; false when a refill found the end of data
// (the bytes are then not valid).
bool ReadStream(TapeContext& ctx, TapeHandlePtr& handle, char* destination, int32_t length);

// Bulk data goes through the current block in place, so that file bytes are not copied on the
// way between the disk and the drive. The writer fills the room of the current block and then
// commits what it filled; a full block goes to tape (with a tape change at the block limit) only
// when the next room is asked for, as with WriteStream.
std::span<char> WritableStreamRoom(TapeContext& ctx, TapeHandlePtr& handle);
void CommitStreamRoom(TapeContext& ctx, int32_t length);
// The next bytes of the stream, at most `length` (> 0) and no further than the end of the current
// block, in place; the block is refilled first when used up. Empty when the refill found the end
// of data, as ReadStream's false.
std::span<const char> ReadStreamInPlace(TapeContext& ctx, TapeHandlePtr& handle, int32_t length);

// Reads the block the drive stands on into BlockBuffer and makes it the stream's current
// block, offset `offset`; the counter becomes the drive's position after the read.
ResultCode LoadStreamBlock(TapeContext& ctx, TapeHandle& handle, int32_t offset);

} // namespace orvane
