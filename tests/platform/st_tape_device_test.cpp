#include "platform/protocol_log.h"
#include "platform/st_tape_device.h"
#include "support/result_code_printer.h"
#include "support/scripted_operator.h"
#include "support/temp_home.h"
#include "tape/tape_access.h"
#include "tape/tape_context.h"
#include "tape/tape_menu_commands.h"

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
            : Result(result), Error(error), StatusAfter(statusAfter) {}
        ssize_t Result;
        int Error;
        std::optional<long> StatusAfter; // the drive's status once the call is done
    };

    std::deque<Answer> OpenAnswers;
    std::deque<Answer> ReadAnswers;
    std::deque<Answer> WriteAnswers;
    std::map<short, Answer> OperationAnswers; // by mt_op; unlisted operations succeed
    mtget Drive{};
    int StatusError = 0;
    long Position = 0;
    int PositionError = 0;
    // SG_IO answers by operation code and page; without one the call fails as st does for a
    // user without CAP_SYS_RAWIO.
    std::map<std::pair<uint8_t, uint8_t>, std::vector<uint8_t>> ScsiAnswers;

    std::vector<std::pair<std::string, int>> Opens;
    std::vector<int> Closes;
    std::vector<std::pair<short, int>> Operations;
    std::vector<char> FirstBytesWritten;
    std::vector<size_t> ReadLengths;
    std::vector<size_t> WriteLengths;

    FakeStDriver() { Drive.mt_gstat = Online; }

    int Open(const char* path, int flags) override {
        Opens.emplace_back(path, flags);
        return NextAnswer(OpenAnswers, 7);
    }
    int Close(int fd) override {
        Closes.push_back(fd);
        return 0;
    }
    ssize_t Read(int, void* buffer, size_t length) override {
        ReadLengths.push_back(length);
        const ssize_t result = NextAnswer(ReadAnswers, ssize_t(length));
        if (result > 0)
            std::memset(buffer, 'r', size_t(result));
        return result;
    }
    ssize_t Write(int, const void* buffer, size_t length) override {
        WriteLengths.push_back(length);
        const ssize_t result = NextAnswer(WriteAnswers, ssize_t(length));
        if (result > 0)
            FirstBytesWritten.push_back(*static_cast<const char*>(buffer));
        return result;
    }
    int Ioctl(int, unsigned long request, void* argument) override {
        if (request == MTIOCTOP) {
            const auto* op = static_cast<mtop*>(argument);
            Operations.emplace_back(op->mt_op, op->mt_count);
            const auto scripted = OperationAnswers.find(op->mt_op);
            if (scripted == OperationAnswers.end())
                return 0;
            return int(Apply(scripted->second));
        }
        if (request == MTIOCGET) {
            if (StatusError != 0)
                return Fail(StatusError);
            *static_cast<mtget*>(argument) = Drive;
            return 0;
        }
        if (request == MTIOCPOS) {
            if (PositionError != 0)
                return Fail(PositionError);
            static_cast<mtpos*>(argument)->mt_blkno = Position;
            return 0;
        }
        if (request == SG_IO)
            return Scsi(*static_cast<sg_io_hdr_t*>(argument));
        return Fail(ENOTTY);
    }

private:
    static int Fail(int error) {
        errno = error;
        return -1;
    }
    template <typename T> T NextAnswer(std::deque<Answer>& script, T otherwise) {
        if (script.empty())
            return otherwise;
        const Answer next = script.front();
        script.pop_front();
        return T(Apply(next));
    }
    ssize_t Apply(const Answer& answer) {
        if (answer.StatusAfter)
            Drive.mt_gstat = *answer.StatusAfter;
        if (answer.Result < 0)
            errno = answer.Error;
        return answer.Result;
    }
    int Scsi(sg_io_hdr_t& io) {
        const uint8_t opcode = io.cmdp[0];
        const uint8_t page = opcode == 0x1a || opcode == 0x4d ? io.cmdp[2] & 0x3f : 0;
        const auto found = ScsiAnswers.find({opcode, page});
        if (found == ScsiAnswers.end())
            return Fail(EPERM);
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
    constexpr size_t Header = 4, Descriptor = 8;
    std::vector<uint8_t> answer(Header + Descriptor + page.size(), 0);
    answer[0] = uint8_t(answer.size() - 1);
    answer[3] = Descriptor;
    answer[Header + 6] = 0x80; // a block length of 32768
    std::copy(page.begin(), page.end(), answer.begin() + Header + Descriptor);
    return answer;
}

std::vector<uint8_t> PartitionPage(uint8_t maximumAdditional, uint8_t additionalDefined) {
    return ModeSenseAnswer({0x11, 6, maximumAdditional, additionalDefined, 0x30, 0, 0, 0});
}

class StTapeDeviceTest : public ::testing::Test {
protected:
    std::unique_ptr<TapeHandle> Open() {
        ResultCode failure = ResultCode::Success;
        auto handle = m_device->Open(failure);
        EXPECT_TRUE(handle) << "open failed with " << CodeValue(failure);
        return handle;
    }

    std::shared_ptr<FakeStDriver> m_driver = std::make_shared<FakeStDriver>();
    std::unique_ptr<TapeDevice> m_device = CreateStTapeDevice("/dev/nst0", m_driver);
    std::vector<char> m_block = std::vector<char>(TapeBlockSize, 'w');
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
    const QString dir = QDir(home.Path()).canonicalPath();
    QFile(dir + "/st3").open(QIODevice::WriteOnly);
    QFile(dir + "/nst3").open(QIODevice::WriteOnly);
    ASSERT_TRUE(QFile::link(dir + "/st3", dir + "/drive"));
    ASSERT_TRUE(QFile::link(dir + "/nst3", dir + "/drive-nst"));

