#pragma once

#include "archive_context.h"

#include <optional>

namespace orvane {

// The catalog record must lie whole on the last tape of a set, together with the end marker
// after it, because the end marker is looked for on the last tape only and tells where the
// catalog begins; and a reader walking the records must meet the marker before it turns to
// the next tape, which it does once it has read the tape's last data block. When that would
// not be so on the current tape, a filler record first fills the rest of it.

// The data length of the filler record that moves a record of `recordBytes` (header and data)
// onto the next tape, or nothing when the record and the end marker fit where the stream stands
// `at`. Nothing, too, without a known block limit or when no tape could hold them anyway.
std::optional<uint64_t> FillerLength(const StreamPosition& at, int64_t blockLimit,
                                     uint64_t recordBytes);

// Writes the filler record: WorkDirectory + "orvane filler.dat", `length` zero bytes, no
// catalog record.
void WriteFillerRecord(ArchiveContext& ctx, TapeHandlePtr& handle, uint64_t length);

// Where a record written next begins: the block that will hold its first byte and its offset
// there. A full block means the start of the next block, and at the end of a tape that is
// block 1 of the next tape.
StreamPosition NextRecordStart(const TapeContext& ctx);

} // namespace orvane
