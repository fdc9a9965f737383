#include "platform/protocol_log.h"
#include "platform/st_tape_device.h"
#include "support/result_code_printer.h"
#include "support/scripted_operator.h"
#include "support/temp_home.h"
#include "tape/tape_access.h"
#include "tape/tape_context.h"

#include <QDir>
#include <QFile>
#include <algorithm>
#include <cerrno>
#include <cstring>
#include <deque>
#include <fcntl.h>
#include <functional>
#include <gtest/gtest.h>
#include <linux/mtio.h>
#include <map>
#include <optional>
#include <scsi/sg.h>
#include <vector>

using namespace orvane;

namespace {

constexpr long Online = GMT_ONLINE(0xffffffff);
constexpr long DoorOpen = GMT_DR_OPEN(0xffffffff);
constexpr long AtFilemark = GMT_EOF(0xffffffff);
constexpr long AtEndOfData = GMT_EOD(0xffffffff);
constexpr long AtEndOfTape = GMT_EOT(0xffffffff);
constexpr long AtBeginning = GMT_BOT(0xffffffff);
constexpr long Protected = GMT_WR_PROT(0xffffffff);

// The st driver as seen through its system calls: scripted answers, recorded requests.
class FakeStDriver : public TapeSystemCalls {
public:
    struct Answer {
        Answer(ssize_t result, int error = 0, std::optional<long> statusAfter = std::nullopt)
            : result(result), error(error), statusAfter(statusAfter) {}
        ssize_t result;
        int error;
        std::optional<long> statusAfter; // the drive's status once the call is done
    };

    std::deque<Answer> openAnswers;
    std::deque<Answer> readAnswers;
    std::deque<Answer> writeAnswers;
    std::map<short, Answer> operationAnswers; // by mt_op; unlisted operations succeed
    mtget drive{};
    int statusError = 0;
    long position = 0;
    int positionError = 0;
    // SG_IO answers by operation code and page; without one the call fails as st does for a
    // user without CAP_SYS_RAWIO.
    std::map<std::pair<uint8_t, uint8_t>, std::vector<uint8_t>> scsiAnswers;

    std::vector<std::pair<std::string, int>> opens;
    std::vector<int> closes;
    std::vector<std::pair<short, int>> operations;
    std::vector<char> firstBytesWritten;

    FakeStDriver() { drive.mt_gstat = Online; }