    EXPECT_EQ(NonRewindingTwin(dir + "/drive"), dir + "/nst3");
    EXPECT_EQ(NonRewindingTwin(dir + "/drive-nst"), dir + "/drive-nst");
}

TEST_F(StTapeDeviceTest, OpensForReadingAndWritingAndClosesWithTheHandle) {
    auto handle = Open();
    ASSERT_EQ(m_driver->Opens.size(), 1u);
    EXPECT_EQ(m_driver->Opens[0].first, "/dev/nst0");
    EXPECT_EQ(m_driver->Opens[0].second & O_ACCMODE, O_RDWR);
    EXPECT_TRUE(m_driver->Opens[0].second & O_CLOEXEC) << "pre- and post-commands must not hold it";
    EXPECT_EQ(m_device->Name(), "/dev/nst0");
    handle.reset();
    EXPECT_EQ(m_driver->Closes, std::vector<int>{7});
}

TEST_F(StTapeDeviceTest, AProtectedMediumIsOpenedForReadingAndRefusesWrites) {
    m_driver->OpenAnswers = {{-1, EROFS}, {8}};
    auto handle = Open();
    ASSERT_TRUE(handle);
    ASSERT_EQ(m_driver->Opens.size(), 2u);
    EXPECT_EQ(m_driver->Opens[1].second & O_ACCMODE, O_RDONLY);

    std::vector<char> buffer(TapeBlockSize);
    EXPECT_EQ(handle->ReadBlock(buffer.data(), TapeBlockSize), ResultCode::Success);
    m_driver->WriteAnswers = {{-1, EBADF}};
    EXPECT_EQ(handle->WriteBlock(m_block.data(), TapeBlockSize), ResultCode::WriteProtect);
}

TEST_F(StTapeDeviceTest, ANodeWeMayOnlyReadIsOpenedForReadingAndWritesAreDenied) {
    m_driver->OpenAnswers = {{-1, EACCES}, {8}};
    auto handle = Open();
    ASSERT_TRUE(handle);
    m_driver->WriteAnswers = {{-1, EBADF}};
    EXPECT_EQ(handle->WriteBlock(m_block.data(), TapeBlockSize), ResultCode::AccessDenied);
}

TEST_F(StTapeDeviceTest, AFailedOpenGivesNullAndTellsWhy) {
    const std::vector<std::pair<int, ResultCode>> cases = {{ENOMEDIUM, ResultCode::NoMediaInDrive},
                                                           {ENOENT, ResultCode::FileNotFound},
                                                           {EBUSY, ResultCode::Busy},
                                                           {ENXIO, ResultCode::BadUnit},
                                                           {EIO, ResultCode::NotReady},
                                                           {EPERM, ResultCode::AccessDenied}};
    for (const auto& [error, code] : cases) {
        m_driver->OpenAnswers = {{-1, error}};
        ResultCode failure = ResultCode::Success;
        EXPECT_EQ(m_device->Open(failure), nullptr) << error;
        EXPECT_EQ(failure, code) << error;
    }
    EXPECT_TRUE(m_driver->Closes.empty());
}

TEST_F(StTapeDeviceTest, BlockTransfersMoveExactlyOneBlock) {
    auto handle = Open();
    std::vector<char> buffer(TapeBlockSize, 0);
    EXPECT_EQ(handle->ReadBlock(buffer.data(), TapeBlockSize), ResultCode::Success);
    EXPECT_EQ(buffer.front(), 'r');
    EXPECT_EQ(buffer.back(), 'r');
    EXPECT_EQ(handle->WriteBlock(m_block.data(), TapeBlockSize), ResultCode::Success);
    EXPECT_EQ(m_driver->FirstBytesWritten, std::vector<char>{'w'});

    EXPECT_EQ(handle->ReadBlock(buffer.data(), 512), ResultCode::InvalidBlockLength);
    EXPECT_EQ(handle->WriteBlock(m_block.data(), 65536), ResultCode::InvalidBlockLength);
    EXPECT_TRUE(m_driver->ReadAnswers.empty());
    EXPECT_EQ(m_driver->FirstBytesWritten.size(), 1u) << "a wrong length never reaches the drive";
}

struct TransferCase {
    const char* What;
    bool Write;
    FakeStDriver::Answer Answer;
    long Status;
    ResultCode Code;
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
        SCOPED_TRACE(c.What);
        m_driver->Drive.mt_gstat = Online;
        FakeStDriver::Answer answer = c.Answer;
        answer.StatusAfter = c.Status;
        ResultCode code = ResultCode::Success;
        if (c.Write) {
            m_driver->WriteAnswers = {answer};
            code = handle->WriteBlock(m_block.data(), TapeBlockSize);
        } else {
            m_driver->ReadAnswers = {answer};
            code = handle->ReadBlock(buffer.data(), TapeBlockSize);
        }
        EXPECT_EQ(code, c.Code);
        handle->SetPosition(TapePositionMethod::Rewind, 0, 0); // forget the last read
    }
}

TEST_F(StTapeDeviceTest, ReadingThroughFilemarksToTheEndOfData) {
    auto handle = Open();
    std::vector<char> buffer(TapeBlockSize);
    m_driver->ReadAnswers = {{32768, 0, Online},
                             {0, 0, Online | AtFilemark},
                             {0, 0, Online | AtFilemark}, // a second filemark right behind
                             {32768, 0, Online},
                             {0, 0, Online | AtFilemark},
                             {0, 0, Online | AtFilemark | AtEndOfData}};
    const std::vector<ResultCode> expected = {
        ResultCode::Success, ResultCode::FilemarkDetected, ResultCode::FilemarkDetected,
        ResultCode::Success, ResultCode::FilemarkDetected, ResultCode::NoDataDetected};
    for (ResultCode code : expected)
        EXPECT_EQ(handle->ReadBlock(buffer.data(), TapeBlockSize), code);
}

