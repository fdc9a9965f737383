#pragma once

#include "block_stream.h"

#include <QByteArray>
#include <QByteArrayView>
#include <optional>

namespace orvane {

// The 19-byte end marker: the length byte 6 and the tag (together a short string, so that a
// reader meets it where the next record header would begin), then the catalog start's block
// offset (32-bit) and block number (64-bit). With offset and block 0 it is the tape-full marker
// of a full tape.
constexpr QByteArrayView EndMarkerTag("XENDEX");
constexpr int EndMarkerSize = 19;

void EncodeEndMarker(char* at, const StreamPosition& catalogStart);
// Whether a whole end marker starts at `offset` of the block.
bool IsEndMarkerAt(const char* block, int32_t offset);
// Whether a record header was read at the end marker: its path is exactly the marker's tag (the
// length byte 6 and the six tag bytes). A path that merely holds the tag is a file's.
bool IsEndMarkerPath(const QByteArray& path);
// The last marker that lies whole in the block, if any.
std::optional<StreamPosition> FindMarkerInBlock(const char* block);

} // namespace orvane
