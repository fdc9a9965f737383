#include "st_tape_device.h"

#include "result_code.h"

#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>
#include <algorithm>
#include <cerrno>
#include <climits>
#include <cstdint>
#include <cstring>
#include <fcntl.h>
#include <linux/mtio.h>
#include <optional>
#include <scsi/sg.h>
#include <sys/ioctl.h>
#include <unistd.h>
#include <vector>

namespace orvane {

namespace {

class RealCalls : public TapeSystemCalls {
public:
    int Open(const char* path, int flags) override { return ::open(path, flags); }
    int Close(int fd) override { return ::close(fd); }
    ssize_t Read(int fd, void* buffer, size_t length) override {
        return ::read(fd, buffer, length);
    }
    ssize_t Write(int fd, const void* buffer, size_t length) override {
        return ::write(fd, buffer, length);
    }
    int Ioctl(int fd, unsigned long request, void* argument) override {
        return ::ioctl(fd, request, argument);
    }
};

// What this process knows of the drive across handles: whether the last look found a medium
// online, so that the first query after a cartridge change can say so.
struct DriveMemory {
    std::optional<bool> Online;
    // Why the drive's SCSI pages could not be read, once the kernel refused them; told once.
    QString UnknownReason;
    bool ReasonTold = false;
};

constexpr int64_t Megabyte = 1024 * 1024;

// SCSI commands the st driver has no ioctl for, sent through SG_IO.
constexpr uint8_t ReadBlockLimits = 0x05;
constexpr uint8_t ModeSense6 = 0x1a;
constexpr uint8_t LogSense = 0x4d;
constexpr uint8_t TapeCapacityPage = 0x31;
constexpr uint8_t DataCompressionPage = 0x0f;
constexpr uint8_t MediumPartitionPage = 0x11;

uint64_t BigEndian(const uint8_t* bytes, size_t count) {
    uint64_t value = 0;
    for (size_t i = 0; i < count; ++i)
        value = (value << 8) | bytes[i];
    return value;
}

bool FitsCount(int64_t count) {
    return count >= 0 && count <= INT_MAX;
}

// st sleeps interruptibly only while it waits for the drive's lock, before anything happened,
// so a call that a signal broke off is simply made again.
template <typename Call> auto Uninterrupted(Call call) {
    for (;;) {
        const auto result = call();
        if (result >= 0 || errno != EINTR)
            return result;
    }
}

class StTapeHandle : public TapeHandle {
public:
    StTapeHandle(std::shared_ptr<TapeSystemCalls> calls, std::shared_ptr<DriveMemory> memory,
                 int fd, bool openedReadOnlyForProtection)
        : m_calls(std::move(calls)), m_memory(std::move(memory)), m_fd(fd),
          m_protectedAtOpen(openedReadOnlyForProtection) {}
    ~StTapeHandle() override {
        if (m_fd >= 0)
            m_calls->Close(m_fd);
    }

    ResultCode ReadBlock(char* buffer, uint32_t length) override;
    ResultCode WriteBlock(const char* buffer, uint32_t length) override;
    ResultCode ReadBlocks(char* buffer, uint32_t count, uint32_t& done) override;
    ResultCode WriteBlocks(const char* buffer, uint32_t count, uint32_t& done) override;
    ResultCode SetPosition(uint32_t method, uint32_t partition, int64_t offset) override;
    ResultCode GetPosition(uint32_t type, uint32_t& partition, int64_t& offset) override;
    ResultCode Prepare(uint32_t operation) override;
    ResultCode Erase(uint32_t type) override;
    ResultCode WriteTapemarks(uint32_t type, uint32_t count) override;
    ResultCode GetMediaParameters(TapeMediaParameters& media) override;
    ResultCode GetDriveParameters(TapeDriveParameters& drive) override;
    ResultCode SetMediaBlockSize(uint32_t blockSize) override;
    ResultCode CreatePartition(uint32_t method, uint32_t count, uint32_t sizeMegabytes) override;
    ResultCode Close() override;
    QString TakeUnknownValuesReason() override;

private:
    // One MTIOCTOP; 0 or the errno of the failure.
    int Operation(short op, int count);
    // MTIOCGET; 0 or the errno of the failure.
    int Status(mtget& answer);
    ResultCode TapeCondition(int error);
    ResultCode WriteRefusal(int error);
    ResultCode PositionFailure(int error, short op);
    bool MediumWriteProtected();
    // The answer of a read that moved `done` bytes of a `length` request (-1: errno tells).
    ResultCode ReadAnswer(ssize_t done, uint32_t length, bool afterFilemark);
    // True when the driver is in fixed-block mode with our block size.
    bool FixedBlocks();

