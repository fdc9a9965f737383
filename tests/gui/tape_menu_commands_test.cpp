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
    std::unique_ptr<TapeHandle> handle = library.Open(failure);
    ASSERT_TRUE(handle);
    ASSERT_EQ(handle->SetPosition(TapePositionMethod::Rewind, 0, 0), ResultCode::Success);
    for (int block = 0; block < blocks; ++block) {
        QByteArray data(TapeBlockSize, char(block));
        if (block == markedBlock) {
            for (int i = 0; i < markers; ++i)
                data.replace(100 + i * 1000, EndMarkerTag.size(), EndMarkerTag.toByteArray());
            if (markers > 0) // one more right at the end of the block
                data.replace(TapeBlockSize - EndMarkerTag.size(), EndMarkerTag.size(),
                             EndMarkerTag.toByteArray());
        }
        ASSERT_EQ(handle->WriteBlock(data.constData(), TapeBlockSize), ResultCode::Success);
    }
}

int64_t PositionOf(Session& session) {
    TapeHandlePtr handle = OpenTape(session);
    uint32_t partition = 0;
    int64_t position = -1;
    if (handle)
        handle->GetPosition(TapePositionType::Absolute, partition, position);
    return position;
}

class TapeMenuCommandsTest : public ::testing::Test {
protected:
    test::SessionFixture m_fixture;
    Session& m_session = *m_fixture.Session;
    test::ScriptedOperator& m_op = m_fixture.Op;
};

TEST_F(TapeMenuCommandsTest, MoveReadsTheBlockAndShowsOneOkPerEndMarker) {
    WriteTape(*m_fixture.Library, 5, 3, 2);
    m_op.Inputs = {"3"};
    MoveTapeToBlockCommand(m_session);
    ASSERT_EQ(m_op.Boxes.size(), 4u);
    EXPECT_EQ(m_op.Boxes[0].Caption, "Goto Block");
    EXPECT_EQ(m_op.Boxes[0].Text, "Move to");
    for (size_t i = 1; i < 4; ++i)
        EXPECT_EQ(m_op.Boxes[i].Text, "OK");
    EXPECT_TRUE(m_op.StatusTexts.contains("Move Tape to Block 3"));
    EXPECT_EQ(m_op.LastStatus(), "Tape at Block 3");
    EXPECT_EQ(PositionOf(m_session), 4) << "the block was read";
    EXPECT_FALSE(m_session.CancelFlag);
}

TEST_F(TapeMenuCommandsTest, ABlockWithoutMarkerShowsNoBox) {
    WriteTape(*m_fixture.Library, 5, 3, 2);
    MoveTapeToBlockCommand(m_session, QStringLiteral("2"));
    EXPECT_TRUE(m_op.Boxes.empty());
    EXPECT_EQ(m_op.LastStatus(), "Tape at Block 2");
}

TEST_F(TapeMenuCommandsTest, CancelledQuestionLeavesTheTapeAlone) {
    WriteTape(*m_fixture.Library, 5, 3, 2);
    m_op.Inputs = {QString()};
    MoveTapeToBlockCommand(m_session);
    EXPECT_EQ(m_op.Boxes.size(), 1u);
    EXPECT_TRUE(m_op.StatusTexts.isEmpty());
}

TEST_F(TapeMenuCommandsTest, ANonNumberIsRefusedAndTheTapeStaysWhereItIs) {
    WriteTape(*m_fixture.Library, 5, 3, 2);
    MoveTapeToBlockCommand(m_session, QStringLiteral("2"));
    m_op.Boxes.clear();
    MoveTapeToBlockCommand(m_session, QStringLiteral("two"));
    ASSERT_EQ(m_op.Boxes.size(), 1u);
    EXPECT_EQ(m_op.Boxes[0].Text, "'two' is not a valid integer value");
    EXPECT_EQ(PositionOf(m_session), 3);
}

TEST_F(TapeMenuCommandsTest, AnUnreadableBlockIsReportedAndShowsNoStaleMarker) {
    WriteTape(*m_fixture.Library, 5, 3, 2);
    MoveTapeToBlockCommand(m_session, QStringLiteral("3"));
    m_op.Boxes.clear();
    MoveTapeToBlockCommand(m_session, QStringLiteral("7")); // past the end of the data
    ASSERT_EQ(m_op.Boxes.size(), 1u);
    EXPECT_EQ(m_op.Boxes[0].Text, SystemMessage(ResultCode::NoDataDetected));
    EXPECT_TRUE(m_session.CancelFlag);
    EXPECT_EQ(m_op.LastStatus(), "Tape at Block 7");
}

