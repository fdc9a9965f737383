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
    return path == EndMarkerTag;
}

std::optional<StreamPosition> FindMarkerInBlock(const char* block) {
    std::optional<StreamPosition> found;
    for (int32_t at = 0; at + EndMarkerSize <= int32_t(TapeBlockSize); ++at) {
        if (!IsEndMarkerAt(block, at))
            continue;
        StreamPosition position;
        std::memcpy(&position.BlockOffset, block + at + OffsetAt, 4);
        std::memcpy(&position.BlockCounter, block + at + BlockAt, 8);
        found = position;
    }
    return found;
}

} // namespace orvane