TEST_F(StTapeDeviceTest, WithoutAStatusTwoEmptyReadsInARowEndTheData) {
    auto handle = Open();
    std::vector<char> buffer(TapeBlockSize);
    m_driver->StatusError = EIO;
    m_driver->ReadAnswers = {{0}, {0}};
    EXPECT_EQ(handle->ReadBlock(buffer.data(), TapeBlockSize), ResultCode::FilemarkDetected);
    EXPECT_EQ(handle->ReadBlock(buffer.data(), TapeBlockSize), ResultCode::NoDataDetected);
}

constexpr long FixedBlocks = long(TapeBlockSize) << MT_ST_BLKSIZE_SHIFT;
constexpr ssize_t Blocks(ssize_t count) {
    return count * ssize_t(TapeBlockSize);
}

TEST_F(StTapeDeviceTest, InFixedBlockModeARunIsOneTransfer) {
    m_driver->Drive.mt_dsreg = FixedBlocks;
    auto handle = Open();
    std::vector<char> run(size_t(Blocks(8)), 'w');
    uint32_t done = 0;
    EXPECT_EQ(handle->WriteBlocks(run.data(), 8, done), ResultCode::Success);
    EXPECT_EQ(done, 8u);
    EXPECT_EQ(handle->ReadBlocks(run.data(), 8, done), ResultCode::Success);
    EXPECT_EQ(done, 8u);
    EXPECT_EQ(m_driver->WriteLengths, std::vector<size_t>{size_t(Blocks(8))});
    EXPECT_EQ(m_driver->ReadLengths, std::vector<size_t>{size_t(Blocks(8))});
}

TEST_F(StTapeDeviceTest, InVariableBlockModeEveryBlockIsATransferOfItsOwn) {
    m_driver->Drive.mt_dsreg = 0;
    auto handle = Open();
    std::vector<char> run(size_t(Blocks(3)), 'w');
    uint32_t done = 0;
    EXPECT_EQ(handle->WriteBlocks(run.data(), 3, done), ResultCode::Success);
    EXPECT_EQ(handle->ReadBlocks(run.data(), 3, done), ResultCode::Success);
    EXPECT_EQ(done, 3u);
    EXPECT_EQ(m_driver->WriteLengths, std::vector<size_t>(3, TapeBlockSize));
    EXPECT_EQ(m_driver->ReadLengths, std::vector<size_t>(3, TapeBlockSize));
}

// The end of the medium, a filemark and a bad block inside a run: each is met at its own block.
TEST_F(StTapeDeviceTest, ARunTellsTheBlockWhereItStopped) {
    m_driver->Drive.mt_dsreg = FixedBlocks;
    auto handle = Open();
    std::vector<char> run(size_t(Blocks(8)), 'w');
    uint32_t done = 0;

    m_driver->WriteAnswers = {{Blocks(5), 0, Online | AtEndOfTape}, {-1, ENOSPC}};
    EXPECT_EQ(handle->WriteBlocks(run.data(), 8, done), ResultCode::EndOfMedia);
    EXPECT_EQ(done, 5u) << "the early warning came after five blocks";
    EXPECT_EQ(handle->WriteBlocks(run.data(), 3, done), ResultCode::EndOfMedia);
    EXPECT_EQ(done, 0u);

    m_driver->ReadAnswers = {{Blocks(3), 0, Online}, {0, 0, Online | AtFilemark}};
    EXPECT_EQ(handle->ReadBlocks(run.data(), 8, done), ResultCode::Success);
    EXPECT_EQ(done, 3u) << "st hands out the blocks before the filemark";
    EXPECT_EQ(handle->ReadBlocks(run.data(), 8, done), ResultCode::FilemarkDetected);
    EXPECT_EQ(done, 0u);

    // A medium error loses the run: it is read again block by block from where it began.
    m_driver->Drive.mt_gstat = Online;
    m_driver->Position = 40;
    m_driver->Operations.clear();
    m_driver->ReadLengths.clear();
    m_driver->ReadAnswers = {{-1, EIO, Online}, {Blocks(1)}, {Blocks(1)}, {-1, EIO, Online}};
    EXPECT_EQ(handle->ReadBlocks(run.data(), 8, done), ResultCode::Crc);
    EXPECT_EQ(done, 2u);
    EXPECT_EQ(m_driver->Operations, (std::vector<std::pair<short, int>>{{MTSEEK, 40}}));
    EXPECT_EQ(m_driver->ReadLengths, (std::vector<size_t>{size_t(Blocks(8)), TapeBlockSize,
                                                          TapeBlockSize, TapeBlockSize}));
}

struct OperationCase {
    const char* What;
    std::function<ResultCode(TapeHandle&)> Call;
    std::vector<std::pair<short, int>> Operations;
};

