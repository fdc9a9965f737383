#include "result_code.h"

#include <cerrno>

namespace orvane {

ResultCode ResultCodeFromErrno(int error) {
    switch (error) {
    case 0:
        return ResultCode::Success;
    case ENOENT:
        return ResultCode::FileNotFound;
    case ENOTDIR:
        return ResultCode::PathNotFound;
    case EACCES:
    case EPERM:
        return ResultCode::AccessDenied;
    case EROFS:
        return ResultCode::WriteProtect;
    case EBADF:
        return ResultCode::InvalidHandle;
    case ENOMEM:
        return ResultCode::NotEnoughMemory;
    case ENOSPC:
    case EDQUOT:
    case EFBIG:
        return ResultCode::HandleDiskFull;
    case EBUSY:
    case EWOULDBLOCK:
        return ResultCode::Busy;
    case ENXIO:
    case ENODEV:
        return ResultCode::BadUnit;
    case EIO:
        return ResultCode::Crc;
    case EINVAL:
        return ResultCode::InvalidParameter;
    case ENOTTY:
    case ENOSYS:
    case EOPNOTSUPP:
        return ResultCode::NotSupported;
    case ENOMEDIUM:
        return ResultCode::NoMediaInDrive;
    default:
        return ResultCode::GenFailure;
    }
}

QString SystemMessage(ResultCode code) {
    switch (code) {
    case ResultCode::Success:
        return QStringLiteral("The operation completed successfully.");
    case ResultCode::InvalidFunction:
        return QStringLiteral("Incorrect function.");
    case ResultCode::FileNotFound:
        return QStringLiteral("The system cannot find the file specified.");
    case ResultCode::PathNotFound:
        return QStringLiteral("The system cannot find the path specified.");
    case ResultCode::AccessDenied:
        return QStringLiteral("Access is denied.");
    case ResultCode::InvalidHandle:
        return QStringLiteral("The handle is invalid.");
    case ResultCode::NotEnoughMemory:
        return QStringLiteral("Not enough storage is available to process this command.");
    case ResultCode::BadFormat:
        return QStringLiteral("An attempt was made to load a program with an incorrect format.");
    case ResultCode::InvalidData:
        return QStringLiteral("The data is invalid.");
    case ResultCode::WriteProtect:
        return QStringLiteral("The media is write protected.");
    case ResultCode::BadUnit:
        return QStringLiteral("The system cannot find the device specified.");
    case ResultCode::NotReady:
        return QStringLiteral("The device is not ready.");
    case ResultCode::BadCommand:
        return QStringLiteral("The device does not recognize the command.");
    case ResultCode::Crc:
        return QStringLiteral("Data error (cyclic redundancy check).");
    case ResultCode::ReadFault:
        return QStringLiteral("The system cannot read from the specified device.");
    case ResultCode::GenFailure:
        return QStringLiteral("A device attached to the system is not functioning.");
    case ResultCode::SharingViolation:
        return QStringLiteral(
            "The process cannot access the file because it is being used by another process.");
    case ResultCode::HandleEof:
        return QStringLiteral("Reached the end of the file.");
    case ResultCode::HandleDiskFull:
        return QStringLiteral("The disk is full.");
    case ResultCode::NotSupported:
        return QStringLiteral("The request is not supported.");
    case ResultCode::InvalidParameter:
        return QStringLiteral("The parameter is incorrect.");
    case ResultCode::Busy:
        return QStringLiteral("The requested resource is in use.");
    case ResultCode::MoreData:
        return QStringLiteral("More data is available.");
    case ResultCode::EndOfMedia:
        return QStringLiteral("The physical end of the tape has been reached.");
    case ResultCode::FilemarkDetected:
        return QStringLiteral("A tape access reached a filemark.");
    case ResultCode::BeginningOfMedia:
        return QStringLiteral("The beginning of the tape or a partition was encountered.");
    case ResultCode::SetmarkDetected:
        return QStringLiteral("A tape access reached the end of a set of files.");
    case ResultCode::NoDataDetected:
        return QStringLiteral("No more data is on the tape.");
    case ResultCode::PartitionFailure:
        return QStringLiteral("Tape could not be partitioned.");
    case ResultCode::InvalidBlockLength:
        return QStringLiteral(
            "When accessing a new tape of a multivolume partition, the current block size is "
            "incorrect.");
    case ResultCode::DeviceNotPartitioned:
        return QStringLiteral("Tape partition information could not be found when loading a tape.");
    case ResultCode::UnableToLockMedia:
        return QStringLiteral("Unable to lock the media eject mechanism.");
    case ResultCode::UnableToUnloadMedia:
        return QStringLiteral("Unable to unload the media.");
    case ResultCode::MediaChanged:
        return QStringLiteral("The media in the drive may have changed.");
    case ResultCode::BusReset:
        return QStringLiteral("The I/O bus was reset.");
    case ResultCode::NoMediaInDrive:
        return QStringLiteral("No media in drive.");
    default:
        return QStringLiteral("Unknown error %1.").arg(CodeValue(code));
    }
}

} // namespace orvane
