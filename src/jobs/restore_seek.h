#pragma once

#include "tape/block_stream.h"

#include <QByteArray>
#include <functional>
#include <optional>
#include <vector>

namespace orvane {

class Session;

// Where a record of a set lies: the header's first byte and the byte after its data (byte
// BlockOffset of block BlockCounter, counted as the writer counts), and how many tape changes lie
// between the end of the record picked before it (or the set's start) and its header. A change
// shows in the catalog as data that ends before it began; a record longer than a whole tape
// hides one, which the check of the header then finds.
struct RecordPlace {
    QByteArray Path;
    int TapeChanges = 0;
    StreamPosition Start;
    StreamPosition End;
    // The end of the last of the picked records that follow this one without a gap: reading
    // need not stop before it.
    StreamPosition ReadTo;
};

// The records of the loaded set that `wanted` picks, in the order they were written, with their
// places from the catalog kept for the set (the header of a record begins where the data of the
// one before ends). Nothing when no catalog is kept for the set or it cannot be read whole.
std::optional<std::vector<RecordPlace>>
PlacesFromKeptCatalog(Session& session, const std::function<bool(const QByteArray&)>& wanted);

// Brings the stream to the header of `place` on tape `tape` of the set: asks for that tape when
// another one is loaded, reads on when the header lies a few blocks ahead, and positions the
// drive otherwise. True when the header found there is that of the record; false (nothing
// reported) when it is not, and when a tape change was given up (CancelFlag is then raised).
bool SeekRecord(Session& session, TapeHandlePtr& handle, const RecordPlace& place, int tape);

} // namespace orvane