TEST_F(StTapeDeviceTest, TapeOperationsIssueTheirStOperations) {
    using namespace TapePositionMethod;
    const std::vector<OperationCase> cases = {
        {"rewind", [](TapeHandle& h) { return h.SetPosition(Rewind, 0, 0); }, {{MTREW, 1}}},
        {"absolute block",
         [](TapeHandle& h) { return h.SetPosition(AbsoluteBlock, 0, 1); },
         {{MTSEEK, 1}}},
        {"logical block",
         [](TapeHandle& h) { return h.SetPosition(LogicalBlock, 0, 123456); },
         {{MTSEEK, 123456}}},
        {"logical block of partition 2",
         [](TapeHandle& h) { return h.SetPosition(LogicalBlock, 2, 5); },
         {{MTSETPART, 1}, {MTSEEK, 5}}},
        {"end of data",
         [](TapeHandle& h) { return h.SetPosition(SpaceEndOfData, 0, 0); },
         {{MTEOM, 1}}},
        {"blocks forward",
         [](TapeHandle& h) { return h.SetPosition(SpaceRelativeBlocks, 0, 3); },
         {{MTFSR, 3}}},
        {"blocks back",
         [](TapeHandle& h) { return h.SetPosition(SpaceRelativeBlocks, 0, -2); },
         {{MTBSR, 2}}},
        {"no blocks", [](TapeHandle& h) { return h.SetPosition(SpaceRelativeBlocks, 0, 0); }, {}},
        {"filemarks forward",
         [](TapeHandle& h) { return h.SetPosition(SpaceFilemarks, 0, 4); },
         {{MTFSF, 4}}},
        {"filemarks back",
         [](TapeHandle& h) { return h.SetPosition(SpaceFilemarks, 0, -1); },
         {{MTBSF, 1}}},
        {"load",
         [](TapeHandle& h) { return h.Prepare(TapePrepareOperation::Load); },
         {{MTLOAD, 1}}},
        {"unload",
         [](TapeHandle& h) { return h.Prepare(TapePrepareOperation::Unload); },
         {{MTOFFL, 1}}},
        {"tension",
         [](TapeHandle& h) { return h.Prepare(TapePrepareOperation::Tension); },
         {{MTRETEN, 1}}},
        {"lock",
         [](TapeHandle& h) { return h.Prepare(TapePrepareOperation::Lock); },
         {{MTLOCK, 1}}},
        {"unlock",
         [](TapeHandle& h) { return h.Prepare(TapePrepareOperation::Unlock); },
         {{MTUNLOCK, 1}}},
        {"short erase",
         [](TapeHandle& h) { return h.Erase(TapeEraseType::Short); },
         {{MTERASE, 0}}},
        {"long erase", [](TapeHandle& h) { return h.Erase(TapeEraseType::Long); }, {{MTERASE, 1}}},
        {"filemarks",
         [](TapeHandle& h) { return h.WriteTapemarks(TapemarkType::Filemarks, 50); },
         {{MTWEOF, 50}}},
        {"block size",
         [](TapeHandle& h) { return h.SetMediaBlockSize(32768); },
         {{MTSETBLK, 32768}}},
        {"fixed partitions",
         [](TapeHandle& h) { return h.CreatePartition(TapePartitionMethod::Fixed, 0, 0); },
         {{MTMKPART, 0}}},
        {"two partitions",
         [](TapeHandle& h) { return h.CreatePartition(TapePartitionMethod::Initiator, 2, 100); },
         {{MTMKPART, 100}}},
    };
    auto handle = Open();
    for (const OperationCase& c : cases) {
        SCOPED_TRACE(c.What);
        m_driver->Operations.clear();
        EXPECT_EQ(c.Call(*handle), ResultCode::Success);
        EXPECT_EQ(m_driver->Operations, c.Operations);
    }
}

TEST_F(StTapeDeviceTest, RequestsTheDriverCannotExpressAreRefusedBeforeTheyReachIt) {
    using namespace TapePositionMethod;
    const std::vector<std::pair<std::function<ResultCode(TapeHandle&)>, ResultCode>> cases = {
        {[](TapeHandle& h) { return h.SetPosition(AbsoluteBlock, 0, -1); },
         ResultCode::InvalidParameter},
        {[](TapeHandle& h) { return h.SetPosition(AbsoluteBlock, 0, int64_t(1) << 40); },
         ResultCode::InvalidParameter},
        {[](TapeHandle& h) { return h.SetPosition(SpaceRelativeBlocks, 0, INT64_MIN); },
         ResultCode::InvalidParameter},
        {[](TapeHandle& h) { return h.SetPosition(99, 0, 0); }, ResultCode::InvalidFunction},
        {[](TapeHandle& h) { return h.Prepare(99); }, ResultCode::InvalidFunction},
        {[](TapeHandle& h) { return h.Erase(7); }, ResultCode::InvalidFunction},
        {[](TapeHandle& h) { return h.WriteTapemarks(TapemarkType::Filemarks, 0x80000000u); },
         ResultCode::InvalidParameter},
        {[](TapeHandle& h) { return h.SetMediaBlockSize(0x1000000); },
         ResultCode::InvalidBlockLength},
        {[](TapeHandle& h) { return h.CreatePartition(TapePartitionMethod::Select, 3, 100); },
         ResultCode::NotSupported},
        {[](TapeHandle& h) { return h.CreatePartition(TapePartitionMethod::Initiator, 2, 0); },
         ResultCode::InvalidParameter},
    };
    auto handle = Open();
    for (size_t i = 0; i < cases.size(); ++i) {
        EXPECT_EQ(cases[i].first(*handle), cases[i].second) << "case " << i;
    }
    EXPECT_TRUE(m_driver->Operations.empty());
}

