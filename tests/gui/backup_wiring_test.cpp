#include "led_display.h"
#include "main_window_tabs.h"
#include "run_fixture.h"

#include <QCheckBox>
#include <QGuiApplication>
#include <QTabWidget>
#include <QTimer>

using namespace orvane;

namespace {

using BackupWiringTest = test::RunFixture;

TEST_F(BackupWiringTest, StartBackupFromTheButtonOrTheMenuBacksUpTheListAndReports) {
    Start();
    const QString source = MakeSmallTree();
    for (const char* trigger : {"BitBtn1", "StartBackup1"}) {
        SCOPED_TRACE(trigger);
        Control<QPlainTextEdit>("Memo5")->setPlainText(source);
        if (QString(trigger) == "BitBtn1")
            Click(trigger);
        else
            Action(trigger)->trigger();

        EXPECT_FALSE(m_window->Session().CancelFlag);
        EXPECT_FALSE(m_window->Busy());
        EXPECT_EQ(QGuiApplication::overrideCursor(), nullptr);
        // Three files and the catalog file.
        EXPECT_EQ(m_window->Counter(5)->Text(), "4");
        EXPECT_TRUE(MemoHas("Memo2", "4 Files proceded."));
        EXPECT_TRUE(MemoHas("reMessageText", "4 Files proceded."))
            << "the e-mail body collects the run's protocol";
        EXPECT_TRUE(m_window->StatusText().startsWith("Backup finished at: "));
        EXPECT_EQ(Control<QTabWidget>("PageControl1")->currentIndex(), tab::Protocol);
        EXPECT_TRUE(m_window->windowTitle().startsWith("Orvane 2005  <Tape 1 from: "))
            << m_window->windowTitle().toStdString();
    }
    EXPECT_EQ(MemoLines("reMessageText").filter("Backup startet at: ").size(), 1)
        << "each run starts the e-mail body afresh";
}

TEST_F(BackupWiringTest, VerifyAfterBackupRunsTheVerifyIntoItsReport) {
    Start();
    const QString source = MakeSmallTree();
    Control<QCheckBox>("CheckBox5")->setChecked(true);
    BackUp({source});

    EXPECT_TRUE(MemoHas("Memo4", source + "a.txt   OK"));
    EXPECT_TRUE(MemoHas("Memo4", "3 Files OK"));
    EXPECT_TRUE(MemoHas("Memo4", "0 Files Defect"));
    EXPECT_FALSE(m_window->Busy());
}

TEST_F(BackupWiringTest, CancelDuringTheRunStopsItAndSkipsTheVerify) {
    Start();
    const QString source = MakeSmallTree();
    Control<QCheckBox>("CheckBox5")->setChecked(true);
    bool cancelShown = false;
    // Runs at the run's first message pump, as a click on Cancel would.
    QTimer::singleShot(0, m_window.get(), [&] {
        cancelShown = !Control("BitBtn8")->isHidden() && Control("BitBtn8")->isEnabled();
        Click("BitBtn8");
    });
    BackUp({source});

    EXPECT_TRUE(cancelShown);
    EXPECT_TRUE(OperatorBoxes::ShownTexts().contains("Do you want to cancel this operation?"));
    EXPECT_TRUE(OperatorBoxes::ShownTexts().contains("canceld."));
    EXPECT_TRUE(m_window->Session().CancelFlag);
    EXPECT_TRUE(MemoLines("Memo2").filter("Backup finished at: ").size() == 1);
    EXPECT_TRUE(MemoLines("Memo2").filter("Verify startet at: ").isEmpty());
    EXPECT_FALSE(MemoHas("Memo2", "4 Files proceded."));
    EXPECT_FALSE(m_window->Busy());
    EXPECT_TRUE(Control("BitBtn1")->isEnabled());
}

TEST_F(BackupWiringTest, ABackupWithoutAMediumEndsIdle) {
    Start();
    const QString source = MakeSmallTree();
    ASSERT_TRUE(m_library->Eject().isEmpty());
    BackUp({source});

    EXPECT_TRUE(m_window->Session().CancelFlag);
    EXPECT_FALSE(OperatorBoxes::Shown().empty());
    EXPECT_FALSE(m_window->Busy());
    EXPECT_FALSE(m_window->ListEditingLocked());
    EXPECT_EQ(QGuiApplication::overrideCursor(), nullptr);
    EXPECT_TRUE(Control("BitBtn1")->isEnabled());
    EXPECT_TRUE(Control("BitBtn8")->isHidden());
}

TEST_F(BackupWiringTest, TheRunTidiesTheListsAndTheMemosShowIt) {
    Start();
    const QString source = MakeSmallTree();
    Control<QPlainTextEdit>("Memo1")->setPlainText("\n" + source + "sub/\n \n");
    BackUp({"", source, " "});

    EXPECT_EQ(MemoLines("Memo5"), QStringList{source});
    EXPECT_EQ(MemoLines("Memo1"), QStringList{source + "sub/"});
    EXPECT_EQ(m_window->Counter(5)->Text(), "3") << "sub/c.txt excluded";
}

TEST_F(BackupWiringTest, FilesAppendsTheChosenFilesToTheBackupList) {
    Start();
    const QString source = MakeSmallTree();
    Control<QPlainTextEdit>("Memo5")->setPlainText("/etc/\n\n");
    Control<QTabWidget>("PageControl1")->setCurrentIndex(tab::Verify);

    OperatorBoxes::SetNextChoice({source + "b.bin", source + "a.txt"});
    Click("BitBtn7");
    EXPECT_EQ(Control<QTabWidget>("PageControl1")->currentIndex(), tab::Backup);
    EXPECT_EQ(MemoLines("Memo5"), (QStringList{"/etc/", source + "b.bin", source + "a.txt"}));
    EXPECT_EQ(m_window->Session().Settings.BackupList, MemoLines("Memo5"));

    // The menu item opens the same chooser; cancelling it changes nothing.
    Action("AddFiles1")->trigger();
    EXPECT_EQ(MemoLines("Memo5"), (QStringList{"/etc/", source + "b.bin", source + "a.txt"}));
}

TEST_F(BackupWiringTest, AddFilesAppendsTheChosenFilesToTheExcludeList) {
    Start();
    const QString source = MakeSmallTree();
    OperatorBoxes::SetNextChoice({source + "a.txt"});
    Click("BitBtn15");
    EXPECT_EQ(MemoLines("Memo1"), QStringList{source + "a.txt"});
    EXPECT_EQ(m_window->Session().Settings.ExcludeList, QStringList{source + "a.txt"});
}

} // namespace