TEST_F(TapeMenuCommandsTest, WithoutAMediumMoveReportsAndGetPositionShowsZero) {
    m_fixture.Library->Eject();
    MoveTapeToBlockCommand(m_session, QStringLiteral("3"));
    ASSERT_EQ(m_op.Boxes.size(), 1u);
    EXPECT_EQ(m_op.Boxes[0].Text, SystemMessage(ResultCode::NoMediaInDrive));
    EXPECT_FALSE(m_op.StatusTexts.contains("Move Tape to Block 3"));

    m_op.Boxes.clear();
    EXPECT_EQ(GetTapePositionCommand(m_session), 0);
    ASSERT_EQ(m_op.Boxes.size(), 2u);
    EXPECT_EQ(m_op.Boxes[1].Text, "Tape at Block: 0");
    EXPECT_EQ(m_op.BusyCursorDepth, 0);
}

TEST_F(TapeMenuCommandsTest, GetPositionShowsTheBlockTheTapeIsAt) {
    WriteTape(*m_fixture.Library, 5, 3, 2);
    MoveTapeToBlockCommand(m_session, QStringLiteral("1"));
    m_op.Boxes.clear();
    EXPECT_EQ(GetTapePositionCommand(m_session), 2);
    ASSERT_EQ(m_op.Boxes.size(), 1u);
    EXPECT_EQ(m_op.Boxes[0].Text, "Tape at Block: 2");
    EXPECT_EQ(m_op.LastStatus(), "Tape at pos: 2");
    EXPECT_EQ(m_op.BusyCursorDepth, 0);
}

TEST_F(TapeMenuCommandsTest, RewindGoesToTheFirstBlockUnderTheBusyCursor) {
    WriteTape(*m_fixture.Library, 5, 3, 2);
    EXPECT_TRUE(RewindTapeCommand(m_session));
    EXPECT_EQ(m_op.LastStatus(), "Tape : At First pos");
    EXPECT_EQ(PositionOf(m_session), 0);
    EXPECT_EQ(m_op.BusyCursorDepth, 0);
}

// The menu items reach the same commands from the window.
using TapeMenuTest = test::WindowFixture;

TEST_F(TapeMenuTest, MoveTapeToBlockFromTheMenu) {
    WriteTape(*m_library, 5, 3, 1);
    Start();
    OperatorBoxes::SetNextInput(QStringLiteral("3"));
    Action("MoveTapetoBlockNr1")->trigger();
    EXPECT_EQ(OperatorBoxes::ShownTexts(), (QStringList{"Move to", "OK", "OK"}));
    EXPECT_EQ(m_window->StatusText(), "Tape at Block 3");
    EXPECT_EQ(Control<QLabel>("Label1")->text(), "") << "the time label is cleared";
}

TEST_F(TapeMenuTest, GetTapePositionFromTheMenu) {
    Start();
    Action("GetTapePosition1")->trigger();
    EXPECT_EQ(OperatorBoxes::ShownTexts(), QStringList{"Tape at Block: 0"});
    EXPECT_EQ(QGuiApplication::overrideCursor(), nullptr);
}

TEST_F(TapeMenuTest, RewindFromTheMenu) {
    WriteTape(*m_library, 2, -1, 0);
    Start();
    Action("RewindTape1")->trigger();
    EXPECT_EQ(m_window->StatusText(), "Tape : At First pos");
    EXPECT_EQ(QGuiApplication::overrideCursor(), nullptr);
}

TEST_F(TapeMenuTest, EjectFromTheMenuShowsTheResultAndLogsIt) {
    Start();
    Action("Auswerfen1")->trigger();
    EXPECT_EQ(OperatorBoxes::ShownTexts(), QStringList{"OK"});
    EXPECT_TRUE(m_library->LoadedCartridge().isEmpty());
    ASSERT_FALSE(MemoLines("Memo2").isEmpty());
    EXPECT_TRUE(MemoLines("Memo2").last().endsWith(" ejected !"));
    EXPECT_EQ(m_window->StatusText(), MemoLines("Memo2").last());
}

TEST_F(TapeMenuTest, TapeCommandsWaitWhileTheWindowIsBusy) {
    Start();
    EnterBusyMode(m_window->Session());
    for (const char* name : {"Auswerfen1", "RewindTape1", "MoveTapetoBlockNr1", "GetTapePosition1"})
        EXPECT_FALSE(Action(name)->isEnabled()) << name;
}

} // namespace