TEST_F(StTapeDeviceTest, FailedOperationsNameTheTapeCondition) {
    using namespace TapePositionMethod;
    struct Case {
        const char* What;
        short Op;
        FakeStDriver::Answer Answer;
        std::function<ResultCode(TapeHandle&)> Call;
        ResultCode Code;
    };
    const std::vector<Case> cases = {
        {"blocks back over the beginning",
         MTBSR,
         {-1, EIO, Online | AtBeginning},
         [](TapeHandle& h) { return h.SetPosition(SpaceRelativeBlocks, 0, -5); },
         ResultCode::BeginningOfMedia},
        {"blocks forward into a filemark",
         MTFSR,
         {-1, EIO, Online | AtFilemark},
         [](TapeHandle& h) { return h.SetPosition(SpaceRelativeBlocks, 0, 5); },
         ResultCode::FilemarkDetected},
        {"filemarks past the end of data",
         MTFSF,
         {-1, EIO, Online | AtEndOfData},
         [](TapeHandle& h) { return h.SetPosition(SpaceFilemarks, 0, 5); },
         ResultCode::NoDataDetected},
        {"rewind without a medium",
         MTREW,
         {-1, ENOMEDIUM, DoorOpen},
         [](TapeHandle& h) { return h.SetPosition(Rewind, 0, 0); },
         ResultCode::NoMediaInDrive},
        {"unload refused",
         MTOFFL,
         {-1, EIO, Online},
         [](TapeHandle& h) { return h.Prepare(TapePrepareOperation::Unload); },
         ResultCode::UnableToUnloadMedia},
        {"lock refused",
         MTLOCK,
         {-1, EIO, Online},
         [](TapeHandle& h) { return h.Prepare(TapePrepareOperation::Lock); },
         ResultCode::UnableToLockMedia},
        {"load of an empty drive",
         MTLOAD,
         {-1, EIO, DoorOpen},
         [](TapeHandle& h) { return h.Prepare(TapePrepareOperation::Load); },
         ResultCode::NoMediaInDrive},
        {"erase of a protected medium",
         MTERASE,
         {-1, EACCES, Online | Protected},
         [](TapeHandle& h) { return h.Erase(TapeEraseType::Short); },
         ResultCode::WriteProtect},
        {"filemarks on a protected medium",
         MTWEOF,
         {-1, EACCES, Online | Protected},
         [](TapeHandle& h) { return h.WriteTapemarks(TapemarkType::Filemarks, 1); },
         ResultCode::WriteProtect},
        {"filemarks at the end of the tape",
         MTWEOF,
         {-1, ENOSPC, Online | AtEndOfTape},
         [](TapeHandle& h) { return h.WriteTapemarks(TapemarkType::Filemarks, 1); },
         ResultCode::EndOfMedia},
        {"block size the drive rejects",
         MTSETBLK,
         {-1, EINVAL, Online},
         [](TapeHandle& h) { return h.SetMediaBlockSize(3); },
         ResultCode::InvalidBlockLength},
        {"partitions the drive rejects",
         MTMKPART,
         {-1, EIO, Online},
         [](TapeHandle& h) { return h.CreatePartition(TapePartitionMethod::Initiator, 2, 10); },
         ResultCode::PartitionFailure},
        {"partitions of a protected medium",
         MTMKPART,
         {-1, EIO, Online | Protected},
         [](TapeHandle& h) { return h.CreatePartition(TapePartitionMethod::Fixed, 0, 0); },
         ResultCode::WriteProtect},
        {"partitions with partitioning off",
         MTMKPART,
         {-1, EINVAL, Online},
         [](TapeHandle& h) { return h.CreatePartition(TapePartitionMethod::Select, 2, 10); },
         ResultCode::PartitionFailure},
    };
    auto handle = Open();
    for (const Case& c : cases) {
        SCOPED_TRACE(c.What);
        m_driver->Drive.mt_gstat = Online;
        m_driver->OperationAnswers = {{c.Op, c.Answer}};
        EXPECT_EQ(c.Call(*handle), c.Code);
    }
}

TEST_F(StTapeDeviceTest, FormattingWithPartitioningSwitchedOffEmptiesTheTapeFromItsStart) {
    m_driver->OperationAnswers = {{MTMKPART, {-1, EINVAL}}};
    auto handle = Open();
    EXPECT_EQ(handle->CreatePartition(TapePartitionMethod::Fixed, 0, 0), ResultCode::Success);
    const std::vector<std::pair<short, int>> expected = {{MTMKPART, 0}, {MTREW, 1}, {MTERASE, 0}};
    EXPECT_EQ(m_driver->Operations, expected);
}

TEST_F(StTapeDeviceTest, PositionIsTheDriversBlockNumber) {
    auto handle = Open();
    m_driver->Position = 4711;
    m_driver->Drive.mt_resid = 1; // st's current partition, counted from 0
    uint32_t partition = 99;
    int64_t offset = 0;
    EXPECT_EQ(handle->GetPosition(TapePositionType::Absolute, partition, offset),
              ResultCode::Success);
    EXPECT_EQ(offset, 4711);
    EXPECT_EQ(partition, 0u);
    EXPECT_EQ(handle->GetPosition(TapePositionType::Logical, partition, offset),
              ResultCode::Success);
    EXPECT_EQ(partition, 2u);

    m_driver->PositionError = ENOMEDIUM;
    offset = 0;
    EXPECT_EQ(handle->GetPosition(TapePositionType::Absolute, partition, offset),
              ResultCode::NoMediaInDrive);
    EXPECT_EQ(offset, 0);
}