    int open(const char* path, int flags) override {
        opens.emplace_back(path, flags);
        return answer(openAnswers, 7);
    }
    int close(int fd) override {
        closes.push_back(fd);
        return 0;
    }
    ssize_t read(int, void* buffer, size_t length) override {
        const ssize_t result = answer(readAnswers, ssize_t(length));
        if (result > 0)
            std::memset(buffer, 'r', size_t(result));
        return result;
    }
    ssize_t write(int, const void* buffer, size_t length) override {
        const ssize_t result = answer(writeAnswers, ssize_t(length));
        if (result > 0)
            firstBytesWritten.push_back(*static_cast<const char*>(buffer));
        return result;
    }
    int ioctl(int, unsigned long request, void* argument) override {
        if (request == MTIOCTOP) {
            const auto* op = static_cast<mtop*>(argument);
            operations.emplace_back(op->mt_op, op->mt_count);
            const auto scripted = operationAnswers.find(op->mt_op);
            if (scripted == operationAnswers.end())
                return 0;
            return int(apply(scripted->second));
        }
        if (request == MTIOCGET) {
            if (statusError != 0)
                return fail(statusError);
            *static_cast<mtget*>(argument) = drive;
            return 0;
        }
        if (request == MTIOCPOS) {
            if (positionError != 0)
                return fail(positionError);
            static_cast<mtpos*>(argument)->mt_blkno = position;
            return 0;
        }
        if (request == SG_IO)
            return scsi(*static_cast<sg_io_hdr_t*>(argument));
        return fail(ENOTTY);
    }

private:
    static int fail(int error) {
        errno = error;
        return -1;
    }
    template <typename T> T answer(std::deque<Answer>& script, T otherwise) {
        if (script.empty())
            return otherwise;
        const Answer next = script.front();
        script.pop_front();
        return T(apply(next));
    }
    ssize_t apply(const Answer& answer) {
        if (answer.statusAfter)
            drive.mt_gstat = *answer.statusAfter;
        if (answer.result < 0)
            errno = answer.error;
        return answer.result;
    }
    int scsi(sg_io_hdr_t& io) {
        const uint8_t opcode = io.cmdp[0];
        const uint8_t page = opcode == 0x1a || opcode == 0x4d ? io.cmdp[2] & 0x3f : 0;
        const auto found = scsiAnswers.find({opcode, page});
        if (found == scsiAnswers.end())
            return fail(EPERM);
        const size_t count = std::min<size_t>(io.dxfer_len, found->second.size());
        std::memcpy(io.dxferp, found->second.data(), count);
        io.resid = int(io.dxfer_len - count);
        io.status = 0;
        io.info = SG_INFO_OK;
        return 0;
    }
};

// The tape capacity log page with (parameter code, megabytes) pairs.
std::vector<uint8_t> CapacityLogPage(const std::vector<std::pair<uint16_t, uint32_t>>& values) {
    std::vector<uint8_t> page = {0x31, 0, 0, uint8_t(values.size() * 8)};
    for (const auto& [code, megabytes] : values)
        for (uint8_t byte :
             {uint8_t(code >> 8), uint8_t(code), uint8_t(0), uint8_t(4), uint8_t(megabytes >> 24),
              uint8_t(megabytes >> 16), uint8_t(megabytes >> 8), uint8_t(megabytes)})
            page.push_back(byte);
    return page;
}

// A MODE SENSE(6) answer that carries a block descriptor although none was asked for, as some
// drives do.
std::vector<uint8_t> ModeSenseAnswer(const std::vector<uint8_t>& page) {
    constexpr size_t header = 4, descriptor = 8;
    std::vector<uint8_t> answer(header + descriptor + page.size(), 0);
    answer[0] = uint8_t(answer.size() - 1);
    answer[3] = descriptor;
    answer[header + 6] = 0x80; // a block length of 32768
    std::copy(page.begin(), page.end(), answer.begin() + header + descriptor);
    return answer;
}

std::vector<uint8_t> PartitionPage(uint8_t maximumAdditional, uint8_t additionalDefined) {
    return ModeSenseAnswer({0x11, 6, maximumAdditional, additionalDefined, 0x30, 0, 0, 0});
}

class StTapeDeviceTest : public ::testing::Test {
protected:
    std::unique_ptr<TapeHandle> Open() {
        ResultCode failure = ResultCode::Success;
        auto handle = device->open(failure);
        EXPECT_TRUE(handle) << "open failed with " << CodeValue(failure);
        return handle;
    }

