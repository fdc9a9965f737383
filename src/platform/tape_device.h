#pragma once

#include "result_code.h"

#include <QString>
#include <cstdint>
#include <memory>

namespace orvane {

constexpr uint32_t TapeBlockSize = 32768;

// Operation numbers of the tape interface. They keep the values of the Windows tape API so that
// stored settings and protocol texts mean the same on every backend.
namespace TapePositionMethod {
constexpr uint32_t Rewind = 0;
constexpr uint32_t AbsoluteBlock = 1;
constexpr uint32_t LogicalBlock = 2;
constexpr uint32_t SpaceEndOfData = 4;
constexpr uint32_t SpaceRelativeBlocks = 5;
constexpr uint32_t SpaceFilemarks = 6;
} // namespace TapePositionMethod

namespace TapePositionType {
constexpr uint32_t Absolute = 0;
constexpr uint32_t Logical = 1;
} // namespace TapePositionType

namespace TapePrepareOperation {
constexpr uint32_t Load = 0;
constexpr uint32_t Unload = 1;
constexpr uint32_t Tension = 2;
constexpr uint32_t Lock = 3;
constexpr uint32_t Unlock = 4;
} // namespace TapePrepareOperation

namespace TapeEraseType {
constexpr uint32_t Short = 0;
constexpr uint32_t Long = 1;
} // namespace TapeEraseType

namespace TapemarkType {
constexpr uint32_t Setmarks = 0;
constexpr uint32_t Filemarks = 1;
constexpr uint32_t ShortFilemarks = 2;
constexpr uint32_t LongFilemarks = 3;
} // namespace TapemarkType

namespace TapePartitionMethod {
constexpr uint32_t Fixed = 0;
constexpr uint32_t Select = 1;
constexpr uint32_t Initiator = 2;
} // namespace TapePartitionMethod

struct TapeMediaParameters {
    int64_t Capacity = 0;
    int64_t Remaining = 0;
    uint32_t BlockSize = 0;
    uint32_t PartitionCount = 0;
    bool WriteProtected = false;
    // False when the drive did not tell its capacity (Capacity and Remaining then read 0).
    bool CapacityKnown = true;
};

struct TapeDriveParameters {
    bool ECC = false;
    bool Compression = false;
    bool DataPadding = false;
    bool ReportSetmarks = false;
    uint32_t DefaultBlockSize = 0;
    uint32_t MaximumBlockSize = 0;
    uint32_t MinimumBlockSize = 0;
    uint32_t MaximumPartitionCount = 0;
    uint32_t FeaturesLow = 0;
    uint32_t FeaturesHigh = 0;
    uint32_t EOTWarningZoneSize = 0;
    // False when the drive's own pages could not be read: Compression, the block size limits
    // and MaximumPartitionCount are then the driver's defaults, not the drive's values.
    bool DetailsKnown = true;
};

// One open handle on the drive. Every call answers its result code.
class TapeHandle {
public:
    virtual ~TapeHandle() = default;

    // Transfers exactly one block at the current position.
    virtual ResultCode ReadBlock(char* buffer, uint32_t length) = 0;
    virtual ResultCode WriteBlock(const char* buffer, uint32_t length) = 0;

    // Transfers a run of up to `count` blocks of TapeBlockSize from the current position, in
    // one command where the drive can. `done` tells how many blocks moved whole; the answer
    // belongs to the block after them. A run may also end early with Success (a drive that
    // stopped at a filemark): the next call then answers for that block. The drive stands
    // where single-block transfers of the same blocks would have left it. These defaults
    // transfer one block per command.
    virtual ResultCode ReadBlocks(char* buffer, uint32_t count, uint32_t& done);
    virtual ResultCode WriteBlocks(const char* buffer, uint32_t count, uint32_t& done);

    virtual ResultCode SetPosition(uint32_t method, uint32_t partition, int64_t offset) = 0;
    virtual ResultCode GetPosition(uint32_t type, uint32_t& partition, int64_t& offset) = 0;
    virtual ResultCode Prepare(uint32_t operation) = 0;
    virtual ResultCode Erase(uint32_t type) = 0;
    virtual ResultCode WriteTapemarks(uint32_t type, uint32_t count) = 0;
    virtual ResultCode GetMediaParameters(TapeMediaParameters& media) = 0;
    virtual ResultCode GetDriveParameters(TapeDriveParameters& drive) = 0;
    virtual ResultCode SetMediaBlockSize(uint32_t blockSize) = 0;
    virtual ResultCode CreatePartition(uint32_t method, uint32_t count, uint32_t sizeMegabytes) = 0;

    // A mechanical drive gets short pauses around closing and rewinding; a virtual one needs none.
    virtual bool NeedsSettleTime() const { return true; }

    // Closes the handle. A drive that writes buffered data or a filemark only at close reports
    // its failure here; the destructor closes too, but cannot tell.
    virtual ResultCode Close() { return ResultCode::Success; }

    // Why some values of the last parameter query are unknown (the drive's pages could not be
    // read), said once per drive and program run; empty otherwise and after the first time.
    virtual QString TakeUnknownValuesReason() { return QString(); }
};

// The tape drive.
class TapeDevice {
public:
    virtual ~TapeDevice() = default;
    // Null when the drive cannot be opened; `failure` then tells why.
    virtual std::unique_ptr<TapeHandle> Open(ResultCode& failure) = 0;
    // Names the drive for messages ("vtape:/path" or the device node).
    virtual QString Name() const = 0;
    virtual bool NeedsSettleTime() const { return true; }
};

} // namespace orvane
