#include "end_marker.h"

#include <cstring>

namespace orvane {

namespace {
constexpr int TagAt = 1;
constexpr int OffsetAt = 7;
constexpr int BlockAt = 11;
} // namespace

void EncodeEndMarker(char* at, const StreamPosition& catalogStart) {
    at[0] = char(EndMarkerTag.size());
    std::memcpy(at + TagAt, EndMarkerTag.data(), size_t(EndMarkerTag.size()));
    std::memcpy(at + OffsetAt, &catalogStart.BlockOffset, 4);
    std::memcpy(at + BlockAt, &catalogStart.BlockCounter, 8);
}

bool IsEndMarkerAt(const char* block, int32_t offset) {
    return offset >= 0 && offset + EndMarkerSize <= int32_t(TapeBlockSize) &&
           block[offset] == char(EndMarkerTag.size()) &&
           std::memcmp(block + offset + TagAt, EndMarkerTag.data(), size_t(EndMarkerTag.size())) ==
               0;
}

bool IsEndMarkerPath(const QByteArray& path) {
    return path.contains(EndMarkerTag);
}

std::optional<StreamPosition> FindMarkerInBlock(const char* block) {
    std::optional<StreamPosition> found;
    // Every tag position at which the fields after it still lie inside the block.
    for (int i = 0; i <= int(TapeBlockSize) - (EndMarkerSize - TagAt); ++i) {
        if (block[i] != EndMarkerTag[0] ||
            std::memcmp(block + i, EndMarkerTag.data(), size_t(EndMarkerTag.size())) != 0)
            continue;
        StreamPosition position;
        std::memcpy(&position.BlockOffset, block + i + (OffsetAt - TagAt), 4);
        std::memcpy(&position.BlockCounter, block + i + (BlockAt - TagAt), 8);
        found = position;
    }
    return found;
}

} // namespace orvane