    std::shared_ptr<FakeStDriver> driver = std::make_shared<FakeStDriver>();
    std::unique_ptr<TapeDevice> device = CreateStTapeDevice("/dev/nst0", driver);
    std::vector<char> block = std::vector<char>(TapeBlockSize, 'w');
};

TEST(NonRewindingTwin, NamesTheNonRewindingNodeOfARewindingOne) {
    const std::vector<std::pair<QString, QString>> cases = {
        {"/dev/st0", "/dev/nst0"},          {"/dev/st0l", "/dev/nst0l"},
        {"/dev/st1m", "/dev/nst1m"},        {"/dev/st12a", "/dev/nst12a"},
        {"/dev/nst0", "/dev/nst0"},         {"/dev/nst0a", "/dev/nst0a"},
        {"/dev/sda", "/dev/sda"},           {"/dev/st0x", "/dev/st0x"},
        {"/dev/sg3", "/dev/sg3"},           {"/dev/osst0", "/dev/osst0"},
        {"/dev/tape/st2", "/dev/tape/nst2"}};
    for (const auto& [name, twin] : cases)
        EXPECT_EQ(NonRewindingTwin(name), twin) << name.toStdString();
}

TEST(NonRewindingTwin, FollowsALinkToTheNodeItNames) {
    test::TempHome home;
    const QString dir = QDir(home.path()).canonicalPath();
    QFile(dir + "/st3").open(QIODevice::WriteOnly);
    QFile(dir + "/nst3").open(QIODevice::WriteOnly);
    ASSERT_TRUE(QFile::link(dir + "/st3", dir + "/drive"));
    ASSERT_TRUE(QFile::link(dir + "/nst3", dir + "/drive-nst"));

    EXPECT_EQ(NonRewindingTwin(dir + "/drive"), dir + "/nst3");
    EXPECT_EQ(NonRewindingTwin(dir + "/drive-nst"), dir + "/drive-nst");
}

TEST_F(StTapeDeviceTest, OpensForReadingAndWritingAndClosesWithTheHandle) {
    auto handle = Open();
    ASSERT_EQ(driver->opens.size(), 1u);
    EXPECT_EQ(driver->opens[0].first, "/dev/nst0");
    EXPECT_EQ(driver->opens[0].second & O_ACCMODE, O_RDWR);
    EXPECT_TRUE(driver->opens[0].second & O_CLOEXEC) << "pre- and post-commands must not hold it";
    EXPECT_EQ(device->name(), "/dev/nst0");
    handle.reset();
    EXPECT_EQ(driver->closes, std::vector<int>{7});
}

TEST_F(StTapeDeviceTest, AProtectedMediumIsOpenedForReadingAndRefusesWrites) {
    driver->openAnswers = {{-1, EROFS}, {8}};
    auto handle = Open();
    ASSERT_TRUE(handle);
    ASSERT_EQ(driver->opens.size(), 2u);
    EXPECT_EQ(driver->opens[1].second & O_ACCMODE, O_RDONLY);

    std::vector<char> buffer(TapeBlockSize);
    EXPECT_EQ(handle->readBlock(buffer.data(), TapeBlockSize), ResultCode::Success);
    driver->writeAnswers = {{-1, EBADF}};
    EXPECT_EQ(handle->writeBlock(block.data(), TapeBlockSize), ResultCode::WriteProtect);
}

TEST_F(StTapeDeviceTest, ANodeWeMayOnlyReadIsOpenedForReadingAndWritesAreDenied) {
    driver->openAnswers = {{-1, EACCES}, {8}};
    auto handle = Open();
    ASSERT_TRUE(handle);
    driver->writeAnswers = {{-1, EBADF}};
    EXPECT_EQ(handle->writeBlock(block.data(), TapeBlockSize), ResultCode::AccessDenied);
}

TEST_F(StTapeDeviceTest, AFailedOpenGivesNullAndTellsWhy) {
    const std::vector<std::pair<int, ResultCode>> cases = {{ENOMEDIUM, ResultCode::NoMediaInDrive},
                                                           {ENOENT, ResultCode::FileNotFound},
                                                           {EBUSY, ResultCode::Busy},
                                                           {ENXIO, ResultCode::BadUnit},
                                                           {EIO, ResultCode::NotReady},
                                                           {EPERM, ResultCode::AccessDenied}};
    for (const auto& [error, code] : cases) {
        driver->openAnswers = {{-1, error}};
        ResultCode failure = ResultCode::Success;
        EXPECT_EQ(device->open(failure), nullptr) << error;
        EXPECT_EQ(failure, code) << error;
    }
    EXPECT_TRUE(driver->closes.empty());
}

TEST_F(StTapeDeviceTest, BlockTransfersMoveExactlyOneBlock) {
    auto handle = Open();
    std::vector<char> buffer(TapeBlockSize, 0);
    EXPECT_EQ(handle->readBlock(buffer.data(), TapeBlockSize), ResultCode::Success);
    EXPECT_EQ(buffer.front(), 'r');
    EXPECT_EQ(buffer.back(), 'r');
    EXPECT_EQ(handle->writeBlock(block.data(), TapeBlockSize), ResultCode::Success);
    EXPECT_EQ(driver->firstBytesWritten, std::vector<char>{'w'});

    EXPECT_EQ(handle->readBlock(buffer.data(), 512), ResultCode::InvalidBlockLength);
    EXPECT_EQ(handle->writeBlock(block.data(), 65536), ResultCode::InvalidBlockLength);
    EXPECT_TRUE(driver->readAnswers.empty());
    EXPECT_EQ(driver->firstBytesWritten.size(), 1u) << "a wrong length never reaches the drive";
}

struct TransferCase {
    const char* what;
    bool write;
    FakeStDriver::Answer answer;
    long status;
    ResultCode code;
};

TEST_F(StTapeDeviceTest, DriverErrorsOfBlockTransfersBecomeTapeResultCodes) {
    const std::vector<TransferCase> cases = {
        {"read at a filemark", false, {0}, Online | AtFilemark, ResultCode::FilemarkDetected},
        {"read behind the last filemark",
         false,
         {0},
         Online | AtFilemark | AtEndOfData,
         ResultCode::NoDataDetected},
        {"read past the end of data",
         false,
         {-1, EIO},
         Online | AtEndOfData,
         ResultCode::NoDataDetected},
        {"read at the end of the tape",
         false,
         {-1, EIO},
         Online | AtEndOfTape,
         ResultCode::EndOfMedia},
        {"read of a bad block", false, {-1, EIO}, Online, ResultCode::Crc},
        {"read of a shorter block", false, {512}, Online, ResultCode::InvalidBlockLength},
        {"read of a longer block", false, {-1, ENOMEM}, Online, ResultCode::InvalidBlockLength},
        {"read with a foreign fixed block size",
         false,
         {-1, EINVAL},
         Online,
         ResultCode::InvalidBlockLength},
        {"read without a medium", false, {-1, ENOMEDIUM}, DoorOpen, ResultCode::NoMediaInDrive},
        {"read after the cartridge left", false, {-1, EIO}, DoorOpen, ResultCode::NoMediaInDrive},
        {"write to a full tape", true, {-1, ENOSPC}, Online | AtEndOfTape, ResultCode::EndOfMedia},
        {"write of part of a block", true, {0}, Online | AtEndOfTape, ResultCode::EndOfMedia},
        {"write failing at the end of the tape",
         true,
         {-1, EIO},
         Online | AtEndOfTape,
         ResultCode::EndOfMedia},
        {"write to a protected medium",
         true,
         {-1, EACCES},
         Online | Protected,
         ResultCode::WriteProtect},
        {"write refused as read-only", true, {-1, EROFS}, Online, ResultCode::WriteProtect},
        {"write without a medium", true, {-1, ENOMEDIUM}, DoorOpen, ResultCode::NoMediaInDrive},
        {"write with a foreign fixed block size",
         true,
         {-1, EINVAL},
         Online,
         ResultCode::InvalidBlockLength},
        {"write failing on the medium", true, {-1, EIO}, Online, ResultCode::Crc},
    };
    auto handle = Open();
    std::vector<char> buffer(TapeBlockSize);
    for (const TransferCase& c : cases) {
        SCOPED_TRACE(c.what);
        driver->drive.mt_gstat = Online;
        FakeStDriver::Answer answer = c.answer;
        answer.statusAfter = c.status;
        ResultCode code = ResultCode::Success;
        if (c.write) {
            driver->writeAnswers = {answer};
            code = handle->writeBlock(block.data(), TapeBlockSize);
        } else {
            driver->readAnswers = {answer};
            code = handle->readBlock(buffer.data(), TapeBlockSize);
        }
        EXPECT_EQ(code, c.code);
        handle->setPosition(TapePositionMethod::Rewind, 0, 0); // forget the last read
    }
}

TEST_F(StTapeDeviceTest, ReadingThroughFilemarksToTheEndOfData) {
    auto handle = Open();
    std::vector<char> buffer(TapeBlockSize);
    driver->readAnswers = {{32768, 0, Online},
                           {0, 0, Online | AtFilemark},
                           {0, 0, Online | AtFilemark}, // a second filemark right behind
                           {32768, 0, Online},
                           {0, 0, Online | AtFilemark},
                           {0, 0, Online | AtFilemark | AtEndOfData}};
    const std::vector<ResultCode> expected = {
        ResultCode::Success, ResultCode::FilemarkDetected, ResultCode::FilemarkDetected,
        ResultCode::Success, ResultCode::FilemarkDetected, ResultCode::NoDataDetected};
    for (ResultCode code : expected)
        EXPECT_EQ(handle->readBlock(buffer.data(), TapeBlockSize), code);
}

TEST_F(StTapeDeviceTest, WithoutAStatusTwoEmptyReadsInARowEndTheData) {
    auto handle = Open();
    std::vector<char> buffer(TapeBlockSize);
    driver->statusError = EIO;
    driver->readAnswers = {{0}, {0}};
    EXPECT_EQ(handle->readBlock(buffer.data(), TapeBlockSize), ResultCode::FilemarkDetected);
    EXPECT_EQ(handle->readBlock(buffer.data(), TapeBlockSize), ResultCode::NoDataDetected);
}

struct OperationCase {
    const char* what;
    std::function<ResultCode(TapeHandle&)> call;
    std::vector<std::pair<short, int>> operations;
};

TEST_F(StTapeDeviceTest, TapeOperationsIssueTheirStOperations) {
    using namespace TapePositionMethod;
    const std::vector<OperationCase> cases = {
        {"rewind", [](TapeHandle& h) { return h.setPosition(Rewind, 0, 0); }, {{MTREW, 1}}},
        {"absolute block",
         [](TapeHandle& h) { return h.setPosition(AbsoluteBlock, 0, 1); },
         {{MTSEEK, 1}}},
        {"logical block",
         [](TapeHandle& h) { return h.setPosition(LogicalBlock, 0, 123456); },
         {{MTSEEK, 123456}}},
        {"logical block of partition 2",
         [](TapeHandle& h) { return h.setPosition(LogicalBlock, 2, 5); },
         {{MTSETPART, 1}, {MTSEEK, 5}}},
        {"end of data",
         [](TapeHandle& h) { return h.setPosition(SpaceEndOfData, 0, 0); },
         {{MTEOM, 1}}},
        {"blocks forward",
         [](TapeHandle& h) { return h.setPosition(SpaceRelativeBlocks, 0, 3); },
         {{MTFSR, 3}}},
        {"blocks back",
         [](TapeHandle& h) { return h.setPosition(SpaceRelativeBlocks, 0, -2); },
         {{MTBSR, 2}}},
        {"no blocks", [](TapeHandle& h) { return h.setPosition(SpaceRelativeBlocks, 0, 0); }, {}},
        {"filemarks forward",
         [](TapeHandle& h) { return h.setPosition(SpaceFilemarks, 0, 4); },
         {{MTFSF, 4}}},
        {"filemarks back",
         [](TapeHandle& h) { return h.setPosition(SpaceFilemarks, 0, -1); },
         {{MTBSF, 1}}},
        {"load",
         [](TapeHandle& h) { return h.prepare(TapePrepareOperation::Load); },
         {{MTLOAD, 1}}},
        {"unload",
         [](TapeHandle& h) { return h.prepare(TapePrepareOperation::Unload); },
         {{MTOFFL, 1}}},
        {"tension",
         [](TapeHandle& h) { return h.prepare(TapePrepareOperation::Tension); },
         {{MTRETEN, 1}}},
        {"lock",
         [](TapeHandle& h) { return h.prepare(TapePrepareOperation::Lock); },
         {{MTLOCK, 1}}},
        {"unlock",
         [](TapeHandle& h) { return h.prepare(TapePrepareOperation::Unlock); },
         {{MTUNLOCK, 1}}},
        {"short erase",
         [](TapeHandle& h) { return h.erase(TapeEraseType::Short); },
         {{MTERASE, 0}}},
        {"long erase", [](TapeHandle& h) { return h.erase(TapeEraseType::Long); }, {{MTERASE, 1}}},
        {"filemarks",
         [](TapeHandle& h) { return h.writeTapemarks(TapemarkType::Filemarks, 50); },
         {{MTWEOF, 50}}},
        {"block size",
         [](TapeHandle& h) { return h.setMediaBlockSize(32768); },
         {{MTSETBLK, 32768}}},
        {"fixed partitions",
         [](TapeHandle& h) { return h.createPartition(TapePartitionMethod::Fixed, 0, 0); },
         {{MTMKPART, 0}}},
        {"two partitions",
         [](TapeHandle& h) { return h.createPartition(TapePartitionMethod::Initiator, 2, 100); },
         {{MTMKPART, 100}}},
    };
    auto handle = Open();
    for (const OperationCase& c : cases) {
        SCOPED_TRACE(c.what);
        driver->operations.clear();
        EXPECT_EQ(c.call(*handle), ResultCode::Success);
        EXPECT_EQ(driver->operations, c.operations);
    }
}

TEST_F(StTapeDeviceTest, RequestsTheDriverCannotExpressAreRefusedBeforeTheyReachIt) {
    using namespace TapePositionMethod;
    const std::vector<std::pair<std::function<ResultCode(TapeHandle&)>, ResultCode>> cases = {
        {[](TapeHandle& h) { return h.setPosition(AbsoluteBlock, 0, -1); },
         ResultCode::InvalidParameter},
        {[](TapeHandle& h) { return h.setPosition(AbsoluteBlock, 0, int64_t(1) << 40); },
         ResultCode::InvalidParameter},
        {[](TapeHandle& h) { return h.setPosition(SpaceRelativeBlocks, 0, INT64_MIN); },
         ResultCode::InvalidParameter},
        {[](TapeHandle& h) { return h.setPosition(99, 0, 0); }, ResultCode::InvalidFunction},
        {[](TapeHandle& h) { return h.prepare(99); }, ResultCode::InvalidFunction},
        {[](TapeHandle& h) { return h.erase(7); }, ResultCode::InvalidFunction},
        {[](TapeHandle& h) { return h.writeTapemarks(TapemarkType::Filemarks, 0x80000000u); },
         ResultCode::InvalidParameter},
        {[](TapeHandle& h) { return h.setMediaBlockSize(0x1000000); },
         ResultCode::InvalidBlockLength},
        {[](TapeHandle& h) { return h.createPartition(TapePartitionMethod::Select, 3, 100); },
         ResultCode::NotSupported},
        {[](TapeHandle& h) { return h.createPartition(TapePartitionMethod::Initiator, 2, 0); },
         ResultCode::InvalidParameter},
    };
    auto handle = Open();
    for (size_t i = 0; i < cases.size(); ++i) {
        EXPECT_EQ(cases[i].first(*handle), cases[i].second) << "case " << i;
    }
    EXPECT_TRUE(driver->operations.empty());
}

TEST_F(StTapeDeviceTest, FailedOperationsNameTheTapeCondition) {
    using namespace TapePositionMethod;
    struct Case {
        const char* what;
        short op;
        FakeStDriver::Answer answer;
        std::function<ResultCode(TapeHandle&)> call;
        ResultCode code;
    };
    const std::vector<Case> cases = {
        {"blocks back over the beginning",
         MTBSR,
         {-1, EIO, Online | AtBeginning},
         [](TapeHandle& h) { return h.setPosition(SpaceRelativeBlocks, 0, -5); },
         ResultCode::BeginningOfMedia},
        {"blocks forward into a filemark",
         MTFSR,
         {-1, EIO, Online | AtFilemark},
         [](TapeHandle& h) { return h.setPosition(SpaceRelativeBlocks, 0, 5); },
         ResultCode::FilemarkDetected},
        {"filemarks past the end of data",
         MTFSF,
         {-1, EIO, Online | AtEndOfData},
         [](TapeHandle& h) { return h.setPosition(SpaceFilemarks, 0, 5); },
         ResultCode::NoDataDetected},
        {"rewind without a medium",
         MTREW,
         {-1, ENOMEDIUM, DoorOpen},
         [](TapeHandle& h) { return h.setPosition(Rewind, 0, 0); },
         ResultCode::NoMediaInDrive},
        {"unload refused",
         MTOFFL,
         {-1, EIO, Online},
         [](TapeHandle& h) { return h.prepare(TapePrepareOperation::Unload); },
         ResultCode::UnableToUnloadMedia},
        {"lock refused",
         MTLOCK,
         {-1, EIO, Online},
         [](TapeHandle& h) { return h.prepare(TapePrepareOperation::Lock); },
         ResultCode::UnableToLockMedia},
        {"load of an empty drive",
         MTLOAD,
         {-1, EIO, DoorOpen},
         [](TapeHandle& h) { return h.prepare(TapePrepareOperation::Load); },
         ResultCode::NoMediaInDrive},
        {"erase of a protected medium",
         MTERASE,
         {-1, EACCES, Online | Protected},
         [](TapeHandle& h) { return h.erase(TapeEraseType::Short); },
         ResultCode::WriteProtect},
        {"filemarks on a protected medium",
         MTWEOF,
         {-1, EACCES, Online | Protected},
         [](TapeHandle& h) { return h.writeTapemarks(TapemarkType::Filemarks, 1); },
         ResultCode::WriteProtect},
        {"filemarks at the end of the tape",
         MTWEOF,
         {-1, ENOSPC, Online | AtEndOfTape},
         [](TapeHandle& h) { return h.writeTapemarks(TapemarkType::Filemarks, 1); },
         ResultCode::EndOfMedia},
        {"block size the drive rejects",
         MTSETBLK,
         {-1, EINVAL, Online},
         [](TapeHandle& h) { return h.setMediaBlockSize(3); },
         ResultCode::InvalidBlockLength},
        {"partitions the drive rejects",
         MTMKPART,
         {-1, EIO, Online},
         [](TapeHandle& h) { return h.createPartition(TapePartitionMethod::Initiator, 2, 10); },
         ResultCode::PartitionFailure},
        {"partitions of a protected medium",
         MTMKPART,
         {-1, EIO, Online | Protected},
         [](TapeHandle& h) { return h.createPartition(TapePartitionMethod::Fixed, 0, 0); },
         ResultCode::WriteProtect},
        {"partitions with partitioning off",
         MTMKPART,
         {-1, EINVAL, Online},
         [](TapeHandle& h) { return h.createPartition(TapePartitionMethod::Select, 2, 10); },
         ResultCode::PartitionFailure},
    };
    auto handle = Open();
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        driver->drive.mt_gstat = Online;
        driver->operationAnswers = {{c.op, c.answer}};
        EXPECT_EQ(c.call(*handle), c.code);
    }
}