TEST_F(StTapeDeviceTest, MediaParametersComeFromTheDriverStatus) {
    m_driver->Drive.mt_gstat = Online | Protected;
    m_driver->Drive.mt_dsreg = (0x46L << MT_ST_DENSITY_SHIFT) | 32768;
    auto handle = Open();
    TapeMediaParameters media;
    media.Capacity = 99;
    EXPECT_EQ(handle->GetMediaParameters(media), ResultCode::Success);
    EXPECT_EQ(media.BlockSize, 32768u);
    EXPECT_TRUE(media.WriteProtected);
    EXPECT_EQ(media.PartitionCount, 1u);
    EXPECT_EQ(media.Capacity, 0) << "no capacity without the drive's log page";
    EXPECT_EQ(media.Remaining, 0);

    m_driver->Drive.mt_gstat = Online;
    m_driver->Drive.mt_dsreg = 0; // variable block mode
    EXPECT_EQ(handle->GetMediaParameters(media), ResultCode::Success);
    EXPECT_EQ(media.BlockSize, 0u);
    EXPECT_FALSE(media.WriteProtected);
}

TEST_F(StTapeDeviceTest, CapacityAndPartitionsComeFromTheDrivesPages) {
    m_driver->ScsiAnswers[{0x4d, 0x31}] = CapacityLogPage({{1, 1000}, {2, 30}, {3, 2500}, {4, 40}});
    m_driver->ScsiAnswers[{0x1a, 0x11}] = PartitionPage(3, 1);
    m_driver->ScsiAnswers[{0x1a, 0x0f}] = ModeSenseAnswer({0x0f, 14, 0xc0, 0x80, 0, 0, 0, 0});
    m_driver->ScsiAnswers[{0x05, 0}] = {0, 0x08, 0x00, 0x00, 0x00, 0x04};
    auto handle = Open();

    TapeMediaParameters media;
    EXPECT_EQ(handle->GetMediaParameters(media), ResultCode::Success);
    EXPECT_EQ(media.Capacity, 2500LL * 1048576);
    EXPECT_EQ(media.Remaining, 1000LL * 1048576);
    EXPECT_EQ(media.PartitionCount, 2u);

    m_driver->Drive.mt_resid = 1; // in the second partition
    EXPECT_EQ(handle->GetMediaParameters(media), ResultCode::Success);
    EXPECT_EQ(media.Capacity, 40LL * 1048576);
    EXPECT_EQ(media.Remaining, 30LL * 1048576);

    TapeDriveParameters drive;
    EXPECT_EQ(handle->GetDriveParameters(drive), ResultCode::Success);
    EXPECT_EQ(drive.MaximumPartitionCount, 4u);
    EXPECT_TRUE(drive.Compression);
    EXPECT_TRUE(drive.ECC);
    EXPECT_EQ(drive.MaximumBlockSize, 0x080000u);
    EXPECT_EQ(drive.MinimumBlockSize, 4u);
    EXPECT_EQ(drive.DefaultBlockSize, TapeBlockSize);
}

TEST_F(StTapeDeviceTest, ADriveThatKeepsItsPagesToItselfStillAnswers) {
    m_driver->ScsiAnswers[{0x4d, 0x31}] = {0x30, 0, 0, 0}; // some other log page
    m_driver->ScsiAnswers[{0x1a, 0x11}] = {3, 0, 0, 0};    // a header without the page
    auto handle = Open();
    TapeMediaParameters media;
    EXPECT_EQ(handle->GetMediaParameters(media), ResultCode::Success);
    EXPECT_EQ(media.Capacity, 0);
    EXPECT_EQ(media.PartitionCount, 1u);
    TapeDriveParameters drive;
    EXPECT_EQ(handle->GetDriveParameters(drive), ResultCode::Success);
    EXPECT_EQ(drive.MaximumPartitionCount, 1u);
    EXPECT_FALSE(drive.Compression);
    EXPECT_EQ(drive.MinimumBlockSize, 1u);
    EXPECT_GE(drive.MaximumBlockSize, TapeBlockSize);
}

TEST_F(StTapeDeviceTest, AnEmptyDriveAnswersNoMediaAndAReturningTapeAMediaChangeOnce) {
    auto handle = Open();
    TapeMediaParameters media;
    m_driver->Drive.mt_gstat = DoorOpen;
    EXPECT_EQ(handle->GetMediaParameters(media), ResultCode::NoMediaInDrive);

    m_driver->Drive.mt_gstat = 0; // a cartridge is in, but not loaded yet
    EXPECT_EQ(handle->GetMediaParameters(media), ResultCode::NotReady);

    m_driver->Drive.mt_gstat = Online;
    EXPECT_EQ(handle->GetMediaParameters(media), ResultCode::MediaChanged);
    EXPECT_EQ(handle->GetMediaParameters(media), ResultCode::Success);
}

TEST_F(StTapeDeviceTest, TheFirstQueryAfterACartridgeChangeTellsOfItAcrossHandles) {
    TapeMediaParameters media;
    EXPECT_EQ(Open()->GetMediaParameters(media), ResultCode::Success)
        << "nothing is known before the first look";

    auto handle = Open();
    EXPECT_EQ(handle->Prepare(TapePrepareOperation::Unload), ResultCode::Success);
    handle.reset();

    m_driver->OpenAnswers = {{-1, ENOMEDIUM}};
    ResultCode failure = ResultCode::Success;
    EXPECT_EQ(m_device->Open(failure), nullptr);
    EXPECT_EQ(failure, ResultCode::NoMediaInDrive);

    EXPECT_EQ(Open()->GetMediaParameters(media), ResultCode::MediaChanged);
    EXPECT_EQ(Open()->GetMediaParameters(media), ResultCode::Success);
}

