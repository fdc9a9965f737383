#pragma once

#include "block_stream.h"

#include <optional>

namespace orvane {

// The 19-byte end marker: 6, "XENDEX", the catalog start's block offset (32-bit) and block
// number (64-bit). With offset and block 0 it is the tape-full marker of a full tape.
constexpr int EndMarkerSize = 19;

void EncodeEndMarker(char* at, const StreamPosition& catalogStart);
// The last marker that lies whole in the block, if any.
std::optional<StreamPosition> FindMarkerInBlock(const char* block);

} // namespace orvane
