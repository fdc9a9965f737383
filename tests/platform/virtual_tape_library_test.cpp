#include "platform/virtual_tape_library.h"
#include "support/result_code_printer.h"
#include "support/temp_home.h"

#include <QFile>
#include <QFileInfo>
#include <fcntl.h>
#include <functional>
#include <gtest/gtest.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

using namespace orvane;

namespace {

std::vector<char> Block(char fill) {
    return std::vector<char>(TapeBlockSize, fill);
}

class VirtualTapeLibraryTest : public ::testing::Test {
protected:
    void SetUp() override {
        m_library = VirtualTapeLibrary::At(m_home.LibraryDir());
        ASSERT_EQ(m_library->CreateCartridge("t1", 32768 * 20, 1, false), QString());
        ASSERT_EQ(m_library->Insert("t1"), QString());
    }
    std::unique_ptr<TapeHandle> Open() {
        ResultCode failure = ResultCode::Success;
        auto handle = m_library->Open(failure);
        EXPECT_TRUE(handle) << "open failed with " << CodeValue(failure);
        return handle;
    }

    test::TempHome m_home;
    std::shared_ptr<VirtualTapeLibrary> m_library;
};

TEST_F(VirtualTapeLibraryTest, BlocksLieAtTheirByteOffsetAndTheFileLengthIsTheEndOfData) {
    auto handle = Open();
    for (char fill : {'a', 'b', 'c'})
        ASSERT_EQ(handle->WriteBlock(Block(fill).data(), TapeBlockSize), ResultCode::Success);
    handle.reset();

    QFile image(m_home.LibraryDir() + "/t1.vtape");
    ASSERT_TRUE(image.open(QIODevice::ReadOnly));
    const QByteArray bytes = image.readAll();
    ASSERT_EQ(bytes.size(), 3 * 32768);
    EXPECT_EQ(bytes.at(0), 'a');
    EXPECT_EQ(bytes.at(32768), 'b');
    EXPECT_EQ(bytes.at(2 * 32768 + 32767), 'c');
}

TEST_F(VirtualTapeLibraryTest, AnswersWithTheDriveResultCodes) {
    auto handle = Open();
    std::vector<char> buffer(TapeBlockSize);
    TapeMediaParameters media;

    // The first media query after a load tells of the change, the next one does not.
    EXPECT_EQ(handle->GetMediaParameters(media), ResultCode::MediaChanged);
    EXPECT_EQ(media.Capacity, 32768 * 20);
    EXPECT_EQ(handle->GetMediaParameters(media), ResultCode::Success);

    // Reading at the end of data.
    EXPECT_EQ(handle->ReadBlock(buffer.data(), TapeBlockSize), ResultCode::NoDataDetected);

    // A filemark is reported once and passed.
    ASSERT_EQ(handle->WriteBlock(Block('x').data(), TapeBlockSize), ResultCode::Success);
    ASSERT_EQ(handle->WriteTapemarks(TapemarkType::Filemarks, 1), ResultCode::Success);
    ASSERT_EQ(handle->WriteBlock(Block('y').data(), TapeBlockSize), ResultCode::Success);
    ASSERT_EQ(handle->SetPosition(TapePositionMethod::AbsoluteBlock, 0, 1), ResultCode::Success);
    EXPECT_EQ(handle->ReadBlock(buffer.data(), TapeBlockSize), ResultCode::FilemarkDetected);
    EXPECT_EQ(handle->ReadBlock(buffer.data(), TapeBlockSize), ResultCode::Success);
    EXPECT_EQ(buffer[0], 'y');

    // Writing past the capacity.
    ASSERT_EQ(handle->SetPosition(TapePositionMethod::AbsoluteBlock, 0, 19), ResultCode::Success);
    EXPECT_EQ(handle->WriteBlock(Block('z').data(), TapeBlockSize), ResultCode::Success);
    EXPECT_EQ(handle->WriteBlock(Block('z').data(), TapeBlockSize), ResultCode::EndOfMedia);

    // Only whole blocks move.
    EXPECT_EQ(handle->WriteBlock(buffer.data(), 512), ResultCode::InvalidBlockLength);
}

TEST_F(VirtualTapeLibraryTest, ProtectedAndEmptyDrivesRefuse) {
    ASSERT_EQ(m_library->SetWriteProtected("t1", true), QString());
    auto handle = Open();
    EXPECT_EQ(handle->WriteBlock(Block('a').data(), TapeBlockSize), ResultCode::WriteProtect);
    EXPECT_EQ(handle->Erase(TapeEraseType::Short), ResultCode::WriteProtect);
    handle.reset();

    ASSERT_EQ(m_library->Eject(), QString());
    handle = Open();
    std::vector<char> buffer(TapeBlockSize);
    TapeMediaParameters media;
    EXPECT_EQ(handle->GetMediaParameters(media), ResultCode::NoMediaInDrive);
    EXPECT_EQ(handle->ReadBlock(buffer.data(), TapeBlockSize), ResultCode::NoMediaInDrive);
    EXPECT_EQ(handle->SetPosition(TapePositionMethod::Rewind, 0, 0), ResultCode::NoMediaInDrive);
    TapeDriveParameters drive;
    EXPECT_EQ(handle->GetDriveParameters(drive), ResultCode::Success)
        << "the drive itself still answers";
}

TEST_F(VirtualTapeLibraryTest, CartridgeAndPositionSurviveHandlesAndProgramRuns) {
    auto handle = Open();
    TapeMediaParameters media;
    ASSERT_EQ(handle->GetMediaParameters(media), ResultCode::MediaChanged);
    ASSERT_EQ(handle->WriteBlock(Block('a').data(), TapeBlockSize), ResultCode::Success);
    ASSERT_EQ(handle->SetPosition(TapePositionMethod::AbsoluteBlock, 0, 7), ResultCode::Success);
    handle.reset();
    m_library.reset(); // as if the program ended

    m_library = VirtualTapeLibrary::At(m_home.LibraryDir());
    EXPECT_EQ(m_library->LoadedCartridge(), "t1");
    handle = Open();
    uint32_t partition = 0;
    int64_t position = -1;
    ASSERT_EQ(handle->GetPosition(TapePositionType::Absolute, partition, position),
              ResultCode::Success);
    EXPECT_EQ(position, 7);
    EXPECT_EQ(handle->GetMediaParameters(media), ResultCode::Success)
        << "no media change across runs";
}

TEST_F(VirtualTapeLibraryTest, WritingInsideTheDataEndsTheDataThere) {
    auto handle = Open();
    for (int i = 0; i < 5; ++i)
        ASSERT_EQ(handle->WriteBlock(Block('a').data(), TapeBlockSize), ResultCode::Success);
    ASSERT_EQ(handle->SetPosition(TapePositionMethod::AbsoluteBlock, 0, 2), ResultCode::Success);
    ASSERT_EQ(handle->WriteBlock(Block('b').data(), TapeBlockSize), ResultCode::Success);
    std::vector<char> buffer(TapeBlockSize);
    EXPECT_EQ(handle->ReadBlock(buffer.data(), TapeBlockSize), ResultCode::NoDataDetected);
    ASSERT_EQ(handle->SetPosition(TapePositionMethod::SpaceEndOfData, 0, 0), ResultCode::Success);
    uint32_t partition = 0;
    int64_t position = 0;
    handle->GetPosition(TapePositionType::Absolute, partition, position);
    EXPECT_EQ(position, 3);
    handle.reset();
    EXPECT_EQ(QFileInfo(m_home.LibraryDir() + "/t1.vtape").size(), 3 * 32768);
}

TEST_F(VirtualTapeLibraryTest, UnloadThenLoadTakesTheSameCartridgeBack) {
    auto handle = Open();
    ASSERT_EQ(handle->Prepare(TapePrepareOperation::Unload), ResultCode::Success);
    TapeMediaParameters media;
    EXPECT_EQ(handle->GetMediaParameters(media), ResultCode::NoMediaInDrive);
    ASSERT_EQ(handle->Prepare(TapePrepareOperation::Load), ResultCode::Success);
    EXPECT_EQ(handle->GetMediaParameters(media), ResultCode::MediaChanged);
}

TEST_F(VirtualTapeLibraryTest, AnotherProcessHoldingTheDriveMakesItBusy) {
    const QByteArray lockPath = QFile::encodeName(m_home.LibraryDir() + "/drive.lock");
    const int fd = ::open(lockPath.constData(), O_RDWR);
    ASSERT_GE(fd, 0);
    ASSERT_EQ(::flock(fd, LOCK_EX | LOCK_NB), 0);
    ResultCode failure = ResultCode::Success;
    EXPECT_FALSE(m_library->Open(failure));
    EXPECT_EQ(failure, ResultCode::Busy);
    ::close(fd);
    EXPECT_TRUE(m_library->Open(failure));
}

TEST(VirtualTapeLibrary, RefusesCartridgeNamesThatLeaveTheLibrary) {
    test::TempHome home;
    auto library = VirtualTapeLibrary::At(home.LibraryDir());
    for (const char* name : {"../evil", "a/b", "", ".hidden", "x y"})
        EXPECT_NE(library->CreateCartridge(name, 1 << 20, 1, false), QString()) << name;
    EXPECT_NE(library->Insert("nosuch"), QString());
}

TEST(VirtualTapeLibrary, ANewLibraryHasOneLoadedCartridge) {
    test::TempHome home;
    auto library = VirtualTapeLibrary::At(home.LibraryDir());
    ASSERT_EQ(library->EnsureCreated(), QString());
    const auto cartridges = library->Cartridges();
    ASSERT_EQ(cartridges.size(), 1u);
    EXPECT_EQ(cartridges[0].Name, "tape1");
    EXPECT_TRUE(cartridges[0].Loaded);
    EXPECT_EQ(cartridges[0].Capacity, VirtualTapeLibrary::DefaultCapacity);
    EXPECT_EQ(library->EnsureCreated(), QString()) << "an existing library is left alone";
}

TEST_F(VirtualTapeLibraryTest, ZeroBlocksAreHolesAndEverythingReadsBackAsWritten) {
    ASSERT_EQ(m_library->CreateCartridge("big", 2048LL * 32768, 1, false), QString());
    ASSERT_EQ(m_library->Insert("big"), QString());
    auto handle = Open();
    const std::vector<char> zeros = Block(0);
    std::vector<char> data = Block('d');
    data[5] = 0;
    ASSERT_EQ(handle->WriteBlock(data.data(), TapeBlockSize), ResultCode::Success);
    for (int i = 0; i < 2000; ++i)
        ASSERT_EQ(handle->WriteBlock(zeros.data(), TapeBlockSize), ResultCode::Success) << i;
    ASSERT_EQ(handle->WriteBlock(data.data(), TapeBlockSize), ResultCode::Success);
    handle.reset();

    const QString image = m_library->ImagePath("big");
    EXPECT_EQ(QFileInfo(image).size(), 2002LL * 32768) << "the file length is the end of data";
    struct stat st {};
    ASSERT_EQ(::stat(QFile::encodeName(image).constData(), &st), 0);
    EXPECT_LT(int64_t(st.st_blocks) * 512, 64LL * 32768) << "the zero blocks take no disk space";

    handle = Open();
    ASSERT_EQ(handle->SetPosition(TapePositionMethod::Rewind, 0, 0), ResultCode::Success);
    std::vector<char> read = Block('x');
    ASSERT_EQ(handle->ReadBlock(read.data(), TapeBlockSize), ResultCode::Success);
    EXPECT_EQ(read, data);
    ASSERT_EQ(handle->ReadBlock(read.data(), TapeBlockSize), ResultCode::Success);
    EXPECT_EQ(read, zeros);
    ASSERT_EQ(handle->SetPosition(TapePositionMethod::AbsoluteBlock, 0, 2001), ResultCode::Success);
    ASSERT_EQ(handle->ReadBlock(read.data(), TapeBlockSize), ResultCode::Success);
    EXPECT_EQ(read, data);
    EXPECT_EQ(handle->ReadBlock(read.data(), TapeBlockSize), ResultCode::NoDataDetected);

    // A zero block written over data replaces it and ends the data there.
    ASSERT_EQ(handle->SetPosition(TapePositionMethod::Rewind, 0, 0), ResultCode::Success);
    ASSERT_EQ(handle->WriteBlock(zeros.data(), TapeBlockSize), ResultCode::Success);
    ASSERT_EQ(handle->SetPosition(TapePositionMethod::Rewind, 0, 0), ResultCode::Success);
    ASSERT_EQ(handle->ReadBlock(read.data(), TapeBlockSize), ResultCode::Success);
    EXPECT_EQ(read, zeros);
    EXPECT_EQ(handle->ReadBlock(read.data(), TapeBlockSize), ResultCode::NoDataDetected);
    handle.reset();
    EXPECT_EQ(QFileInfo(image).size(), 32768);
}

TEST_F(VirtualTapeLibraryTest, TensionChangesNothingAndFormatLeavesOnePartition) {
    ASSERT_EQ(m_library->CreateCartridge("parts", 32768 * 20, 3, false), QString());
    ASSERT_EQ(m_library->Insert("parts"), QString());
    auto handle = Open();
    TapeMediaParameters media;
    handle->GetMediaParameters(media);
    const std::vector<char> data = Block('a');
    for (int i = 0; i < 4; ++i)
        ASSERT_EQ(handle->WriteBlock(data.data(), TapeBlockSize), ResultCode::Success);
    EXPECT_EQ(handle->Prepare(TapePrepareOperation::Tension), ResultCode::Success);
    uint32_t partition = 0;
    int64_t position = -1;
    handle->GetPosition(TapePositionType::Absolute, partition, position);
    EXPECT_EQ(position, 4);

    EXPECT_EQ(handle->CreatePartition(TapePartitionMethod::Fixed, 0, 0), ResultCode::Success);
    ASSERT_EQ(handle->GetMediaParameters(media), ResultCode::Success);
    EXPECT_EQ(media.PartitionCount, 1u);
    EXPECT_EQ(media.Remaining, media.Capacity) << "formatting empties the cartridge";
    EXPECT_TRUE(media.CapacityKnown);
    handle->GetPosition(TapePositionType::Absolute, partition, position);
    EXPECT_EQ(position, 0);
}

TEST_F(VirtualTapeLibraryTest, FilemarksAtTheBeginningLeaveNoDataToRead) {
    auto handle = Open();
    const std::vector<char> data = Block('a');
    for (int i = 0; i < 8; ++i)
        ASSERT_EQ(handle->WriteBlock(data.data(), TapeBlockSize), ResultCode::Success);
    ASSERT_EQ(handle->SetPosition(TapePositionMethod::Rewind, 0, 0), ResultCode::Success);
    ASSERT_EQ(handle->WriteTapemarks(TapemarkType::Filemarks, 5), ResultCode::Success);
    ASSERT_EQ(handle->SetPosition(TapePositionMethod::Rewind, 0, 0), ResultCode::Success);
    std::vector<char> read = Block('x');
    for (int i = 0; i < 5; ++i)
        EXPECT_EQ(handle->ReadBlock(read.data(), TapeBlockSize), ResultCode::FilemarkDetected);
    EXPECT_EQ(handle->ReadBlock(read.data(), TapeBlockSize), ResultCode::NoDataDetected);
}

// Eight blocks 'a'..'h' as one run, numbered from block 0.
std::vector<char> EightBlockRun() {
    std::vector<char> run;
    for (char fill = 'a'; fill <= 'h'; ++fill) {
        const std::vector<char> block = Block(fill);
        run.insert(run.end(), block.begin(), block.end());
    }
    return run;
}

int64_t Position(TapeHandle& handle) {
    uint32_t partition = 0;
    int64_t position = -1;
    handle.GetPosition(TapePositionType::Absolute, partition, position);
    return position;
}

struct WriteRunCase {
    const char* What;
    TapeFault Fault;
    int64_t Count;
    uint32_t Done;
    ResultCode Code;
};

// A run that meets the end of the medium or a failure puts exactly the blocks before it on the
// tape, as single writes of the same blocks would.
TEST_F(VirtualTapeLibraryTest, AWriteRunStopsAtTheBlockThatFails) {
    const std::vector<WriteRunCase> cases = {
        // The cartridge holds 20 blocks; the run starts at block 10.
        {"early warning at block 13", TapeFault::EarlyEndOfMedia, 7, 3, ResultCode::EndOfMedia},
        {"early warning at the run's start", TapeFault::EarlyEndOfMedia, 10, 0,
         ResultCode::EndOfMedia},
        {"write error at the 6th block", TapeFault::WriteError, 6, 5, ResultCodeFromErrno(EIO)},
        {"protected at the 2nd block", TapeFault::Protect, 2, 1, ResultCode::WriteProtect},
        {"medium lost at the 4th block", TapeFault::LoseMedium, 4, 3, ResultCode::NoMediaInDrive},
    };
    const std::vector<char> run = EightBlockRun();
    for (const WriteRunCase& c : cases) {
        SCOPED_TRACE(c.What);
        ASSERT_EQ(m_library->Insert("t1"), QString());
        ASSERT_EQ(m_library->SetWriteProtected("t1", false), QString());
        auto handle = Open();
        ASSERT_EQ(handle->SetPosition(TapePositionMethod::Rewind, 0, 0), ResultCode::Success);
        for (int i = 0; i < 12; ++i)
            ASSERT_EQ(handle->WriteBlock(Block('o').data(), TapeBlockSize), ResultCode::Success);
        ASSERT_EQ(handle->SetPosition(TapePositionMethod::AbsoluteBlock, 0, 10),
                  ResultCode::Success);
        ASSERT_EQ(m_library->SetFault(c.Fault, c.Count), QString());
        uint32_t done = 99;
        EXPECT_EQ(handle->WriteBlocks(run.data(), 8, done), c.Code);
        EXPECT_EQ(done, c.Done);
        handle.reset();
        EXPECT_TRUE(m_library->PendingFaults().empty());

        QFile image(m_library->ImagePath("t1"));
        ASSERT_TRUE(image.open(QIODevice::ReadOnly));
        const QByteArray bytes = image.readAll();
        // Blocks before the run stay; the run's written blocks end the data.
        const int64_t endOfData = c.Done > 0 ? 10 + c.Done : 12;
        ASSERT_EQ(bytes.size(), endOfData * 32768);
        for (uint32_t i = 0; i < c.Done; ++i)
            EXPECT_EQ(bytes.at((10 + i) * 32768), char('a' + i));
        ASSERT_EQ(m_library->ClearFaults(), QString());
    }
}

struct ReadRunCase {
    const char* What;
    std::function<void(VirtualTapeLibrary&, TapeHandle&)> Stage;
    uint32_t Done;
    ResultCode Code;
    int64_t PositionAfter;
};

TEST_F(VirtualTapeLibraryTest, AReadRunDeliversTheBlocksBeforeWhatStopsIt) {
    const std::vector<ReadRunCase> cases = {
        {"whole run", [](VirtualTapeLibrary&, TapeHandle&) {}, 8, ResultCode::Success, 8},
        {"read error at the 3rd block",
         [](VirtualTapeLibrary& library, TapeHandle&) {
             library.SetFault(TapeFault::ReadError, 3);
         },
         2, ResultCodeFromErrno(EIO), 3},
        {"short block at the 5th block",
         [](VirtualTapeLibrary& library, TapeHandle&) {
             library.SetFault(TapeFault::ShortRead, 5);
         },
         4, ResultCode::InvalidBlockLength, 5},
        {"filemark at block 6",
         [](VirtualTapeLibrary&, TapeHandle& handle) {
             handle.SetPosition(TapePositionMethod::AbsoluteBlock, 0, 6);
             handle.WriteTapemarks(TapemarkType::Filemarks, 1);
         },
         6, ResultCode::FilemarkDetected, 7},
        {"end of data after block 4",
         [](VirtualTapeLibrary&, TapeHandle& handle) {
             handle.SetPosition(TapePositionMethod::AbsoluteBlock, 0, 5);
             handle.Erase(TapeEraseType::Short);
         },
         5, ResultCode::NoDataDetected, 5},
    };
    const std::vector<char> run = EightBlockRun();
    for (const ReadRunCase& c : cases) {
        SCOPED_TRACE(c.What);
        auto handle = Open();
        ASSERT_EQ(handle->SetPosition(TapePositionMethod::Rewind, 0, 0), ResultCode::Success);
        uint32_t done = 0;
        ASSERT_EQ(handle->WriteBlocks(run.data(), 8, done), ResultCode::Success);
        c.Stage(*m_library, *handle);
        ASSERT_EQ(handle->SetPosition(TapePositionMethod::Rewind, 0, 0), ResultCode::Success);
        std::vector<char> read(run.size(), 'x');
        EXPECT_EQ(handle->ReadBlocks(read.data(), 8, done), c.Code);
        EXPECT_EQ(done, c.Done);
        EXPECT_EQ(Position(*handle), c.PositionAfter);
        EXPECT_TRUE(std::equal(read.begin(), read.begin() + c.Done * TapeBlockSize, run.begin()));
        handle.reset();
        EXPECT_TRUE(m_library->PendingFaults().empty());
    }
}

// The bytes read are counted, so that a job's reading of a tape can be pinned.
TEST_F(VirtualTapeLibraryTest, CountsTheBytesItReads) {
    auto handle = Open();
    const std::vector<char> run = EightBlockRun();
    uint32_t done = 0;
    ASSERT_EQ(handle->WriteBlocks(run.data(), 8, done), ResultCode::Success);
    ASSERT_EQ(handle->SetPosition(TapePositionMethod::AbsoluteBlock, 0, 5), ResultCode::Success);
    const int64_t before = m_library->BytesRead();
    std::vector<char> read(run.size());
    EXPECT_EQ(handle->ReadBlocks(read.data(), 8, done), ResultCode::NoDataDetected);
    EXPECT_EQ(m_library->BytesRead() - before, 3 * 32768);
}

} // namespace