TEST_F(StTapeDeviceTest, FormattingWithPartitioningSwitchedOffEmptiesTheTapeFromItsStart) {
    driver->operationAnswers = {{MTMKPART, {-1, EINVAL}}};
    auto handle = Open();
    EXPECT_EQ(handle->createPartition(TapePartitionMethod::Fixed, 0, 0), ResultCode::Success);
    const std::vector<std::pair<short, int>> expected = {{MTMKPART, 0}, {MTREW, 1}, {MTERASE, 0}};
    EXPECT_EQ(driver->operations, expected);
}

TEST_F(StTapeDeviceTest, PositionIsTheDriversBlockNumber) {
    auto handle = Open();
    driver->position = 4711;
    driver->drive.mt_resid = 1; // st's current partition, counted from 0
    uint32_t partition = 99;
    int64_t offset = 0;
    EXPECT_EQ(handle->getPosition(TapePositionType::Absolute, partition, offset),
              ResultCode::Success);
    EXPECT_EQ(offset, 4711);
    EXPECT_EQ(partition, 0u);
    EXPECT_EQ(handle->getPosition(TapePositionType::Logical, partition, offset),
              ResultCode::Success);
    EXPECT_EQ(partition, 2u);

    driver->positionError = ENOMEDIUM;
    offset = 0;
    EXPECT_EQ(handle->getPosition(TapePositionType::Absolute, partition, offset),
              ResultCode::NoMediaInDrive);
    EXPECT_EQ(offset, 0);
}

