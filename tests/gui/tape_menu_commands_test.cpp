#include "support/result_code_printer.h"
#include "support/tape_fixture.h"
#include "tape/end_marker.h"
#include "tape/tape_access.h"
#include "tape/tape_menu_commands.h"
#include "window_fixture.h"

#include <QGuiApplication>
#include <QLabel>

using namespace orvane;

namespace {

// Writes `blocks` blocks from block 0; block `markedBlock` carries `markers` end-marker tags.
void WriteTape(VirtualTapeLibrary& library, int blocks, int markedBlock, int markers) {
    ResultCode failure = ResultCode::Success;
    std::unique_ptr<TapeHandle> handle = library.open(failure);
    ASSERT_TRUE(handle);
    ASSERT_EQ(handle->setPosition(TapePositionMethod::Rewind, 0, 0), ResultCode::Success);
    for (int block = 0; block < blocks; ++block) {
        QByteArray data(TapeBlockSize, char(block));
        if (block == markedBlock) {
            for (int i = 0; i < markers; ++i)
                data.replace(100 + i * 1000, EndMarkerTag.size(), EndMarkerTag.toByteArray());
            if (markers > 0) // one more right at the end of the block
                data.replace(TapeBlockSize - EndMarkerTag.size(), EndMarkerTag.size(),
                             EndMarkerTag.toByteArray());
        }
        ASSERT_EQ(handle->writeBlock(data.constData(), TapeBlockSize), ResultCode::Success);
    }
}

int64_t PositionOf(Session& session) {
    TapeHandlePtr handle = OpenTape(session);
    uint32_t partition = 0;
    int64_t position = -1;
    if (handle)
        handle->getPosition(TapePositionType::Absolute, partition, position);
    return position;
}

class TapeMenuCommandsTest : public ::testing::Test {
protected:
    test::SessionFixture fixture;
    Session& session = *fixture.session;
    test::ScriptedOperator& op = fixture.op;
};

TEST_F(TapeMenuCommandsTest, MoveReadsTheBlockAndShowsOneOkPerEndMarker) {
    WriteTape(*fixture.library, 5, 3, 2);
    op.inputs = {"3"};
    MoveTapeToBlockCommand(session);
    ASSERT_EQ(op.boxes.size(), 4u);
    EXPECT_EQ(op.boxes[0].caption, "Goto Block");
    EXPECT_EQ(op.boxes[0].text, "Move to");
    for (size_t i = 1; i < 4; ++i)
        EXPECT_EQ(op.boxes[i].text, "OK");
    EXPECT_TRUE(op.statusTexts.contains("Move Tape to Block 3"));
    EXPECT_EQ(op.lastStatus(), "Tape at Block 3");
    EXPECT_EQ(PositionOf(session), 4) << "the block was read";
    EXPECT_FALSE(session.CancelFlag);
}

TEST_F(TapeMenuCommandsTest, ABlockWithoutMarkerShowsNoBox) {
    WriteTape(*fixture.library, 5, 3, 2);
    MoveTapeToBlockCommand(session, QStringLiteral("2"));
    EXPECT_TRUE(op.boxes.empty());
    EXPECT_EQ(op.lastStatus(), "Tape at Block 2");
}

TEST_F(TapeMenuCommandsTest, CancelledQuestionLeavesTheTapeAlone) {
    WriteTape(*fixture.library, 5, 3, 2);
    op.inputs = {QString()};
    MoveTapeToBlockCommand(session);
    EXPECT_EQ(op.boxes.size(), 1u);
    EXPECT_TRUE(op.statusTexts.isEmpty());
}

TEST_F(TapeMenuCommandsTest, ANonNumberIsRefusedAndTheTapeStaysWhereItIs) {
    WriteTape(*fixture.library, 5, 3, 2);
    MoveTapeToBlockCommand(session, QStringLiteral("2"));
    op.boxes.clear();
    MoveTapeToBlockCommand(session, QStringLiteral("two"));
    ASSERT_EQ(op.boxes.size(), 1u);
    EXPECT_EQ(op.boxes[0].text, "'two' is not a valid integer value");
    EXPECT_EQ(PositionOf(session), 3);
}

TEST_F(TapeMenuCommandsTest, AnUnreadableBlockIsReportedAndShowsNoStaleMarker) {
    WriteTape(*fixture.library, 5, 3, 2);
    MoveTapeToBlockCommand(session, QStringLiteral("3"));
    op.boxes.clear();
    MoveTapeToBlockCommand(session, QStringLiteral("7")); // past the end of the data
    ASSERT_EQ(op.boxes.size(), 1u);
    EXPECT_EQ(op.boxes[0].text, SystemMessage(ResultCode::NoDataDetected));
    EXPECT_TRUE(session.CancelFlag);
    EXPECT_EQ(op.lastStatus(), "Tape at Block 7");
}

TEST_F(TapeMenuCommandsTest, WithoutAMediumMoveReportsAndGetPositionShowsZero) {
    fixture.library->eject();
    MoveTapeToBlockCommand(session, QStringLiteral("3"));
    ASSERT_EQ(op.boxes.size(), 1u);
    EXPECT_EQ(op.boxes[0].text, SystemMessage(ResultCode::NoMediaInDrive));
    EXPECT_FALSE(op.statusTexts.contains("Move Tape to Block 3"));

    op.boxes.clear();
    EXPECT_EQ(GetTapePositionCommand(session), 0);
    ASSERT_EQ(op.boxes.size(), 2u);
    EXPECT_EQ(op.boxes[1].text, "Tape at Block: 0");
    EXPECT_EQ(op.busyCursorDepth, 0);
}

TEST_F(TapeMenuCommandsTest, GetPositionShowsTheBlockTheTapeIsAt) {
    WriteTape(*fixture.library, 5, 3, 2);
    MoveTapeToBlockCommand(session, QStringLiteral("1"));
    op.boxes.clear();
    EXPECT_EQ(GetTapePositionCommand(session), 2);
    ASSERT_EQ(op.boxes.size(), 1u);
    EXPECT_EQ(op.boxes[0].text, "Tape at Block: 2");
    EXPECT_EQ(op.lastStatus(), "Tape at pos: 2");
    EXPECT_EQ(op.busyCursorDepth, 0);
}

TEST_F(TapeMenuCommandsTest, RewindGoesToTheFirstBlockUnderTheBusyCursor) {
    WriteTape(*fixture.library, 5, 3, 2);
    EXPECT_TRUE(RewindTapeCommand(session));
    EXPECT_EQ(op.lastStatus(), "Tape : At First pos");
    EXPECT_EQ(PositionOf(session), 0);
    EXPECT_EQ(op.busyCursorDepth, 0);
}

// The menu items reach the same commands from the window.
using TapeMenuTest = test::WindowFixture;

TEST_F(TapeMenuTest, MoveTapeToBlockFromTheMenu) {
    WriteTape(*library, 5, 3, 1);
    start();
    OperatorBoxes::setNextInput(QStringLiteral("3"));
    action("MoveTapetoBlockNr1")->trigger();
    EXPECT_EQ(OperatorBoxes::shownTexts(), (QStringList{"Move to", "OK", "OK"}));
    EXPECT_EQ(window->statusText(), "Tape at Block 3");
    EXPECT_EQ(control<QLabel>("Label1")->text(), "") << "the time label is cleared";
}

TEST_F(TapeMenuTest, GetTapePositionFromTheMenu) {
    start();
    action("GetTapePosition1")->trigger();
    EXPECT_EQ(OperatorBoxes::shownTexts(), QStringList{"Tape at Block: 0"});
    EXPECT_EQ(QGuiApplication::overrideCursor(), nullptr);
}

TEST_F(TapeMenuTest, RewindFromTheMenu) {
    WriteTape(*library, 2, -1, 0);
    start();
    action("RewindTape1")->trigger();
    EXPECT_EQ(window->statusText(), "Tape : At First pos");
    EXPECT_EQ(QGuiApplication::overrideCursor(), nullptr);
}

TEST_F(TapeMenuTest, EjectFromTheMenuShowsTheResultAndLogsIt) {
    start();
    action("Auswerfen1")->trigger();
    EXPECT_EQ(OperatorBoxes::shownTexts(), QStringList{"OK"});
    EXPECT_TRUE(library->loadedCartridge().isEmpty());
    ASSERT_FALSE(memoLines("Memo2").isEmpty());
    EXPECT_TRUE(memoLines("Memo2").last().endsWith(" ejected !"));
    EXPECT_EQ(window->statusText(), memoLines("Memo2").last());
}

TEST_F(TapeMenuTest, TapeCommandsWaitWhileTheWindowIsBusy) {
    start();
    EnterBusyMode(window->session());
    for (const char* name : {"Auswerfen1", "RewindTape1", "MoveTapetoBlockNr1", "GetTapePosition1"})
        EXPECT_FALSE(action(name)->isEnabled()) << name;
}

} // namespace
