#pragma once

#include "tape_description.h"

#include <cstdint>

namespace orvane {

class OperatorInterface;
class ProtocolLog;
class TapeDevice;

// The state that the tape layer shares with everything above it: the operator, the protocol,
// the drive, the cancel signal and the drive facts of the last probe. Higher layers extend it.
struct TapeContext {
    TapeContext(OperatorInterface& op, ProtocolLog& protocol, TapeDevice& drive)
        : op(op), protocol(protocol), drive(drive) {}
    TapeContext(const TapeContext&) = delete;
    TapeContext& operator=(const TapeContext&) = delete;

    OperatorInterface& op;
    ProtocolLog& protocol;
    TapeDevice& drive;

    // Raised by the Cancel buttons and by every reported tape error; cleared at each job start.
    bool CancelFlag = false;
    bool BackupRunning = false;

    // Written only by ProbeTapeDrive.
    int32_t PositionMethod = 1;
    int32_t PositionType = 0;
    int64_t BlockLimit = 0;

    TapeDescription CurrentTapeDescription;
};

} // namespace orvane