TEST_F(StTapeDeviceTest, MediaParametersComeFromTheDriverStatus) {
    driver->drive.mt_gstat = Online | Protected;
    driver->drive.mt_dsreg = (0x46L << MT_ST_DENSITY_SHIFT) | 32768;
    auto handle = Open();
    TapeMediaParameters media;
    media.Capacity = 99;
    EXPECT_EQ(handle->getMediaParameters(media), ResultCode::Success);
    EXPECT_EQ(media.BlockSize, 32768u);
    EXPECT_TRUE(media.WriteProtected);
    EXPECT_EQ(media.PartitionCount, 1u);
    EXPECT_EQ(media.Capacity, 0) << "no capacity without the drive's log page";
    EXPECT_EQ(media.Remaining, 0);

    driver->drive.mt_gstat = Online;
    driver->drive.mt_dsreg = 0; // variable block mode
    EXPECT_EQ(handle->getMediaParameters(media), ResultCode::Success);
    EXPECT_EQ(media.BlockSize, 0u);
    EXPECT_FALSE(media.WriteProtected);
}

TEST_F(StTapeDeviceTest, CapacityAndPartitionsComeFromTheDrivesPages) {
    driver->scsiAnswers[{0x4d, 0x31}] = CapacityLogPage({{1, 1000}, {2, 30}, {3, 2500}, {4, 40}});
    driver->scsiAnswers[{0x1a, 0x11}] = PartitionPage(3, 1);
    driver->scsiAnswers[{0x1a, 0x0f}] = ModeSenseAnswer({0x0f, 14, 0xc0, 0x80, 0, 0, 0, 0});
    driver->scsiAnswers[{0x05, 0}] = {0, 0x08, 0x00, 0x00, 0x00, 0x04};
    auto handle = Open();

    TapeMediaParameters media;
    EXPECT_EQ(handle->getMediaParameters(media), ResultCode::Success);
    EXPECT_EQ(media.Capacity, 2500LL * 1048576);
    EXPECT_EQ(media.Remaining, 1000LL * 1048576);
    EXPECT_EQ(media.PartitionCount, 2u);

    driver->drive.mt_resid = 1; // in the second partition
    EXPECT_EQ(handle->getMediaParameters(media), ResultCode::Success);
    EXPECT_EQ(media.Capacity, 40LL * 1048576);
    EXPECT_EQ(media.Remaining, 30LL * 1048576);

    TapeDriveParameters drive;
    EXPECT_EQ(handle->getDriveParameters(drive), ResultCode::Success);
    EXPECT_EQ(drive.MaximumPartitionCount, 4u);
    EXPECT_TRUE(drive.Compression);
    EXPECT_TRUE(drive.ECC);
    EXPECT_EQ(drive.MaximumBlockSize, 0x080000u);
    EXPECT_EQ(drive.MinimumBlockSize, 4u);
    EXPECT_EQ(drive.DefaultBlockSize, TapeBlockSize);
}

