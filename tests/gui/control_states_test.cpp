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
    void expectEnabled(const QStringList& names, bool enabled, const char* mode) {
        for (const QString& name : names) {
            const bool expected = enabled && IsAvailable(name);
            EXPECT_EQ(control(name)->isEnabled(), expected) << mode << ": " << name.toStdString();
        }
    }
    void expectCancelShown(bool shown) {
        for (const QString& name : CancelButtons)
            EXPECT_EQ(!control(name)->isHidden(), shown) << name.toStdString();
    }
    void expectTapeMenu(bool enabled) {
        for (const QString& name : TapeMenuItems)
            EXPECT_EQ(action(name)->isEnabled(), enabled) << name.toStdString();
    }
};

TEST_F(ControlStatesTest, IdleEnablesEverySetAndHidesCancel) {
    start();
    EXPECT_FALSE(window->busy());
    expectEnabled(BusyControls, true, "idle");
    expectEnabled(ListControls, true, "idle");
    expectEnabled(FreeControls, true, "idle");
    expectCancelShown(false);
    expectTapeMenu(true);
}

TEST_F(ControlStatesTest, BusyDisablesBothSetsShowsCancelAndKeepsTheRest) {
    start();
    EnterBusyMode(window->session());
    expectEnabled(BusyControls, false, "busy");
    expectEnabled(ListControls, false, "busy");
    expectEnabled(FreeControls, true, "busy");
    expectCancelShown(true);
    for (const QString& name : CancelButtons)
        EXPECT_TRUE(control(name)->isEnabled()) << name.toStdString();
    expectTapeMenu(false);
    EXPECT_TRUE(action("Exit1")->isEnabled());
    EXPECT_TRUE(action("About1")->isEnabled());

    LeaveBusyMode(window->session());
    expectEnabled(BusyControls, true, "after busy");
    expectEnabled(ListControls, true, "after busy");
    expectCancelShown(false);
    expectTapeMenu(true);
}

TEST_F(ControlStatesTest, ListLockDisablesOnlyTheListControls) {
    start();
    window->op().setListEditingLocked(true);
    expectEnabled(ListControls, false, "locked");
    expectEnabled(BusyControls, true, "locked");
    expectCancelShown(false);
    window->op().setListEditingLocked(false);
    expectEnabled(ListControls, true, "unlocked");
}

TEST_F(ControlStatesTest, LeavingBusyModeAlwaysUnlocksTheLists) {
    start();
    window->op().setListEditingLocked(true);
    EnterBusyMode(window->session());
    LeaveBusyMode(window->session());
    expectEnabled(ListControls, true, "after busy");
}

TEST_F(ControlStatesTest, StartUpIsBusyUntilTheDelayedStart) {
    start(false);
    EXPECT_TRUE(window->busy());
    expectEnabled(BusyControls, false, "start-up");
    expectCancelShown(true);
    window->Timer2Timer();
    EXPECT_FALSE(window->busy());
    expectEnabled(BusyControls, true, "after start-up");
}

TEST_F(ControlStatesTest, CommandsNotYetBuiltStayDisabledInEveryMode) {
    start();
    for (const QString& name : NotYetAvailableCommands()) {
        QWidget* widget = window->centralWidget()->findChild<QWidget*>(name);
        QAction* menuItem = window->findChild<QAction*>(name, Qt::FindDirectChildrenOnly);
        ASSERT_TRUE(widget || menuItem) << "no control " << name.toStdString();
        if (widget) {
            EXPECT_FALSE(widget->isEnabled()) << name.toStdString();
        }
        if (menuItem) {
            EXPECT_FALSE(menuItem->isEnabled()) << name.toStdString();
        }
    }
    EnterBusyMode(window->session());
    LeaveBusyMode(window->session());
    EXPECT_FALSE(control("BitBtn3")->isEnabled());
    EXPECT_FALSE(action("AddDirDrive1")->isEnabled());
    EXPECT_FALSE(action("SetFilemarks1")->isEnabled()) << "disabled for good";
}

TEST_F(ControlStatesTest, CancelAsksAndRaisesTheCancelFlagOnlyOnYes) {
    start();
    EnterBusyMode(window->session());
    auto* cancel = control<QAbstractButton>("BitBtn9");

    OperatorBoxes::setNextAnswer(MessageAnswer::No);
    cancel->click();
    EXPECT_FALSE(window->session().CancelFlag);
    EXPECT_EQ(OperatorBoxes::shownTexts(), QStringList{"Do you want to cancel this operation?"});

    OperatorBoxes::reset();
    OperatorBoxes::setNextAnswer(MessageAnswer::Yes);
    cancel->click();
    EXPECT_TRUE(window->session().CancelFlag);
    EXPECT_EQ(OperatorBoxes::shownTexts(),
              (QStringList{"Do you want to cancel this operation?", "canceld."}));
}

} // namespace
