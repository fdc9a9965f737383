#pragma once

#include <QString>
#include <cstdint>

namespace orvane {

// Result codes keep the Windows numbering, so the code tables of the tape layer apply to every
// backend and the texts show the numbers operators know. Each backend maps its own errors onto
// these numbers. A code may carry a number without an enumerator (the tables know more numbers
// than the backends produce); CodeValue gives the number to print.
enum class ResultCode : uint32_t {
    Success = 0,
    InvalidFunction = 1,
    FileNotFound = 2,
    PathNotFound = 3,
    AccessDenied = 5,
    InvalidHandle = 6,
    NotEnoughMemory = 8,
    BadFormat = 11,
    InvalidData = 13,
    WriteProtect = 19,
    BadUnit = 20,
    NotReady = 21,
    BadCommand = 22,
    Crc = 23,
    ReadFault = 30,
    GenFailure = 31,
    SharingViolation = 32,
    HandleEof = 38,
    HandleDiskFull = 39,
    NotSupported = 50,
    InvalidParameter = 87,
    Busy = 170,
    MoreData = 234,
    EndOfMedia = 1100,
    FilemarkDetected = 1101,
    BeginningOfMedia = 1102,
    SetmarkDetected = 1103,
    NoDataDetected = 1104,
    PartitionFailure = 1105,
    InvalidBlockLength = 1106,
    DeviceNotPartitioned = 1107,
    UnableToLockMedia = 1108,
    UnableToUnloadMedia = 1109,
    MediaChanged = 1110,
    BusReset = 1111,
    NoMediaInDrive = 1112,
};

constexpr uint32_t CodeValue(ResultCode code) {
    return static_cast<uint32_t>(code);
}

// Maps an errno value onto the nearest result code.
ResultCode ResultCodeFromErrno(int error);

// The system's own wording of a result code (what the error box and the protocol show).
QString SystemMessage(ResultCode code);

} // namespace orvane