TEST_F(StTapeDeviceTest, ADriveThatKeepsItsPagesToItselfStillAnswers) {
    driver->scsiAnswers[{0x4d, 0x31}] = {0x30, 0, 0, 0}; // some other log page
    driver->scsiAnswers[{0x1a, 0x11}] = {3, 0, 0, 0};    // a header without the page
    auto handle = Open();
    TapeMediaParameters media;
    EXPECT_EQ(handle->getMediaParameters(media), ResultCode::Success);
    EXPECT_EQ(media.Capacity, 0);
    EXPECT_EQ(media.PartitionCount, 1u);
    TapeDriveParameters drive;
    EXPECT_EQ(handle->getDriveParameters(drive), ResultCode::Success);
    EXPECT_EQ(drive.MaximumPartitionCount, 1u);
    EXPECT_FALSE(drive.Compression);
    EXPECT_EQ(drive.MinimumBlockSize, 1u);
    EXPECT_GE(drive.MaximumBlockSize, TapeBlockSize);
}

TEST_F(StTapeDeviceTest, AnEmptyDriveAnswersNoMediaAndAReturningTapeAMediaChangeOnce) {
    auto handle = Open();
    TapeMediaParameters media;
    driver->drive.mt_gstat = DoorOpen;
    EXPECT_EQ(handle->getMediaParameters(media), ResultCode::NoMediaInDrive);

    driver->drive.mt_gstat = 0; // a cartridge is in, but not loaded yet
    EXPECT_EQ(handle->getMediaParameters(media), ResultCode::NotReady);

    driver->drive.mt_gstat = Online;
    EXPECT_EQ(handle->getMediaParameters(media), ResultCode::MediaChanged);
    EXPECT_EQ(handle->getMediaParameters(media), ResultCode::Success);
}

