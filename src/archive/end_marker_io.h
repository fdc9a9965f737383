#pragma once

#include "archive_context.h"

namespace orvane {

// Finds the catalog start in the end marker of the set's last tape, asking for that tape while
// the loaded one does not hold it. A zero position when there is no drive, the operator gave up
// or the marker names a place outside the tape's data (reported); CancelFlag is then raised.
StreamPosition FindEndMarker(ArchiveContext& ctx);
// The report of an end marker whose catalog start cannot be: CancelFlag raised, the protocol and
// the operator told.
void ReportDamagedEndMarker(ArchiveContext& ctx, const StreamPosition& catalogStart);
// Seals the stream: the end marker after the last byte, the last block to tape, the work files
// removed. Neither offset nor counter advance. True when the marker reached the tape.
bool WriteEndMarker(ArchiveContext& ctx, const StreamPosition& catalogStart);

} // namespace orvane
