#include "platform/protocol_log.h"
#include "support/result_code_printer.h"
#include "support/tape_fixture.h"
#include "tape/tape_access.h"

#include <gtest/gtest.h>
#include <vector>

using namespace orvane;
using orvane::test::SessionFixture;

namespace {

int64_t Position(Session& session) {
    TapeHandlePtr handle = OpenTape(session);
    EXPECT_TRUE(handle);
    uint32_t partition = 0;
    int64_t position = -1;
    handle->getPosition(TapePositionType::Absolute, partition, position);
    return position;
}

TEST(ProbeTapeDrive, BlockLimitLeavesTenBlocksOfTheCapacity) {
    SessionFixture fixture(32768 * 1000);
    ProbeTapeDrive(*fixture.session);
    EXPECT_EQ(fixture.session->BlockLimit, 990);
    EXPECT_TRUE(fixture.op.boxes.empty()) << "a media change after the load is no error";
    EXPECT_FALSE(fixture.session->CancelFlag);
}

TEST(ProbeTapeDrive, PartitionCountChoosesThePositioningMode) {
    const std::vector<std::tuple<uint32_t, int, int>> cases = {{1, 1, 0}, {2, 2, 1}, {4, 2, 1}};
    for (const auto& [partitions, method, type] : cases) {
        SessionFixture fixture(32768 * 100, partitions);
        ProbeTapeDrive(*fixture.session);
        EXPECT_EQ(fixture.session->PositionMethod, method) << partitions;
        EXPECT_EQ(fixture.session->PositionType, type) << partitions;
    }
}

TEST(ProbeTapeDrive, AnEmptyDriveIsReportedOnceAndKeepsTheOldFacts) {
    SessionFixture fixture;
    fixture.library->eject();
    fixture.session->BlockLimit = 42;
    ProbeTapeDrive(*fixture.session);
    EXPECT_EQ(fixture.session->BlockLimit, 42);
    EXPECT_EQ(fixture.session->PositionMethod, 1);
    ASSERT_EQ(fixture.op.boxes.size(), 1u);
    EXPECT_EQ(fixture.op.boxes[0].text, SystemMessage(ResultCode::NoMediaInDrive));
    EXPECT_TRUE(fixture.session->CancelFlag);
}

TEST(LogTapeError, WritesAProtocolBlockShowsTheTextAndRaisesCancel) {
    SessionFixture fixture;
    LogTapeError(*fixture.session, ResultCode::WriteProtect);

    const QStringList& lines = fixture.op.protocolLines;
    ASSERT_EQ(lines.size(), 5);
    EXPECT_EQ(lines[0], "");
    EXPECT_EQ(lines[1], ProtocolLog::Separator());
    EXPECT_EQ(lines[1].size(), 89);
    EXPECT_EQ(lines[2], "");
    EXPECT_TRUE(lines[3].startsWith("Error: "));
    EXPECT_TRUE(lines[3].endsWith(" : " + SystemMessage(ResultCode::WriteProtect)));
    EXPECT_EQ(lines[4], ProtocolLog::Separator());
    ASSERT_EQ(fixture.op.boxes.size(), 1u);
    EXPECT_EQ(fixture.op.boxes[0].caption, "Error");
    EXPECT_EQ(fixture.op.boxes[0].icon, MessageIcon::Error);
    EXPECT_TRUE(fixture.session->CancelFlag);
}

TEST(TapeAccess, AWriteToAProtectedCartridgeFailsWithCode19) {
    SessionFixture fixture(32768 * 100, 1, true);
    TapeHandlePtr handle = OpenTape(*fixture.session);
    ASSERT_TRUE(handle);
    std::vector<char> block(TapeBlockSize, 'x');
    const ResultCode code = handle->writeBlock(block.data(), TapeBlockSize);
    EXPECT_EQ(CodeValue(code), 19u);
    LogTapeError(*fixture.session, code);
    EXPECT_EQ(fixture.op.boxTexts(), QStringList{SystemMessage(ResultCode(19))});
    EXPECT_EQ(EraseTapeShort(*fixture.session), "Error, The write protect is set ");
}

TEST(TapeAccess, MoveToBlockPositionsAndRefusesText) {
    SessionFixture fixture;
    MoveToBlock(*fixture.session, "1");
    EXPECT_EQ(Position(*fixture.session), 1);
    EXPECT_EQ(fixture.op.lastStatus(), "Move Tape to Block 1");

    MoveToBlock(*fixture.session, "abc");
    EXPECT_EQ(Position(*fixture.session), 1) << "the drive stays where it was";
    EXPECT_EQ(fixture.op.boxTexts().last(), "'abc' is not a valid integer value");
}

TEST(TapeAccess, RewindAndReadPosition) {
    SessionFixture fixture;
    MoveToBlock(*fixture.session, "5");
    EXPECT_TRUE(RewindWithStatus(*fixture.session));
    EXPECT_EQ(fixture.op.lastStatus(), "Tape : At First pos");
    TapeHandlePtr handle = OpenTape(*fixture.session);
    EXPECT_EQ(ReadTapePosition(*fixture.session, *handle), 0);
    EXPECT_EQ(fixture.op.lastStatus(), "Tape at pos: 0");
}

TEST(TapeAccess, AnUnavailableDriveIsNamedWithoutABox) {
    SessionFixture fixture;
    test::ScriptedOperator op;
    Session missing(op, fixture.home.path(), fixture.home.file("no-such-device"));
    EXPECT_EQ(RewindTape(missing), "Unable to find tape drive on system or tape drive in use");
    EXPECT_EQ(EraseTapeShort(missing), "Unable to find tape drive on system or tape drive in use");
    EXPECT_TRUE(op.boxes.empty());
    EXPECT_FALSE(RewindWithStatus(missing));
    EXPECT_EQ(op.lastStatus(), "Unable to find tape drive on system or tape drive in use");
}

TEST(EjectTape, UnloadsAndTellsTheProtocol) {
    SessionFixture fixture;
    fixture.session->CurrentTapeDescription.TapeNumber = 3;
    EXPECT_EQ(EjectTape(*fixture.session, true), ResultCode::Success);
    EXPECT_EQ(fixture.library->loadedCartridge(), "");
    EXPECT_EQ(fixture.op.boxTexts(), QStringList{"OK"});
    const QStringList& lines = fixture.op.protocolLines;
    ASSERT_EQ(lines.size(), 2);
    EXPECT_EQ(lines[0], ProtocolLog::Separator());
    EXPECT_TRUE(lines[1].startsWith("Tape 3 at ")) << lines[1].toStdString();
    EXPECT_TRUE(lines[1].endsWith(" ejected !"));
    EXPECT_EQ(fixture.op.busyCursorDepth, 0);
}

TEST(EjectTape, AnEmptyDriveIsNotEjected) {
    SessionFixture fixture;
    fixture.library->eject();
    EXPECT_NE(EjectTape(*fixture.session, false), ResultCode::Success);
    EXPECT_EQ(fixture.op.protocolLines.mid(fixture.op.protocolLines.size() - 2),
              (QStringList{ProtocolLog::Separator(), "Tape not ejected !"}));
    EXPECT_EQ(fixture.op.lastStatus(), "Tape not ejected !");
}

} // namespace