TEST_F(StTapeDeviceTest, TheFirstQueryAfterACartridgeChangeTellsOfItAcrossHandles) {
    TapeMediaParameters media;
    EXPECT_EQ(Open()->getMediaParameters(media), ResultCode::Success)
        << "nothing is known before the first look";

    auto handle = Open();
    EXPECT_EQ(handle->prepare(TapePrepareOperation::Unload), ResultCode::Success);
    handle.reset();

    driver->openAnswers = {{-1, ENOMEDIUM}};
    ResultCode failure = ResultCode::Success;
    EXPECT_EQ(device->open(failure), nullptr);
    EXPECT_EQ(failure, ResultCode::NoMediaInDrive);

    EXPECT_EQ(Open()->getMediaParameters(media), ResultCode::MediaChanged);
    EXPECT_EQ(Open()->getMediaParameters(media), ResultCode::Success);
}

TEST(StTapeDriveProbe, TheTapeLayerLearnsBlockLimitAndPositioningFromTheDrive) {
    auto driver = std::make_shared<FakeStDriver>();
    driver->scsiAnswers[{0x4d, 0x31}] = CapacityLogPage({{1, 800}, {3, 1000}});
    driver->scsiAnswers[{0x1a, 0x11}] = PartitionPage(1, 0);
    auto device = CreateStTapeDevice("/dev/nst0", driver);
    test::TempHome home;
    test::ScriptedOperator op;
    ProtocolLog protocol(home.file("orvane_backup.log"), op);
    TapeContext ctx(op, protocol, *device);

    ProbeTapeDrive(ctx);

    EXPECT_EQ(ctx.BlockLimit, 1000 * 32 - 10); // 1000 megabytes of 32 KB blocks, ten kept free
    EXPECT_EQ(ctx.PositionMethod, 2);
    EXPECT_EQ(ctx.PositionType, 1);
    EXPECT_TRUE(op.boxes.empty());
    EXPECT_FALSE(ctx.CancelFlag);
    EXPECT_NE(std::find(driver->operations.begin(), driver->operations.end(),
                        std::make_pair(short(MTSETBLK), 32768)),
              driver->operations.end());
}

} // namespace