TEST(StTapeDriveProbe, TheTapeLayerLearnsBlockLimitAndPositioningFromTheDrive) {
    auto driver = std::make_shared<FakeStDriver>();
    driver->ScsiAnswers[{0x4d, 0x31}] = CapacityLogPage({{1, 800}, {3, 1000}});
    driver->ScsiAnswers[{0x1a, 0x11}] = PartitionPage(1, 0);
    auto device = CreateStTapeDevice("/dev/nst0", driver);
    test::TempHome home;
    test::ScriptedOperator op;
    ProtocolLog protocol(home.File("orvane_backup.log"), op);
    TapeContext ctx(op, protocol, *device);

    ProbeTapeDrive(ctx);

    EXPECT_EQ(ctx.BlockLimit, 1000 * 32 - 10); // 1000 megabytes of 32 KB blocks, ten kept free
    EXPECT_EQ(ctx.PositionMethod, 2);
    EXPECT_EQ(ctx.PositionType, 1);
    EXPECT_TRUE(op.Boxes.empty());
    EXPECT_FALSE(ctx.CancelFlag);
    EXPECT_NE(std::find(driver->Operations.begin(), driver->Operations.end(),
                        std::make_pair(short(MTSETBLK), 32768)),
              driver->Operations.end());
}

// Every command of the Tape menu on an st drive, through the tape layer as the window and the
// command line run it: a table of the driver's answers per command and what the command
// answers; every failure is reported with the drive's name.
class StTapeCommandsTest : public ::testing::Test {
protected:
    std::shared_ptr<FakeStDriver> m_driver = std::make_shared<FakeStDriver>();
    std::unique_ptr<TapeDevice> m_device = CreateStTapeDevice("/dev/nst0", m_driver);
    test::TempHome m_home;
    test::ScriptedOperator m_op;
    ProtocolLog m_protocol{m_home.File("orvane_backup.log"), m_op};
    TapeContext m_ctx{m_op, m_protocol, *m_device};
};

TEST_F(StTapeCommandsTest, EveryCommandAnswersTheDriversResult) {
    struct Case {
        const char* What;
        std::function<ResultCode(TapeContext&)> Command;
        short Op; // the st operation that is scripted to fail
    };
    const std::vector<Case> commands = {
        {"load", LoadTapeCommand, MTLOAD},
        {"tension", TensionTapeCommand, MTRETEN},
        {"end of data", [](TapeContext& c) { return MoveToEndOfDataCommand(c); }, MTEOM},
        {"erase", DeleteTapeCommand, MTERASE},
        {"format", FormatTapeCommand, MTMKPART},
        {"filemarks", SetFilemarksCommand, MTWEOF},
        {"block size", SetTapeParametersCommand, MTSETBLK},
        {"eject", [](TapeContext& c) { return EjectTape(c, true); }, MTOFFL},
    };
    struct Answer {
        int Error;
        long Status;
        ResultCode Code;
    };
    const std::vector<Answer> answers = {
        {0, Online, ResultCode::Success},
        {EIO, Online, ResultCode::Crc},
        {ENOSPC, Online | AtEndOfTape, ResultCode::EndOfMedia},
        {EROFS, Online | Protected, ResultCode::WriteProtect},
        {ENOMEDIUM, DoorOpen, ResultCode::NoMediaInDrive},
    };
    for (const Case& command : commands) {
        for (const Answer& answer : answers) {
            SCOPED_TRACE(std::string(command.What) + " errno " + std::to_string(answer.Error));
            m_driver->Drive.mt_gstat = Online;
            m_driver->OperationAnswers.clear();
            if (answer.Error != 0)
                m_driver->OperationAnswers = {
                    {command.Op, FakeStDriver::Answer(-1, answer.Error, answer.Status)}};
            m_driver->Operations.clear();
            m_op.Boxes.clear();
            m_op.StatusTexts.clear();
            m_ctx.CancelFlag = false;
            const ResultCode code = command.Command(m_ctx);
            EXPECT_NE(std::find_if(m_driver->Operations.begin(), m_driver->Operations.end(),
                                   [&](const auto& op) { return op.first == command.Op; }),
                      m_driver->Operations.end())
                << "issues its st operation";
            if (answer.Error == 0) {
                EXPECT_EQ(code, ResultCode::Success);
                EXPECT_FALSE(m_ctx.CancelFlag);
                continue;
            }
            EXPECT_NE(code, ResultCode::Success);
            // The drive's condition, where the command passes the code on, or the refusal the
            // command makes of it.
            if (std::string(command.What) == "eject")
                EXPECT_TRUE(code == answer.Code || code == ResultCode::UnableToUnloadMedia)
                    << CodeValue(code);
            else if (std::string(command.What) == "format")
                EXPECT_TRUE(code == answer.Code || code == ResultCode::PartitionFailure)
                    << CodeValue(code);
            else if (std::string(command.What) == "block size")
                EXPECT_TRUE(m_ctx.CancelFlag);
            else
                EXPECT_EQ(code, answer.Code) << CodeValue(code);
            QStringList said = m_op.BoxTexts() + m_op.StatusTexts;
            EXPECT_TRUE(said.join('\n').contains("/dev/nst0: ")) << said.join('\n').toStdString();
        }
    }
}

TEST_F(StTapeCommandsTest, WithoutTheDevicePositionAndInfoNameIt) {
    m_driver->OpenAnswers = {FakeStDriver::Answer(-1, ENOENT)};
    ResultCode answer = ResultCode::Success;
    EXPECT_EQ(GetTapePositionCommand(m_ctx, &answer), 0);
    EXPECT_NE(answer, ResultCode::Success);
    ASSERT_FALSE(m_op.Boxes.empty());
    EXPECT_EQ(m_op.Boxes[0].Text, "/dev/nst0: The system cannot find the file specified.");
    EXPECT_TRUE(m_ctx.CancelFlag);
}

