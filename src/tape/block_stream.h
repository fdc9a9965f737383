#pragma once

#include "tape_access.h"

#include <cstdint>

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

// Reads the block the drive stands on into BlockBuffer and makes it the stream's current
// block, offset `offset`; the counter becomes the drive's position after the read.
uint32_t LoadStreamBlock(TapeContext& ctx, TapeHandle& handle, int32_t offset);

} // namespace orvane