    bool ScsiRead(const std::vector<uint8_t>& command, std::vector<uint8_t>& data);
    std::optional<std::vector<uint8_t>> ModePage(uint8_t page);
    std::optional<std::pair<int64_t, int64_t>> CapacityOfPartition(uint32_t partition);

    std::shared_ptr<TapeSystemCalls> m_calls;
    std::shared_ptr<DriveMemory> m_memory;
    int m_fd;
    bool m_protectedAtOpen;
    bool m_lastReadWasFilemark = false;
    std::optional<bool> m_fixedBlocks;
};

int StTapeHandle::Operation(short op, int count) {
    mtop request{};
    request.mt_op = op;
    request.mt_count = count;
    return Uninterrupted([&] { return m_calls->Ioctl(m_fd, MTIOCTOP, &request); }) == 0 ? 0 : errno;
}

int StTapeHandle::Status(mtget& answer) {
    answer = mtget{};
    return Uninterrupted([&] { return m_calls->Ioctl(m_fd, MTIOCGET, &answer); }) == 0 ? 0 : errno;
}

// The st driver answers most tape conditions with a bare EIO and keeps the reason in its
// status; the status turns it back into the condition the tape interface names.
ResultCode StTapeHandle::TapeCondition(int error) {
    switch (error) {
    case ENOMEDIUM:
        return ResultCode::NoMediaInDrive;
    case ENOSPC:
        return ResultCode::EndOfMedia;
    case EIO: {
        mtget drive;
        if (Status(drive) == 0) {
            if (GMT_DR_OPEN(drive.mt_gstat))
                return ResultCode::NoMediaInDrive;
            if (GMT_EOD(drive.mt_gstat))
                return ResultCode::NoDataDetected;
            if (GMT_EOT(drive.mt_gstat))
                return ResultCode::EndOfMedia;
        }
        return ResultCodeFromErrno(error);
    }
    default:
        return ResultCodeFromErrno(error);
    }
}

bool StTapeHandle::MediumWriteProtected() {
    if (m_protectedAtOpen)
        return true;
    mtget drive;
    return Status(drive) == 0 && GMT_WR_PROT(drive.mt_gstat);
}

// A refused write: st says EACCES for a protected medium, the system says EBADF for a write on
// a handle opened read-only, EROFS comes from the open of a protected medium.
ResultCode StTapeHandle::WriteRefusal(int error) {
    if (error == EROFS)
        return ResultCode::WriteProtect;
    if (error == EACCES || error == EBADF)
        return MediumWriteProtected() ? ResultCode::WriteProtect : ResultCode::AccessDenied;
    return TapeCondition(error);
}

ResultCode StTapeHandle::PositionFailure(int error, short op) {
    const ResultCode code = TapeCondition(error);
    if (error != EIO || code != ResultCodeFromErrno(EIO))
        return code;
    mtget drive;
    if (Status(drive) != 0)
        return code;
    if ((op == MTBSR || op == MTBSF) && GMT_BOT(drive.mt_gstat))
        return ResultCode::BeginningOfMedia;
    if (op == MTFSR && GMT_EOF(drive.mt_gstat))
        return ResultCode::FilemarkDetected;
    return code;
}

ResultCode StTapeHandle::ReadBlock(char* buffer, uint32_t length) {
    if (length != TapeBlockSize)
        return ResultCode::InvalidBlockLength;
    const bool afterFilemark = m_lastReadWasFilemark;
    m_lastReadWasFilemark = false;
    const ssize_t done = Uninterrupted([&] { return m_calls->Read(m_fd, buffer, length); });
    return ReadAnswer(done, length, afterFilemark);
}

bool StTapeHandle::FixedBlocks() {
    if (!m_fixedBlocks) {
        mtget drive;
        m_fixedBlocks = Status(drive) == 0 && ((drive.mt_dsreg & MT_ST_BLKSIZE_MASK) >>
                                               MT_ST_BLKSIZE_SHIFT) == long(TapeBlockSize);
    }
    return *m_fixedBlocks;
}

// In fixed-block mode one read or write of n blocks moves n blocks. In variable-block mode
// it would move one block of n times the size, so there every block is a command of its own.
ResultCode StTapeHandle::ReadBlocks(char* buffer, uint32_t count, uint32_t& done) {
    done = 0;
    if (count <= 1 || !FixedBlocks())
        return TapeHandle::ReadBlocks(buffer, count, done);
    mtpos start{};
    const bool startKnown =
        Uninterrupted([&] { return m_calls->Ioctl(m_fd, MTIOCPOS, &start); }) == 0;
    const bool afterFilemark = m_lastReadWasFilemark;
    m_lastReadWasFilemark = false;
    const size_t length = size_t(count) * TapeBlockSize;
    const ssize_t got = Uninterrupted([&] { return m_calls->Read(m_fd, buffer, length); });
    // st stops a run at a filemark or the end of the data and hands out the blocks before it;
    // the next read then meets the mark.
    if (got > 0 && got % ssize_t(TapeBlockSize) == 0) {
        done = uint32_t(got / ssize_t(TapeBlockSize));
        return ResultCode::Success;
    }
    const ResultCode code = ReadAnswer(got, uint32_t(length), afterFilemark);
    // A medium error loses the whole run, good blocks before the bad one included: they are
    // read again one by one from the run's start, so that the failure is met at its block.
    const bool hardError = got < 0 && code != ResultCode::NoDataDetected &&
                           code != ResultCode::EndOfMedia && code != ResultCode::NoMediaInDrive &&
                           code != ResultCode::InvalidBlockLength;
    if (hardError && startKnown && start.mt_blkno >= 0 &&
        Operation(MTSEEK, int(start.mt_blkno)) == 0)
        return TapeHandle::ReadBlocks(buffer, count, done);
    return code;
}

ResultCode StTapeHandle::WriteBlocks(const char* buffer, uint32_t count, uint32_t& done) {
    done = 0;
    if (count <= 1 || !FixedBlocks())
        return TapeHandle::WriteBlocks(buffer, count, done);
    const size_t length = size_t(count) * TapeBlockSize;
    const ssize_t put = Uninterrupted([&] { return m_calls->Write(m_fd, buffer, length); });
    if (put == ssize_t(length)) {
        done = count;
        return ResultCode::Success;
    }
    if (put >= 0) { // the medium ends inside the run: the blocks before are on it
        done = uint32_t(put / ssize_t(TapeBlockSize));
        return ResultCode::EndOfMedia;
    }
    const int error = errno;
    if (error == EINVAL)
        return ResultCode::InvalidBlockLength;
    return WriteRefusal(error);
}

ResultCode StTapeHandle::ReadAnswer(ssize_t done, uint32_t length, bool afterFilemark) {
    if (done == ssize_t(length))
        return ResultCode::Success;
    if (done > 0) // a block of another size: this tape was not written in our blocks
        return ResultCode::InvalidBlockLength;
    if (done == 0) {
        // st gives zero bytes for a filemark, and again, with EOD in its status, at the end of
        // the recorded data behind a filemark. Without a status, two zero reads in a row are
        // its documented sign of the end of the data.
        ResultCode code = afterFilemark ? ResultCode::NoDataDetected : ResultCode::FilemarkDetected;
        mtget drive;
        if (Status(drive) == 0) {
            if (GMT_EOD(drive.mt_gstat))
                code = ResultCode::NoDataDetected;
            else if (GMT_EOT(drive.mt_gstat))
                code = ResultCode::EndOfMedia;
            else if (GMT_EOF(drive.mt_gstat))
                code = ResultCode::FilemarkDetected;
        }
        m_lastReadWasFilemark = code == ResultCode::FilemarkDetected;
        return code;
    }
    const int error = errno;
    // EINVAL: the request is no whole number of the drive's fixed blocks; ENOMEM: the block on
    // tape is larger than the request.
    if (error == EINVAL || error == ENOMEM)
        return ResultCode::InvalidBlockLength;
    return TapeCondition(error);
}

ResultCode StTapeHandle::WriteBlock(const char* buffer, uint32_t length) {
    if (length != TapeBlockSize)
        return ResultCode::InvalidBlockLength;
    const ssize_t done = Uninterrupted([&] { return m_calls->Write(m_fd, buffer, length); });
    if (done == ssize_t(length))
        return ResultCode::Success;
    if (done >= 0) // the drive took less than the block: the medium is full
        return ResultCode::EndOfMedia;
    const int error = errno;
    if (error == EINVAL)
        return ResultCode::InvalidBlockLength;
    return WriteRefusal(error);
}

ResultCode StTapeHandle::SetPosition(uint32_t method, uint32_t partition, int64_t offset) {
    m_lastReadWasFilemark = false;
    short op = MTNOP;
    int64_t count = 1;
    switch (method) {
    case TapePositionMethod::Rewind:
        op = MTREW;
        break;
    case TapePositionMethod::AbsoluteBlock:
    case TapePositionMethod::LogicalBlock:
        if (!FitsCount(offset))
            return ResultCode::InvalidParameter;
        // Partitions are numbered from 1 here and from 0 in st; 0 keeps the current one.
        if (method == TapePositionMethod::LogicalBlock && partition > 0) {
            if (partition - 1 > uint32_t(INT_MAX))
                return ResultCode::InvalidParameter;
            if (const int error = Operation(MTSETPART, int(partition - 1)); error != 0)
                return TapeCondition(error);
        }
        op = MTSEEK;
        count = offset;
        break;
    case TapePositionMethod::SpaceEndOfData:
        op = MTEOM;
        break;
    case TapePositionMethod::SpaceRelativeBlocks:
    case TapePositionMethod::SpaceFilemarks: {
        if (offset == 0)
            return ResultCode::Success;
        if (offset == INT64_MIN || !FitsCount(offset > 0 ? offset : -offset))
            return ResultCode::InvalidParameter;
        const bool blocks = method == TapePositionMethod::SpaceRelativeBlocks;
        op = offset > 0 ? (blocks ? MTFSR : MTFSF) : (blocks ? MTBSR : MTBSF);
        count = offset > 0 ? offset : -offset;
        break;
    }
    default:
        return ResultCode::InvalidFunction;
    }
    if (const int error = Operation(op, int(count)); error != 0)
        return PositionFailure(error, op);
    return ResultCode::Success;
}

ResultCode StTapeHandle::GetPosition(uint32_t type, uint32_t& partition, int64_t& offset) {
    if (type != TapePositionType::Absolute && type != TapePositionType::Logical)
        return ResultCode::InvalidFunction;
    mtpos position{};
    if (Uninterrupted([&] { return m_calls->Ioctl(m_fd, MTIOCPOS, &position); }) != 0)
        return TapeCondition(errno);
    offset = int64_t(position.mt_blkno);
    partition = 0;
    if (type == TapePositionType::Logical) {
        // st keeps the current partition (counted from 0) in the residue field of its status.
        mtget drive;
        partition = Status(drive) == 0 && drive.mt_resid >= 0 ? uint32_t(drive.mt_resid) + 1 : 1;
    }
    return ResultCode::Success;
}

ResultCode StTapeHandle::Prepare(uint32_t operationCode) {
    m_fixedBlocks.reset(); // another cartridge may come with another block size
    short op = MTNOP;
    switch (operationCode) {
    case TapePrepareOperation::Load:
        op = MTLOAD;
        break;
    case TapePrepareOperation::Unload:
        op = MTOFFL; // rewinds, then unloads
        break;
    case TapePrepareOperation::Tension:
        op = MTRETEN;
        break;
    case TapePrepareOperation::Lock:
        op = MTLOCK;
        break;
    case TapePrepareOperation::Unlock:
        op = MTUNLOCK;
        break;
    default:
        return ResultCode::InvalidFunction;
    }
    if (const int error = Operation(op, 1); error != 0) {
        const ResultCode code = TapeCondition(error);
        if (code == ResultCode::NoMediaInDrive)
            return code;
        if (op == MTLOCK || op == MTUNLOCK)
            return ResultCode::UnableToLockMedia;
        if (op == MTOFFL)
            return ResultCode::UnableToUnloadMedia;
        return code;
    }
    if (op == MTOFFL)
        m_memory->Online = false;
    m_lastReadWasFilemark = false;
    return ResultCode::Success;
}

// A short erase makes the current position the end of the recorded data: st's MTERASE with
// count 0 sends ERASE with the long bit clear, which the drive answers by writing an end-of-data
// mark here. (MTWEOF 0 would only flush the buffer and leave the old data readable behind it;
// MTERASE with a non-zero count is the long erase to the physical end of the tape.)
ResultCode StTapeHandle::Erase(uint32_t type) {
    int count = 0;
    switch (type) {
    case TapeEraseType::Short:
        count = 0;
        break;
    case TapeEraseType::Long:
        count = 1;
        break;
    default:
        return ResultCode::InvalidFunction;
    }
    if (const int error = Operation(MTERASE, count); error != 0)
        return WriteRefusal(error);
    return ResultCode::Success;
}

ResultCode StTapeHandle::WriteTapemarks(uint32_t type, uint32_t count) {
    short op = MTWEOF;
    switch (type) {
    case TapemarkType::Setmarks:
        op = MTWSM;
        break;
    case TapemarkType::Filemarks:
    case TapemarkType::ShortFilemarks:
    case TapemarkType::LongFilemarks:
        op = MTWEOF;
        break;
    default:
        return ResultCode::InvalidFunction;
    }
    if (!FitsCount(count))
        return ResultCode::InvalidParameter;
    if (const int error = Operation(op, int(count)); error != 0)
        return WriteRefusal(error);
    return ResultCode::Success;
}

ResultCode StTapeHandle::GetMediaParameters(TapeMediaParameters& media) {
    mtget drive;
    if (const int error = Status(drive); error != 0) {
        const ResultCode code = TapeCondition(error);
        if (code == ResultCode::NoMediaInDrive)
            m_memory->Online = false;
        return code;
    }
    if (GMT_DR_OPEN(drive.mt_gstat)) {
        m_memory->Online = false;
        return ResultCode::NoMediaInDrive;
    }
    if (!GMT_ONLINE(drive.mt_gstat)) { // a cartridge in the drive, but not loaded (yet)
        m_memory->Online = false;
        return ResultCode::NotReady;
    }
    const bool changed = m_memory->Online.has_value() && !*m_memory->Online;
    m_memory->Online = true;

    media = TapeMediaParameters{};
    media.BlockSize = uint32_t(drive.mt_dsreg & MT_ST_BLKSIZE_MASK) >> MT_ST_BLKSIZE_SHIFT;
    media.WriteProtected = GMT_WR_PROT(drive.mt_gstat) != 0;
    media.PartitionCount = 1;
    if (const auto page = ModePage(MediumPartitionPage); page && page->size() >= 4)
        media.PartitionCount = uint32_t((*page)[3]) + 1;
    const uint32_t partition = drive.mt_resid > 0 ? uint32_t(drive.mt_resid) : 0;
    if (const auto capacity = CapacityOfPartition(partition)) {
        media.Capacity = capacity->first;
        media.Remaining = capacity->second;
    } else {
        media.CapacityKnown = false;
    }
    return changed ? ResultCode::MediaChanged : ResultCode::Success;
}

ResultCode StTapeHandle::GetDriveParameters(TapeDriveParameters& drive) {
    drive = TapeDriveParameters{};
    drive.ECC = true; // every SCSI tape format records with error correction
    drive.DefaultBlockSize = TapeBlockSize;
    // The limits st itself accepts for MTSETBLK, unless the drive tells its own.
    drive.MinimumBlockSize = 1;
    drive.MaximumBlockSize = MT_ST_BLKSIZE_MASK;
    std::vector<uint8_t> limits(6);
    const bool limitsRead = ScsiRead({ReadBlockLimits, 0, 0, 0, 0, 0}, limits);
    drive.DetailsKnown = limitsRead;
    if (limitsRead && limits.size() == 6) {
        const auto maximum = uint32_t(BigEndian(&limits[1], 3));
        const auto minimum = uint32_t(BigEndian(&limits[4], 2));
        if (maximum > 0)
            drive.MaximumBlockSize = maximum;
        if (minimum > 0)
            drive.MinimumBlockSize = minimum;
    }
    if (const auto page = ModePage(DataCompressionPage); page && page->size() >= 3)
        drive.Compression = ((*page)[2] & 0x80) != 0;
    drive.MaximumPartitionCount = 1;
    if (const auto page = ModePage(MediumPartitionPage); page && page->size() >= 4)
        drive.MaximumPartitionCount = uint32_t((*page)[2]) + 1;
    return ResultCode::Success;
}

// st writes what it still buffers, and a filemark after a write, when the handle is closed; a
// failure there is the last word on the data written.
ResultCode StTapeHandle::Close() {
    if (m_fd < 0)
        return ResultCode::Success;
    const int fd = m_fd;
    m_fd = -1;
    if (m_calls->Close(fd) == 0)
        return ResultCode::Success;
    switch (const int error = errno) {
    case ENOSPC:
        return ResultCode::EndOfMedia;
    case EROFS:
    case EACCES:
        return ResultCode::WriteProtect;
    default:
        return ResultCodeFromErrno(error);
    }
}

QString StTapeHandle::TakeUnknownValuesReason() {
    if (m_memory->UnknownReason.isEmpty() || m_memory->ReasonTold)
        return QString();
    m_memory->ReasonTold = true;
    return m_memory->UnknownReason;
}

ResultCode StTapeHandle::SetMediaBlockSize(uint32_t blockSize) {
    if (blockSize > MT_ST_BLKSIZE_MASK)
        return ResultCode::InvalidBlockLength;
    m_fixedBlocks.reset();
    if (const int error = Operation(MTSETBLK, int(blockSize)); error != 0)
        return error == EINVAL ? ResultCode::InvalidBlockLength : TapeCondition(error);
    return ResultCode::Success;
}

ResultCode StTapeHandle::CreatePartition(uint32_t method, uint32_t count, uint32_t sizeMegabytes) {
    // MTMKPART formats one partition (size 0) or two, the second of the given megabytes.
    int size = 0;
    switch (method) {
    case TapePartitionMethod::Fixed:
        break;
    case TapePartitionMethod::Select:
    case TapePartitionMethod::Initiator:
        if (count > 2)
            return ResultCode::NotSupported;
        if (count == 2) {
            if (sizeMegabytes == 0 || sizeMegabytes > 0xffff)
                return ResultCode::InvalidParameter;
            size = int(sizeMegabytes);
        }
        break;
    default:
        return ResultCode::InvalidFunction;
    }
    int error = Operation(MTMKPART, size);
    if (error == EINVAL && method == TapePartitionMethod::Fixed) {
        // st refuses MTMKPART unless partition support is switched on for the drive, which it
        // is not by default. One partition as the drive defines it is then what the tape
        // already has; formatting it means emptying it from the beginning.
        error = Operation(MTREW, 1);
        if (error == 0)
            error = Operation(MTERASE, 0);
        if (error != 0)
            return WriteRefusal(error);
        m_lastReadWasFilemark = false;
        return ResultCode::Success;
    }
    if (error != 0) {
        const ResultCode code = TapeCondition(error);
        if (code == ResultCode::NoMediaInDrive)
            return code;
        if (error == EROFS || MediumWriteProtected())
            return ResultCode::WriteProtect;
        return ResultCode::PartitionFailure;
    }
    m_lastReadWasFilemark = false;
    return ResultCode::Success;
}

bool StTapeHandle::ScsiRead(const std::vector<uint8_t>& command, std::vector<uint8_t>& data) {
    std::vector<uint8_t> cdb = command;
    uint8_t sense[32] = {};
    sg_io_hdr_t io{};
    io.interface_id = 'S';
    io.dxfer_direction = SG_DXFER_FROM_DEV;
    io.cmd_len = uint8_t(cdb.size());
    io.mx_sb_len = sizeof sense;
    io.dxfer_len = uint32_t(data.size());
    io.dxferp = data.data();
    io.cmdp = cdb.data();
    io.sbp = sense;
    io.timeout = 60000;
    if (m_calls->Ioctl(m_fd, SG_IO, &io) != 0) {
        const int error = errno;
        if (m_memory->UnknownReason.isEmpty()) {
            m_memory->UnknownReason =
                error == EPERM || error == EACCES
                    ? QStringLiteral("the kernel refuses SCSI commands to the drive (SG_IO: %1; "
                                     "CAP_SYS_RAWIO or access to its sg device is needed), so "
                                     "capacity, remaining space and some drive values are "
                                     "unknown.")
                          .arg(QString::fromLocal8Bit(std::strerror(error)))
                    : QStringLiteral("the device takes no SCSI commands (SG_IO: %1), so "
                                     "capacity, remaining space and some drive values are "
                                     "unknown.")
                          .arg(QString::fromLocal8Bit(std::strerror(error)));
        }
        return false;
    }
    if ((io.info & SG_INFO_OK_MASK) != SG_INFO_OK || io.status != 0)
        return false;
    const size_t missing = io.resid > 0 ? std::min(size_t(io.resid), data.size()) : 0;
    data.resize(data.size() - missing);
    return true;
}

std::optional<std::vector<uint8_t>> StTapeHandle::ModePage(uint8_t page) {
    // MODE SENSE(6) of the current values, without block descriptors.
    std::vector<uint8_t> data(255);
    if (!ScsiRead({ModeSense6, 0x08, page, 0, uint8_t(data.size()), 0}, data) || data.size() < 4)
        return std::nullopt;
    const size_t start = 4 + size_t(data[3]); // header, then any block descriptors
    if (start + 2 > data.size() || (data[start] & 0x3f) != page)
        return std::nullopt;
    const size_t end = std::min(data.size(), start + 2 + size_t(data[start + 1]));
    return std::vector<uint8_t>(data.begin() + std::ptrdiff_t(start),
                                data.begin() + std::ptrdiff_t(end));
}

// Capacity and remaining space of a partition, from the tape capacity log page. Its
// parameters come in groups of four per two partitions (remaining of both, then maximum of
// both), each in megabytes of 1,048,576 bytes.
std::optional<std::pair<int64_t, int64_t>> StTapeHandle::CapacityOfPartition(uint32_t partition) {
    std::vector<uint8_t> data(512);
    const uint8_t cumulativeValues = 0x40;
    if (!ScsiRead({LogSense, 0, uint8_t(cumulativeValues | TapeCapacityPage), 0, 0, 0, 0,
                   uint8_t(data.size() >> 8), uint8_t(data.size() & 0xff), 0},
                  data) ||
        data.size() < 4 || (data[0] & 0x3f) != TapeCapacityPage)
        return std::nullopt;
    const uint64_t group = 1 + 4 * uint64_t(partition / 2);
    const uint64_t remainingCode = group + partition % 2;
    const uint64_t maximumCode = group + 2 + partition % 2;
    std::optional<int64_t> maximum;
    int64_t remaining = 0;
    const size_t end = std::min(data.size(), 4 + size_t(BigEndian(&data[2], 2)));
    for (size_t at = 4; at + 4 <= end;) {
        const uint64_t code = BigEndian(&data[at], 2);
        const size_t length = data[at + 3];
        if (at + 4 + length > end)
            break;
        const size_t width = std::min<size_t>(length, 8);
        const uint64_t value = std::min<uint64_t>(BigEndian(&data[at + 4 + length - width], width),
                                                  uint64_t(INT64_MAX / Megabyte));
        if (code == remainingCode)
            remaining = int64_t(value) * Megabyte;
        else if (code == maximumCode)
            maximum = int64_t(value) * Megabyte;
        at += 4 + length;
    }
    if (!maximum)
        return std::nullopt;
    return std::make_pair(*maximum, std::min(remaining, *maximum));
}

class StTapeDevice : public TapeDevice {
public:
    StTapeDevice(QString path, std::shared_ptr<TapeSystemCalls> calls)
        : m_path(std::move(path)), m_calls(std::move(calls)),
          m_memory(std::make_shared<DriveMemory>()) {}