TEST_F(StTapeCommandsTest, AnEmptyDriveFailsThePositionQuery) {
    m_driver->Drive.mt_gstat = DoorOpen;
    ResultCode answer = ResultCode::Success;
    GetTapePositionCommand(m_ctx, &answer);
    EXPECT_NE(answer, ResultCode::Success);
    EXPECT_EQ(m_op.Boxes[0].Text, "/dev/nst0: No media in drive.");
}

TEST_F(StTapeCommandsTest, PositionAndEndOfDataAnswerTheDriversBlock) {
    m_driver->Position = 1234;
    ResultCode answer = ResultCode::NotReady;
    EXPECT_EQ(GetTapePositionCommand(m_ctx, &answer), 1234);
    EXPECT_EQ(answer, ResultCode::Success);
    m_driver->PositionError = EIO;
    GetTapePositionCommand(m_ctx, &answer);
    EXPECT_NE(answer, ResultCode::Success);
    m_driver->PositionError = 0;
    int64_t block = 0;
    EXPECT_EQ(MoveToEndOfDataCommand(m_ctx, &block), ResultCode::Success);
    EXPECT_EQ(block, 1234);
}

TEST_F(StTapeCommandsTest, BothInformationQueriesFromTheDrivesPages) {
    m_driver->ScsiAnswers[{0x4d, 0x31}] = CapacityLogPage({{1, 800}, {3, 1000}});
    m_driver->ScsiAnswers[{0x1a, 0x11}] = PartitionPage(1, 0);
    m_driver->ScsiAnswers[{0x1a, 0x0f}] = ModeSenseAnswer({0x0f, 14, 0xc0, 0x80});
    m_driver->ScsiAnswers[{0x05, 0}] = {0, 0x08, 0, 0, 0, 4};
    m_driver->Drive.mt_gstat = Online | Protected;
    m_driver->Drive.mt_dsreg = long(32768) << MT_ST_BLKSIZE_SHIFT;
    const TapeInfo info = ReadTapeInfo(m_ctx);
    ASSERT_TRUE(info.DriveKnown && info.MediaKnown);
    const auto values = TapeInfoValues(info);
    EXPECT_EQ(values[1].second, "On");
    EXPECT_EQ(values[5].second, QString::number(0x080000));
    EXPECT_EQ(values[6].second, "4");
    EXPECT_EQ(values[7].second, "2");
    EXPECT_EQ(values[11].second, QString::number(1000LL * 1024 * 1024));
    EXPECT_EQ(values[12].second, QString::number(800LL * 1024 * 1024));
    EXPECT_EQ(values[13].second, "32768");
    EXPECT_EQ(values[15].second, "On");
    EXPECT_TRUE(m_op.Boxes.empty());
    EXPECT_TRUE(m_op.ProtocolLines.isEmpty()) << "nothing unknown, nothing to explain";
}

TEST_F(StTapeCommandsTest, RefusedScsiCommandsLeaveValuesUnknownAndAreExplainedOnce) {
    // No SCSI answers: SG_IO fails with EPERM, as for a user without CAP_SYS_RAWIO.
    const auto values = TapeInfoValues(ReadTapeInfo(m_ctx));
    EXPECT_EQ(values[0].second, "On");
    for (size_t unknown : {1u, 5u, 6u, 7u, 11u, 12u, 14u})
        EXPECT_EQ(values[unknown].second, "unknown") << values[unknown].first.toStdString();
    EXPECT_EQ(values[15].second, "Off");
    ASSERT_EQ(m_op.ProtocolLines.size(), 1);
    EXPECT_TRUE(m_op.ProtocolLines[0].startsWith("/dev/nst0: the kernel refuses SCSI commands"))
        << m_op.ProtocolLines[0].toStdString();
    EXPECT_TRUE(m_op.ProtocolLines[0].contains("CAP_SYS_RAWIO"));
    ReadTapeInfo(m_ctx);
    ProbeTapeDrive(m_ctx);
    EXPECT_EQ(m_op.ProtocolLines.size(), 1) << "said once";
    EXPECT_TRUE(m_op.Boxes.empty());
}

TEST_F(StTapeCommandsTest, AWriteErrorToldOnlyAtCloseIsReported) {
    struct FailingClose : FakeStDriver {
        int CloseError = 0;
        int Close(int fd) override {
            FakeStDriver::Close(fd);
            if (CloseError == 0)
                return 0;
            errno = CloseError;
            return -1;
        }
    };
    for (const auto& [error, code] : std::vector<std::pair<int, ResultCode>>{
             {EIO, ResultCode::Crc}, {ENOSPC, ResultCode::EndOfMedia}}) {
        auto driver = std::make_shared<FailingClose>();
        auto device = CreateStTapeDevice("/dev/nst0", driver);
        test::ScriptedOperator op;
        ProtocolLog protocol(m_home.File("close.log"), op);
        TapeContext ctx(op, protocol, *device);
        TapeHandlePtr handle = OpenTape(ctx);
        ASSERT_TRUE(handle);
        std::vector<char> block(TapeBlockSize, 'w');
        ASSERT_EQ(handle->WriteBlock(block.data(), TapeBlockSize), ResultCode::Success);
        driver->CloseError = error;
        EXPECT_EQ(CloseTape(ctx, handle, 1), code);
        EXPECT_FALSE(handle);
        EXPECT_TRUE(ctx.CancelFlag) << "the run that wrote fails";
        EXPECT_EQ(op.BoxTexts(), QStringList{TapeErrorMessage(ctx, code)});
        EXPECT_EQ(driver->Closes.size(), 1u) << "closed once";
        // The same through a command that writes: the filemarks.
        driver->CloseError = error;
        ctx.CancelFlag = false;
        EXPECT_EQ(SetFilemarksCommand(ctx), code);
    }
}

} // namespace
