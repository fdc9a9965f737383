#pragma once

#include "archive/tape_reader.h"
#include "tape/tape_access.h"

#include <QByteArray>

namespace orvane {

struct ArchiveContext;

// Puts the stream at the first file record of the loaded tape (block 1, block 0 on an older
// tape without description block) for a read of the whole set: rewind, open, first block.
// Null when the drive cannot be used (reported on the way).
TapeHandlePtr OpenStreamAtFirstRecord(ArchiveContext& ctx);

// ReadFileRecord for the runs that walk a set to its end. A set whose data ends before its end
// marker (a backup that broke off, a damaged tape) is reported once in words, so that the end
// is never taken for a complete set in silence.
QByteArray ReadNextRecord(ArchiveContext& ctx, TapeHandlePtr& handle, bool skip, bool unpack);
QByteArray ReadNextRecord(ArchiveContext& ctx, TapeHandlePtr& handle,
                          const RecordSinkChooser& choose);

// After a read broken off by a cancel or a tape error, removes the partial work copy of the
// record that was being read.
void RemoveBrokenWorkCopy(ArchiveContext& ctx);

} // namespace orvane