    std::unique_ptr<TapeHandle> Open(ResultCode& failure) override {
        const QByteArray path = QFile::encodeName(m_path);
        int fd = m_calls->Open(path.constData(), O_RDWR | O_CLOEXEC);
        int error = fd < 0 ? errno : 0;
        bool protectedMedium = false;
        // A protected medium (EROFS) or a node we may only read (EACCES) can still be read.
        if (fd < 0 && (error == EROFS || error == EACCES)) {
            const int refusal = error;
            fd = m_calls->Open(path.constData(), O_RDONLY | O_CLOEXEC);
            error = fd < 0 ? errno : 0;
            protectedMedium = fd >= 0 && refusal == EROFS;
        }
        if (fd < 0) {
            if (error == ENOMEDIUM || error == EIO)
                m_memory->Online = false;
            // st refuses the open with EIO when the drive holds a tape that is not ready.
            failure = error == EIO ? ResultCode::NotReady : ResultCodeFromErrno(error);
            return nullptr;
        }
        return std::make_unique<StTapeHandle>(m_calls, m_memory, fd, protectedMedium);
    }

    QString Name() const override { return m_path; }

private:
    QString m_path;
    std::shared_ptr<TapeSystemCalls> m_calls;
    std::shared_ptr<DriveMemory> m_memory;
};

} // namespace

std::shared_ptr<TapeSystemCalls> RealTapeSystemCalls() {
    return std::make_shared<RealCalls>();
}

std::unique_ptr<TapeDevice> CreateStTapeDevice(const QString& devicePath,
                                               std::shared_ptr<TapeSystemCalls> calls) {
    return std::make_unique<StTapeDevice>(devicePath, std::move(calls));
}

QString NonRewindingTwin(const QString& devicePath) {
    static const QRegularExpression rewinding(QStringLiteral("^(.*/)(st\\d+[lma]?)$"));
    if (const auto match = rewinding.match(devicePath); match.hasMatch())
        return match.captured(1) + QLatin1Char('n') + match.captured(2);
    // The stable names under /dev/tape/ are links; the node they name decides.
    const QFileInfo link(devicePath);
    if (link.isSymLink()) {
        const QString target = link.canonicalFilePath();
        if (const auto match = rewinding.match(target); match.hasMatch())
            return match.captured(1) + QLatin1Char('n') + match.captured(2);
    }
    return devicePath;
}

} // namespace orvane
