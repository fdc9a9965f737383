#include "command_availability.h"
#include "tape/tape_access.h"
#include "window_fixture.h"

#include <QAbstractButton>

using namespace orvane;

namespace {

// The controls that busy mode disables.
const QStringList BusyControls = {
    "BitBtn2",   "BitBtn10",  "BitBtn11",  "BitBtn1",   "Panel10",      "Panel1",    "CheckBox1",
    "CheckBox3", "CheckBox4", "SpinEdit1", "SpinEdit2", "SpeedButton1", "Label1",    "BitBtn14",
    "BitBtn13",  "BitBtn12",  "Edit1",     "Button3",   "CheckBox6",    "CheckBox7", "CheckBox8",
    "CheckBox9", "SpinEdit3", "Edit2",     "Edit3",     "Edit4",        "Edit5",     "Edit6",
    "Edit7",     "efrom",     "eTo",       "eSubject",  "eHost",        "eUserid",   "ePassword"};

// The controls that list locking disables.
const QStringList ListControls = {"BitBtn3",   "BitBtn7", "BitBtn22",    "Memo5",   "CheckBox2",
                                  "CheckBox5", "BitBtn4", "BitBtn5",     "BitBtn6", "BitBtn15",
                                  "BitBtn16",  "Memo1",   "RadioGroup1", "Memo3"};

const QStringList CancelButtons = {"BitBtn8", "BitBtn9", "BitBtn17"};

// Controls that no mode touches.
const QStringList FreeControls = {"BitBtn18", "BitBtn19",      "BitBtn20", "TreeView1",
                                  "Memo2",    "reMessageText", "Memo4",    "PageControl1"};

// Menu items that must not run while a job is busy: tape operations, and the twin of a button
// that busy mode disables.
const QStringList TapeMenuItems = {"Auswerfen1", "RewindTape1", "MoveTapetoBlockNr1",
                                   "GetTapePosition1", "Clear1"};

class ControlStatesTest : public test::WindowFixture {
protected:
    void ExpectEnabled(const QStringList& names, bool enabled, const char* mode) {
        for (const QString& name : names) {
            const bool expected = enabled && IsAvailable(name);
            EXPECT_EQ(Control(name)->isEnabled(), expected) << mode << ": " << name.toStdString();
        }
    }
    void ExpectCancelShown(bool shown) {
        for (const QString& name : CancelButtons)
            EXPECT_EQ(!Control(name)->isHidden(), shown) << name.toStdString();
    }
    void ExpectTapeMenu(bool enabled) {
        for (const QString& name : TapeMenuItems)
            EXPECT_EQ(Action(name)->isEnabled(), enabled) << name.toStdString();
    }
};

TEST_F(ControlStatesTest, IdleEnablesEverySetAndHidesCancel) {
    Start();
    EXPECT_FALSE(m_window->Busy());
    ExpectEnabled(BusyControls, true, "idle");
    ExpectEnabled(ListControls, true, "idle");
    ExpectEnabled(FreeControls, true, "idle");
    ExpectCancelShown(false);
    ExpectTapeMenu(true);
}

TEST_F(ControlStatesTest, BusyDisablesBothSetsShowsCancelAndKeepsTheRest) {
    Start();
    EnterBusyMode(m_window->Session());
    ExpectEnabled(BusyControls, false, "busy");
    ExpectEnabled(ListControls, false, "busy");
    ExpectEnabled(FreeControls, true, "busy");
    ExpectCancelShown(true);
    for (const QString& name : CancelButtons)
        EXPECT_TRUE(Control(name)->isEnabled()) << name.toStdString();
    ExpectTapeMenu(false);
    EXPECT_TRUE(Action("Exit1")->isEnabled());
    EXPECT_TRUE(Action("About1")->isEnabled());

    LeaveBusyMode(m_window->Session());
    ExpectEnabled(BusyControls, true, "after busy");
    ExpectEnabled(ListControls, true, "after busy");
    ExpectCancelShown(false);
    ExpectTapeMenu(true);
}

TEST_F(ControlStatesTest, ListLockDisablesOnlyTheListControls) {
    Start();
    m_window->Op().SetListEditingLocked(true);
    ExpectEnabled(ListControls, false, "locked");
    ExpectEnabled(BusyControls, true, "locked");
    ExpectCancelShown(false);
    m_window->Op().SetListEditingLocked(false);
    ExpectEnabled(ListControls, true, "unlocked");
}

TEST_F(ControlStatesTest, LeavingBusyModeAlwaysUnlocksTheLists) {
    Start();
    m_window->Op().SetListEditingLocked(true);
    EnterBusyMode(m_window->Session());
    LeaveBusyMode(m_window->Session());
    ExpectEnabled(ListControls, true, "after busy");
}

TEST_F(ControlStatesTest, StartUpIsBusyUntilTheDelayedStart) {
    Start(false);
    EXPECT_TRUE(m_window->Busy());
    ExpectEnabled(BusyControls, false, "start-up");
    ExpectCancelShown(true);
    m_window->Timer2Timer();
    EXPECT_FALSE(m_window->Busy());
    ExpectEnabled(BusyControls, true, "after start-up");
}

TEST_F(ControlStatesTest, CommandsNotYetBuiltStayDisabledInEveryMode) {
    Start();
    for (const QString& name : NotYetAvailableCommands()) {
        QWidget* widget = m_window->centralWidget()->findChild<QWidget*>(name);
        QAction* menuItem = m_window->findChild<QAction*>(name, Qt::FindDirectChildrenOnly);
        ASSERT_TRUE(widget || menuItem) << "no control " << name.toStdString();
        if (widget) {
            EXPECT_FALSE(widget->isEnabled()) << name.toStdString();
            EXPECT_FALSE(widget->toolTip().isEmpty()) << "says why: " << name.toStdString();
        }
        if (menuItem) {
            EXPECT_FALSE(menuItem->isEnabled()) << name.toStdString();
            EXPECT_FALSE(menuItem->toolTip().isEmpty()) << "says why: " << name.toStdString();
        }
    }
    EnterBusyMode(m_window->Session());
    LeaveBusyMode(m_window->Session());
    for (const QString& name : NotYetAvailableCommands()) {
        if (QAction* menuItem = m_window->findChild<QAction*>(name, Qt::FindDirectChildrenOnly)) {
            EXPECT_FALSE(menuItem->isEnabled()) << name.toStdString();
        }
    }
    EXPECT_TRUE(Control("BitBtn22")->isEnabled()) << "built";
    EXPECT_FALSE(Action("SetFilemarks1")->isEnabled()) << "disabled for good";
}

TEST_F(ControlStatesTest, CancelAsksAndRaisesTheCancelFlagOnlyOnYes) {
    Start();
    EnterBusyMode(m_window->Session());
    auto* cancel = Control<QAbstractButton>("BitBtn9");

    OperatorBoxes::SetNextAnswer(MessageAnswer::No);
    cancel->click();
    EXPECT_FALSE(m_window->Session().CancelFlag);
    EXPECT_EQ(OperatorBoxes::ShownTexts(), QStringList{"Do you want to cancel this operation?"});

    OperatorBoxes::Reset();
    OperatorBoxes::SetNextAnswer(MessageAnswer::Yes);
    cancel->click();
    EXPECT_TRUE(m_window->Session().CancelFlag);
    EXPECT_EQ(OperatorBoxes::ShownTexts(),
              (QStringList{"Do you want to cancel this operation?", "canceld."}));
}

} // namespace
