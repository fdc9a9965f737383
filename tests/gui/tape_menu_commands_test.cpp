#include "support/result_code_printer.h"
#include "support/tape_fixture.h"
#include "tape/end_marker.h"
#include "tape/tape_access.h"
#include "tape/tape_menu_commands.h"
#include "tape_info_dialog.h"
#include "window_fixture.h"

#include <QApplication>
#include <QGuiApplication>
#include <QLabel>
#include <cmath>

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
    EXPECT_EQ(m_op.Boxes[0].Text, TapeErrorMessage(m_session, ResultCode::NoDataDetected));
    EXPECT_TRUE(m_session.CancelFlag);
    EXPECT_EQ(m_op.LastStatus(), "Tape at Block 7");
}

TEST_F(TapeMenuCommandsTest, WithoutAMediumMoveReportsAndGetPositionShowsZero) {
    m_fixture.Library->Eject();
    MoveTapeToBlockCommand(m_session, QStringLiteral("3"));
    ASSERT_EQ(m_op.Boxes.size(), 1u);
    EXPECT_EQ(m_op.Boxes[0].Text, TapeErrorMessage(m_session, ResultCode::NoMediaInDrive));
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

QString Named(Session& session, ResultCode code) {
    return TapeErrorMessage(session, code);
}

TEST_F(TapeMenuCommandsTest, FormatWritesAnEmptyTapeDescriptionAndTapeInfoShowsTheCartridge) {
    WriteTape(*m_fixture.Library, 5, -1, 0);
    EXPECT_EQ(FormatTapeCommand(m_session), ResultCode::Success);
    EXPECT_EQ(m_op.LastStatus(), "Tape Formated");
    EXPECT_EQ(m_session.CurrentTapeDescription.Label, "Empty Tape ");
    EXPECT_EQ(m_session.CurrentTapeDescription.TapeNumber, 255);
    ASSERT_FALSE(m_op.Captions.isEmpty());
    EXPECT_TRUE(m_op.Captions.last().startsWith("Orvane 2005  <Empty Tape from: "))
        << m_op.Captions.last().toStdString();
    EXPECT_EQ(m_op.BusyCursorDepth, 0);

    const TapeInfo info = ReadTapeInfo(m_session);
    ASSERT_TRUE(info.DriveKnown && info.MediaKnown);
    const auto values = TapeInfoValues(info);
    ASSERT_EQ(values.size(), 16u);
    EXPECT_EQ(values[0].first, "ECC");
    EXPECT_EQ(values[11], (std::pair<QString, QString>{"Capacity", "32768000"}));
    EXPECT_EQ(values[12],
              (std::pair<QString, QString>{"Remaining", QString::number(32768000 - 32768)}))
        << "block 0 holds the tape description";
    EXPECT_EQ(values[13].second, "32768");
    EXPECT_EQ(values[14].second, "1");
    EXPECT_EQ(values[15], (std::pair<QString, QString>{"WriteProtected", "Off"}));
    EXPECT_TRUE(m_op.Boxes.empty());
}

TEST(TapeMenuCommands, TapeInfoShowsAProtectedCartridgeAndFormatRefusesIt) {
    test::SessionFixture fixture(32768 * 100, 1, true);
    EXPECT_EQ(TapeInfoValues(ReadTapeInfo(*fixture.Session))[15].second, "On");
    EXPECT_EQ(FormatTapeCommand(*fixture.Session), ResultCode::WriteProtect);
    EXPECT_EQ(fixture.Op.LastStatus(), "Tape Error");
    EXPECT_EQ(fixture.Op.BoxTexts(),
              QStringList{Named(*fixture.Session, ResultCode::WriteProtect)});
    EXPECT_NE(fixture.Session->CurrentTapeDescription.Label, "Empty Tape ");
}

TEST_F(TapeMenuCommandsTest, WithoutAMediumEveryCommandFailsAndNamesTheDrive) {
    m_fixture.Library->Eject();
    const QString noMedium = Named(m_session, ResultCode::NoMediaInDrive);
    EXPECT_TRUE(noMedium.startsWith("vtape:")) << noMedium.toStdString();
    EXPECT_NE(TensionTapeCommand(m_session), ResultCode::Success);
    EXPECT_NE(MoveToEndOfDataCommand(m_session), ResultCode::Success);
    EXPECT_NE(FormatTapeCommand(m_session), ResultCode::Success);
    EXPECT_NE(SetFilemarksCommand(m_session), ResultCode::Success);
    EXPECT_NE(SetTapeParametersCommand(m_session), ResultCode::Success);
    EXPECT_NE(DeleteTapeCommand(m_session), ResultCode::Success);
    EXPECT_TRUE(m_op.LastStatus().startsWith("vtape:")) << m_op.LastStatus().toStdString();
    ResultCode answer = ResultCode::Success;
    EXPECT_EQ(GetTapePositionCommand(m_session, &answer), 0);
    EXPECT_NE(answer, ResultCode::Success);
    const TapeInfo info = ReadTapeInfo(m_session);
    EXPECT_FALSE(info.MediaKnown);
    EXPECT_EQ(TapeInfoValues(info)[11].second, "unknown");
    for (const QString& text : m_op.BoxTexts()) {
        if (text != "Tape at Block: 0") {
            EXPECT_EQ(text, noMedium);
        }
    }
    EXPECT_EQ(m_op.BusyCursorDepth, 0);
}

TEST_F(TapeMenuCommandsTest, EjectThenLoadTakesTheCartridgeBack) {
    EXPECT_EQ(EjectTape(m_session, false), ResultCode::Success);
    EXPECT_EQ(LoadTapeCommand(m_session), ResultCode::Success);
    EXPECT_EQ(m_op.BoxTexts().last(), "OK");
    EXPECT_EQ(m_op.LastStatus(), "Tape loaded");
    EXPECT_EQ(m_fixture.Library->LoadedCartridge(), "t1");
    EXPECT_EQ(TensionTapeCommand(m_session), ResultCode::Success);
    EXPECT_EQ(m_op.LastStatus(), "");
}

TEST_F(TapeMenuCommandsTest, EraseEndsTheDataWhereTheTapeStandsAndEndOfDataFindsIt) {
    WriteTape(*m_fixture.Library, 9, -1, 0);
    MoveToBlock(m_session, "5");
    EXPECT_EQ(DeleteTapeCommand(m_session), ResultCode::Success);
    EXPECT_EQ(m_op.LastStatus(), "Erase Ok");
    RewindTapeCommand(m_session);
    int64_t block = -1;
    EXPECT_EQ(MoveToEndOfDataCommand(m_session, &block), ResultCode::Success);
    EXPECT_EQ(block, 5);
    EXPECT_EQ(m_op.LastStatus(), "Tape at end of Data <Block: 5>");
    EXPECT_EQ(m_op.BoxTexts().last(), "OK");
}

TEST_F(TapeMenuCommandsTest, FilemarksLeaveATapeWhoseFirstReadFindsNoData) {
    WriteTape(*m_fixture.Library, 60, -1, 0);
    EXPECT_EQ(SetFilemarksCommand(m_session), ResultCode::Success);
    EXPECT_EQ(m_op.BoxTexts().last(), "OK");
    RewindTapeCommand(m_session);
    TapeHandlePtr handle = OpenTape(m_session);
    ASSERT_TRUE(handle);
    std::vector<char> block(TapeBlockSize);
    EXPECT_EQ(handle->ReadBlock(block.data(), TapeBlockSize), ResultCode::FilemarkDetected);
    EXPECT_EQ(handle->SetPosition(TapePositionMethod::SpaceEndOfData, 0, 0), ResultCode::Success);
    uint32_t partition = 0;
    int64_t end = 0;
    handle->GetPosition(TapePositionType::Absolute, partition, end);
    EXPECT_EQ(end, 50);
}

TEST(TapeMenuCommands, InitWithZeroWritesToTheEndOfTheMediumAndReportsIt) {
    test::SessionFixture fixture(32768 * 3250);
    Session& session = *fixture.Session;
    const InitTapeResult run = InitTapeWithZeroCommand(session);
    EXPECT_TRUE(run.Opened);
    EXPECT_EQ(run.Blocks, 3250);
    EXPECT_EQ(run.End, ResultCode::EndOfMedia);
    EXPECT_TRUE(fixture.Op.StatusTexts.contains("Tape at Block Nr. 100 -> 3 MB"));
    EXPECT_TRUE(fixture.Op.StatusTexts.contains("Tape at Block Nr. 3200 -> 100 MB"));
    EXPECT_EQ(fixture.Op.LastStatus(), "Tape at Block Nr. 3250-> 101 MB");
    EXPECT_EQ(fixture.Op.BoxTexts(), QStringList{Named(session, ResultCode::EndOfMedia)});
    EXPECT_TRUE(session.CancelFlag);
    EXPECT_EQ(fixture.Op.BusyCursorDepth, 0);
    ASSERT_FALSE(fixture.Op.BusyModes.empty());
    EXPECT_FALSE(fixture.Op.BusyModes.back());
    for (const BackupProgress& report : fixture.Op.BackupReports) {
        if (report.Rate) {
            EXPECT_TRUE(std::isfinite(*report.Rate));
        }
    }
    EXPECT_EQ(InitTapeStatus(0, true), "Tape at Block Nr. 0-> 0 MB");
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

TEST_F(TapeMenuTest, EveryTapeCommandIsThereWhenIdleButSetFilemarks) {
    Start();
    for (const char* name :
         {"TapeInfo1", "GetTapeDescription1", "Auswerfen1", "LoadTape1", "Tapetension1",
          "RewindTape1", "MovetoendofData1", "MoveTapetoBlockNr1", "GetTapePosition1",
          "DeleteTape1", "FormatTape1", "InitTapewith01", "SetTapeParameters1"})
        EXPECT_TRUE(Action(name)->isEnabled()) << name;
    EXPECT_FALSE(Action("SetFilemarks1")->isEnabled());
}

TEST_F(TapeMenuTest, AfterEjectLoadTapeBringsTheCartridgeBack) {
    Start();
    Action("Auswerfen1")->trigger();
    ASSERT_TRUE(Action("LoadTape1")->isEnabled());
    Action("LoadTape1")->trigger();
    EXPECT_EQ(m_window->StatusText(), "Tape loaded");
    EXPECT_EQ(m_library->LoadedCartridge(), "t1");
}

TEST_F(TapeMenuTest, TapeInfoShowsTheSixteenValues) {
    Start();
    TTape_Info info;
    AuxiliaryWindows windows;
    windows.TapeInfo = &info;
    m_window->AttachWindows(windows);
    Action("TapeInfo1")->trigger();
    QWidget* dialog = &info;
    EXPECT_TRUE(dialog->isVisible());
    EXPECT_EQ(dialog->windowTitle(), "Tape Info");
    for (int i = 1; i <= 16; ++i) {
        auto* label = dialog->findChild<QLabel*>(QStringLiteral("Label%1").arg(i));
        ASSERT_TRUE(label) << i;
        EXPECT_FALSE(label->text().isEmpty()) << i;
        EXPECT_NE(label->text(), "unknown") << i;
    }
    EXPECT_EQ(dialog->findChild<QLabel*>("Label16")->text(), "Off");
}

TEST_F(TapeMenuTest, FormatFromTheMenuSetsTheCaption) {
    Start();
    Action("FormatTape1")->trigger();
    EXPECT_EQ(m_window->StatusText(), "Tape Formated");
    EXPECT_TRUE(m_window->windowTitle().startsWith("Orvane 2005  <Empty Tape from: "))
        << m_window->windowTitle().toStdString();
}

} // namespace
