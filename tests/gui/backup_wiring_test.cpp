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
    start();
    const QString source = makeSmallTree();
    for (const char* trigger : {"BitBtn1", "StartBackup1"}) {
        SCOPED_TRACE(trigger);
        control<QPlainTextEdit>("Memo5")->setPlainText(source);
        if (QString(trigger) == "BitBtn1")
            click(trigger);
        else
            action(trigger)->trigger();

        EXPECT_FALSE(window->session().CancelFlag);
        EXPECT_FALSE(window->busy());
        EXPECT_EQ(QGuiApplication::overrideCursor(), nullptr);
        // Three files and the catalog file.
        EXPECT_EQ(window->counter(5)->text(), "4");
        EXPECT_TRUE(memoHas("Memo2", "4 Files proceded."));
        EXPECT_TRUE(memoHas("reMessageText", "4 Files proceded."))
            << "the e-mail body collects the run's protocol";
        EXPECT_TRUE(window->statusText().startsWith("Backup finished at: "));
        EXPECT_EQ(control<QTabWidget>("PageControl1")->currentIndex(), tab::Protocol);
        EXPECT_TRUE(window->windowTitle().startsWith("Orvane 2005  <Tape 1 from: "))
            << window->windowTitle().toStdString();
    }
    EXPECT_EQ(memoLines("reMessageText").filter("Backup startet at: ").size(), 1)
        << "each run starts the e-mail body afresh";
}

TEST_F(BackupWiringTest, VerifyAfterBackupRunsTheVerifyIntoItsReport) {
    start();
    const QString source = makeSmallTree();
    control<QCheckBox>("CheckBox5")->setChecked(true);
    backUp({source});

    EXPECT_TRUE(memoHas("Memo4", source + "a.txt   OK"));
    EXPECT_TRUE(memoHas("Memo4", "3 Files OK"));
    EXPECT_TRUE(memoHas("Memo4", "0 Files Defect"));
    EXPECT_FALSE(window->busy());
}

TEST_F(BackupWiringTest, CancelDuringTheRunStopsItAndSkipsTheVerify) {
    start();
    const QString source = makeSmallTree();
    control<QCheckBox>("CheckBox5")->setChecked(true);
    bool cancelShown = false;
    // Runs at the run's first message pump, as a click on Cancel would.
    QTimer::singleShot(0, window.get(), [&] {
        cancelShown = !control("BitBtn8")->isHidden() && control("BitBtn8")->isEnabled();
        click("BitBtn8");
    });
    backUp({source});

    EXPECT_TRUE(cancelShown);
    EXPECT_TRUE(OperatorBoxes::shownTexts().contains("Do you want to cancel this operation?"));
    EXPECT_TRUE(OperatorBoxes::shownTexts().contains("canceld."));
    EXPECT_TRUE(window->session().CancelFlag);
    EXPECT_TRUE(memoLines("Memo2").filter("Backup finished at: ").size() == 1);
    EXPECT_TRUE(memoLines("Memo2").filter("Verify startet at: ").isEmpty());
    EXPECT_FALSE(memoHas("Memo2", "4 Files proceded."));
    EXPECT_FALSE(window->busy());
    EXPECT_TRUE(control("BitBtn1")->isEnabled());
}

TEST_F(BackupWiringTest, ABackupWithoutAMediumEndsIdle) {
    start();
    const QString source = makeSmallTree();
    ASSERT_TRUE(library->eject().isEmpty());
    backUp({source});

    EXPECT_TRUE(window->session().CancelFlag);
    EXPECT_FALSE(OperatorBoxes::shown().empty());
    EXPECT_FALSE(window->busy());
    EXPECT_FALSE(window->listEditingLocked());
    EXPECT_EQ(QGuiApplication::overrideCursor(), nullptr);
    EXPECT_TRUE(control("BitBtn1")->isEnabled());
    EXPECT_TRUE(control("BitBtn8")->isHidden());
}

TEST_F(BackupWiringTest, TheRunTidiesTheListsAndTheMemosShowIt) {
    start();
    const QString source = makeSmallTree();
    control<QPlainTextEdit>("Memo1")->setPlainText("\n" + source + "sub/\n \n");
    backUp({"", source, " "});

    EXPECT_EQ(memoLines("Memo5"), QStringList{source});
    EXPECT_EQ(memoLines("Memo1"), QStringList{source + "sub/"});
    EXPECT_EQ(window->counter(5)->text(), "3") << "sub/c.txt excluded";
}

TEST_F(BackupWiringTest, FilesAppendsTheChosenFilesToTheBackupList) {
    start();
    const QString source = makeSmallTree();
    control<QPlainTextEdit>("Memo5")->setPlainText("/etc/\n\n");
    control<QTabWidget>("PageControl1")->setCurrentIndex(tab::Verify);

    OperatorBoxes::setNextChoice({source + "b.bin", source + "a.txt"});
    click("BitBtn7");
    EXPECT_EQ(control<QTabWidget>("PageControl1")->currentIndex(), tab::Backup);
    EXPECT_EQ(memoLines("Memo5"), (QStringList{"/etc/", source + "b.bin", source + "a.txt"}));
    EXPECT_EQ(window->session().settings.BackupList, memoLines("Memo5"));

    // The menu item opens the same chooser; cancelling it changes nothing.
    action("AddFiles1")->trigger();
    EXPECT_EQ(memoLines("Memo5"), (QStringList{"/etc/", source + "b.bin", source + "a.txt"}));
}

TEST_F(BackupWiringTest, AddFilesAppendsTheChosenFilesToTheExcludeList) {
    start();
    const QString source = makeSmallTree();
    OperatorBoxes::setNextChoice({source + "a.txt"});
    click("BitBtn15");
    EXPECT_EQ(memoLines("Memo1"), QStringList{source + "a.txt"});
    EXPECT_EQ(window->session().settings.ExcludeList, QStringList{source + "a.txt"});
}

} // namespace
