#pragma once

#include <QString>
#include <cstdint>

namespace orvane {

// Result codes keep the Windows numbering, so the code tables of the tape layer apply to every
// backend. Each backend maps its own errors onto these numbers.
namespace ResultCode {
constexpr uint32_t Success = 0;
constexpr uint32_t InvalidFunction = 1;
constexpr uint32_t FileNotFound = 2;
constexpr uint32_t PathNotFound = 3;
constexpr uint32_t AccessDenied = 5;
constexpr uint32_t InvalidHandle = 6;
constexpr uint32_t NotEnoughMemory = 8;
constexpr uint32_t BadFormat = 11;
constexpr uint32_t InvalidData = 13;
constexpr uint32_t WriteProtect = 19;
constexpr uint32_t BadUnit = 20;
constexpr uint32_t NotReady = 21;
constexpr uint32_t BadCommand = 22;
constexpr uint32_t Crc = 23;
constexpr uint32_t ReadFault = 30;
constexpr uint32_t GenFailure = 31;
constexpr uint32_t SharingViolation = 32;
constexpr uint32_t HandleEof = 38;
constexpr uint32_t HandleDiskFull = 39;
constexpr uint32_t NotSupported = 50;
constexpr uint32_t InvalidParameter = 87;
constexpr uint32_t Busy = 170;
constexpr uint32_t MoreData = 234;
constexpr uint32_t EndOfMedia = 1100;
constexpr uint32_t FilemarkDetected = 1101;
constexpr uint32_t BeginningOfMedia = 1102;
constexpr uint32_t SetmarkDetected = 1103;
constexpr uint32_t NoDataDetected = 1104;
constexpr uint32_t PartitionFailure = 1105;
constexpr uint32_t InvalidBlockLength = 1106;
constexpr uint32_t DeviceNotPartitioned = 1107;
constexpr uint32_t UnableToLockMedia = 1108;
constexpr uint32_t UnableToUnloadMedia = 1109;
constexpr uint32_t MediaChanged = 1110;
constexpr uint32_t BusReset = 1111;
constexpr uint32_t NoMediaInDrive = 1112;
} // namespace ResultCode

// The calling thread's last error, as the platform calls of the tape and disk layers leave it.
uint32_t LastError();
void SetLastError(uint32_t code);

// Sets the last error and hands the code back, for `return Fail(code);` in backends.
inline uint32_t Fail(uint32_t code) {
    SetLastError(code);
    return code;
}

// Maps an errno value onto the nearest result code.
uint32_t ResultCodeFromErrno(int error);

// The system's own wording of a result code (what the error box and the protocol show).
QString SystemMessage(uint32_t code);

} // namespace orvane
