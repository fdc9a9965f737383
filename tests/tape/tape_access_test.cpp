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
    handle->GetPosition(TapePositionType::Absolute, partition, position);
    return position;
}

TEST(ProbeTapeDrive, BlockLimitLeavesTenBlocksOfTheCapacity) {
    SessionFixture fixture(32768 * 1000);
    ProbeTapeDrive(*fixture.Session);
    EXPECT_EQ(fixture.Session->BlockLimit, 990);
    EXPECT_TRUE(fixture.Op.Boxes.empty()) << "a media change after the load is no error";
    EXPECT_FALSE(fixture.Session->CancelFlag);
}

TEST(ProbeTapeDrive, PartitionCountChoosesThePositioningMode) {
    const std::vector<std::tuple<uint32_t, int, int>> cases = {{1, 1, 0}, {2, 2, 1}, {4, 2, 1}};
    for (const auto& [partitions, method, type] : cases) {
        SessionFixture fixture(32768 * 100, partitions);
        ProbeTapeDrive(*fixture.Session);
        EXPECT_EQ(fixture.Session->PositionMethod, method) << partitions;
        EXPECT_EQ(fixture.Session->PositionType, type) << partitions;
    }
}

TEST(ProbeTapeDrive, AnEmptyDriveIsReportedOnceAndKeepsTheOldFacts) {
    SessionFixture fixture;
    fixture.Library->Eject();
    fixture.Session->BlockLimit = 42;
    ProbeTapeDrive(*fixture.Session);
    EXPECT_EQ(fixture.Session->BlockLimit, 42);
    EXPECT_EQ(fixture.Session->PositionMethod, 1);
    ASSERT_EQ(fixture.Op.Boxes.size(), 1u);
    EXPECT_EQ(fixture.Op.Boxes[0].Text,
              TapeErrorMessage(*fixture.Session, ResultCode::NoMediaInDrive));
    EXPECT_TRUE(fixture.Session->CancelFlag);
}

TEST(LogTapeError, WritesAProtocolBlockShowsTheTextAndRaisesCancel) {
    SessionFixture fixture;
    LogTapeError(*fixture.Session, ResultCode::WriteProtect);

    const QStringList& lines = fixture.Op.ProtocolLines;
    ASSERT_EQ(lines.size(), 5);
    EXPECT_EQ(lines[0], "");
    EXPECT_EQ(lines[1], ProtocolLog::Separator());
    EXPECT_EQ(lines[1].size(), 89);
    EXPECT_EQ(lines[2], "");
    EXPECT_TRUE(lines[3].startsWith("Error: "));
    EXPECT_TRUE(
        lines[3].endsWith(" : " + TapeErrorMessage(*fixture.Session, ResultCode::WriteProtect)));
    EXPECT_TRUE(lines[3].contains("vtape:"));
    EXPECT_EQ(lines[4], ProtocolLog::Separator());
    ASSERT_EQ(fixture.Op.Boxes.size(), 1u);
    EXPECT_EQ(fixture.Op.Boxes[0].Caption, "Error");
    EXPECT_EQ(fixture.Op.Boxes[0].Icon, MessageIcon::Error);
    EXPECT_TRUE(fixture.Session->CancelFlag);
}

TEST(TapeAccess, AWriteToAProtectedCartridgeFailsWithCode19) {
    SessionFixture fixture(32768 * 100, 1, true);
    TapeHandlePtr handle = OpenTape(*fixture.Session);
    ASSERT_TRUE(handle);
    std::vector<char> block(TapeBlockSize, 'x');
    const ResultCode code = handle->WriteBlock(block.data(), TapeBlockSize);
    EXPECT_EQ(CodeValue(code), 19u);
    LogTapeError(*fixture.Session, code);
    EXPECT_EQ(fixture.Op.BoxTexts(),
              QStringList{TapeErrorMessage(*fixture.Session, ResultCode(19))});
    EXPECT_EQ(EraseTapeShort(*fixture.Session), "Error, The write protect is set ");
}

TEST(TapeAccess, MoveToBlockPositionsAndRefusesText) {
    SessionFixture fixture;
    MoveToBlock(*fixture.Session, "1");
    EXPECT_EQ(Position(*fixture.Session), 1);
    EXPECT_EQ(fixture.Op.LastStatus(), "Move Tape to Block 1");

    MoveToBlock(*fixture.Session, "abc");
    EXPECT_EQ(Position(*fixture.Session), 1) << "the drive stays where it was";
    EXPECT_EQ(fixture.Op.BoxTexts().last(), "'abc' is not a valid integer value");
}

TEST(TapeAccess, RewindAndReadPosition) {
    SessionFixture fixture;
    MoveToBlock(*fixture.Session, "5");
    EXPECT_TRUE(RewindWithStatus(*fixture.Session));
    EXPECT_EQ(fixture.Op.LastStatus(), "Tape : At First pos");
    TapeHandlePtr handle = OpenTape(*fixture.Session);
    EXPECT_EQ(ReadTapePosition(*fixture.Session, *handle), 0);
    EXPECT_EQ(fixture.Op.LastStatus(), "Tape at pos: 0");
}

TEST(TapeAccess, AnUnavailableDriveIsNamedWithoutABox) {
    SessionFixture fixture;
    test::ScriptedOperator op;
    Session missing(op, fixture.Home.Path(), fixture.Home.File("no-such-device"));
    EXPECT_EQ(RewindTape(missing), "Unable to find tape drive on system or tape drive in use");
    EXPECT_EQ(EraseTapeShort(missing), "Unable to find tape drive on system or tape drive in use");
    EXPECT_TRUE(op.Boxes.empty());
    EXPECT_FALSE(RewindWithStatus(missing));
    EXPECT_EQ(op.LastStatus(), "Unable to find tape drive on system or tape drive in use");
}

TEST(EjectTape, UnloadsAndTellsTheProtocol) {
    SessionFixture fixture;
    fixture.Session->CurrentTapeDescription.TapeNumber = 3;
    EXPECT_EQ(EjectTape(*fixture.Session, true), ResultCode::Success);
    EXPECT_EQ(fixture.Library->LoadedCartridge(), "");
    EXPECT_EQ(fixture.Op.BoxTexts(), QStringList{"OK"});
    const QStringList& lines = fixture.Op.ProtocolLines;
    ASSERT_EQ(lines.size(), 2);
    EXPECT_EQ(lines[0], ProtocolLog::Separator());
    EXPECT_TRUE(lines[1].startsWith("Tape 3 at ")) << lines[1].toStdString();
    EXPECT_TRUE(lines[1].endsWith(" ejected !"));
    EXPECT_EQ(fixture.Op.BusyCursorDepth, 0);
}

TEST(EjectTape, AnEmptyDriveIsNotEjected) {
    SessionFixture fixture;
    fixture.Library->Eject();
    EXPECT_NE(EjectTape(*fixture.Session, false), ResultCode::Success);
    EXPECT_EQ(fixture.Op.ProtocolLines.mid(fixture.Op.ProtocolLines.size() - 2),
              (QStringList{ProtocolLog::Separator(), "Tape not ejected !"}));
    EXPECT_EQ(fixture.Op.LastStatus(), "Tape not ejected !");
}

} // namespace
