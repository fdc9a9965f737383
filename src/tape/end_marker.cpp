#include "end_marker.h"

#include <cstring>

namespace orvane {

void EncodeEndMarker(char* at, const StreamPosition& catalogStart) {
    at[0] = 6;
    std::memcpy(at + 1, "XENDEX", 6);
    std::memcpy(at + 7, &catalogStart.BlockOffset, 4);
    std::memcpy(at + 11, &catalogStart.BlockCounter, 8);
}

std::optional<StreamPosition> FindMarkerInBlock(const char* block) {
    std::optional<StreamPosition> found;
    // Start positions 0..32750 of "XENDEX": the fields after it must lie inside the block.
    for (int i = 0; i <= int(TapeBlockSize) - 18; ++i) {
        if (block[i] != 'X' || std::memcmp(block + i, "XENDEX", 6) != 0)
            continue;
        StreamPosition position;
        std::memcpy(&position.BlockOffset, block + i + 6, 4);
        std::memcpy(&position.BlockCounter, block + i + 10, 8);
        found = position;
    }
    return found;
}

} // namespace orvane
