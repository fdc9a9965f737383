#pragma once

#include "block_stream.h"
#include "tape_description.h"

#include <cstdint>
#include <functional>

namespace orvane {

class OperatorInterface;
class ProtocolLog;
class TapeDevice;

// The state that the tape layer shares with everything above it: the operator, the protocol,
// the drive, the cancel signal and the drive facts of the last probe. Higher layers extend it.
struct TapeContext {
    TapeContext(OperatorInterface& op, ProtocolLog& protocol, TapeDevice& drive)
        : Op(op), Protocol(protocol), Drive(drive) {}
    TapeContext(const TapeContext&) = delete;
    TapeContext& operator=(const TapeContext&) = delete;

    OperatorInterface& Op;
    ProtocolLog& Protocol;
    TapeDevice& Drive;

    // Raised by the Cancel buttons and by every reported tape error; cleared at each job start.
    bool CancelFlag = false;
    bool BackupRunning = false;
    // The operator gave up a tape change: the set has no tape in the drive to go on with.
    bool TapeSetAbandoned = false;
    // A block write failed: where the drive stands is no longer known, so nothing more goes to
    // that tape in this run (a catalog or end marker written now would point at wrong blocks).
    bool WriteFailed = false;
    // A block read failed: the stream has lost its place, so a run reads no further records.
    bool ReadFailed = false;

    // Written only by ProbeTapeDrive.
    int32_t PositionMethod = 1;
    int32_t PositionType = 0;
    int64_t BlockLimit = 0;

    // The current tape description and what the last read of block 0 found.
    TapeDescription CurrentTapeDescription;
    bool DescriptionValid = false;
    // The drive failed to read block 0 at the last look (a blank tape or an empty drive is no
    // failure): what the tape holds is unknown, so no new set may be started over it.
    bool DescriptionUnreadable = false;
    bool LegacyTape = false; // the loaded tape starts its stream at block 0
    // Reads the tape description of an older tape from its first file record; installed by the
    // archive layer, which knows file records.
    std::function<void(TapeDescription&)> ReadLegacyDescription;

    BlockStream Stream;
};

} // namespace orvane
