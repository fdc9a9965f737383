#include "application_windows.h"
#include "platform/protocol_log.h"
#include "platform/result_code.h"
#include "window_fixture.h"

#include <QAbstractButton>
#include <QDir>
#include <QFile>
#include <QTimer>

using namespace orvane;

namespace {

using StartUpTest = test::WindowFixture;

TEST_F(StartUpTest, WithAMediumTheStartIsQuietAndEndsIdle) {
    start(false);
    EXPECT_TRUE(OperatorBoxes::shown().empty())
        << OperatorBoxes::shownTexts().join('|').toStdString();
    EXPECT_EQ(window->windowTitle(), "Orvane 2005");
    EXPECT_EQ(window->objectName(), "THauptmenu");
    EXPECT_TRUE(window->busy());
    EXPECT_TRUE(QFile::exists(home.file("orvane_backup.log")));
    EXPECT_TRUE(QDir(home.file("worker")).exists());

    window->Timer2Timer();
    EXPECT_FALSE(window->busy());
    EXPECT_FALSE(window->listEditingLocked());
    EXPECT_TRUE(OperatorBoxes::shown().empty());
}

TEST_F(StartUpTest, WithoutAMediumTheErrorIsShownAndLoggedAndTheStartGoesOn) {
    ASSERT_TRUE(library->eject().isEmpty());
    start(false);

    const QString text = SystemMessage(ResultCode::NoMediaInDrive);
    ASSERT_EQ(OperatorBoxes::shown().size(), 1u);
    EXPECT_EQ(OperatorBoxes::shown()[0].text, text);
    EXPECT_EQ(OperatorBoxes::shown()[0].caption, "Error");
    EXPECT_EQ(OperatorBoxes::shown()[0].icon, MessageIcon::Error);

    for (const char* memo : {"Memo2", "reMessageText"}) {
        const QStringList lines = memoLines(memo);
        ASSERT_EQ(lines.size(), 5) << memo;
        EXPECT_EQ(lines[0], "");
        EXPECT_EQ(lines[1], ProtocolLog::Separator());
        EXPECT_EQ(lines[2], "");
        EXPECT_TRUE(lines[3].startsWith("Error: ")) << lines[3].toStdString();
        EXPECT_TRUE(lines[3].endsWith(" : " + text)) << lines[3].toStdString();
        EXPECT_EQ(lines[4], ProtocolLog::Separator());
    }

    window->Timer2Timer();
    EXPECT_EQ(OperatorBoxes::shown().size(), 1u) << "the delayed start does not say it again";
    EXPECT_FALSE(window->busy());
    EXPECT_TRUE(control("BitBtn18")->isEnabled());
    EXPECT_TRUE(control("CheckBox1")->isEnabled());
}

TEST_F(StartUpTest, TheProtocolMemoStartsEmptyWhateverTheLogHolds) {
    QFile log(home.file("orvane_backup.log"));
    ASSERT_TRUE(log.open(QIODevice::WriteOnly));
    log.write("from an earlier run\r\n");
    log.close();
    start();
    EXPECT_TRUE(memoLines("Memo2").isEmpty());
    EXPECT_TRUE(memoLines("Memo3").isEmpty());
}

TEST_F(StartUpTest, TimersAreSetForTheDailyCheckAndTheDelayedStart) {
    start(false);
    auto* timer1 = window->findChild<QTimer*>("Timer1");
    auto* timer2 = window->findChild<QTimer*>("Timer2");
    ASSERT_TRUE(timer1 && timer2);
    EXPECT_EQ(timer1->interval(), 60000);
    EXPECT_FALSE(timer1->isSingleShot());
    EXPECT_EQ(timer2->interval(), 2000);
    EXPECT_TRUE(timer2->isSingleShot());
}

TEST_F(StartUpTest, TheEightWindowsAreCreatedInOrderWithTheirCaptions) {
    ApplicationWindows windows(options());
    const std::vector<std::pair<QString, QString>> expected = {
        {"THauptmenu", "Orvane 2005"}, {"TBackup_days", "Backup every"},
        {"TAboutBox", "Orvane"},       {"TFile_Select", "Dir / Drive Select"},
        {"TTape_Info", "Tape Info"},   {"TOrvane_Update", "Orvane Live Update"},
        {"THelp_File", "Help"},        {"TPartition_Table", "Harddisk select"},
    };
    const QList<QWidget*> created = windows.inCreationOrder();
    ASSERT_EQ(created.size(), qsizetype(expected.size()));
    for (size_t i = 0; i < expected.size(); ++i) {
        EXPECT_EQ(created[qsizetype(i)]->objectName(), expected[i].first);
        EXPECT_EQ(created[qsizetype(i)]->windowTitle(), expected[i].second);
        EXPECT_TRUE(created[qsizetype(i)]->isHidden()) << "nothing is shown before the loop";
    }
}

TEST_F(StartUpTest, AboutShowsTheAboutBox) {
    ApplicationWindows windows(options());
    windows.main().Timer2Timer();
    QWidget* about = windows.inCreationOrder()[2];
    ASSERT_TRUE(about->isHidden());
    windows.main().findChild<QAction*>("About1", Qt::FindDirectChildrenOnly)->trigger();
    EXPECT_FALSE(about->isHidden());
}

TEST_F(StartUpTest, TheBackupDaysDialogEditsTheSettingsAtOnce) {
    ApplicationWindows windows(options());
    QWidget* days = windows.inCreationOrder()[1];
    auto* sunday = days->findChild<QAbstractButton*>("CheckBox7");
    ASSERT_TRUE(sunday);
    EXPECT_TRUE(sunday->isChecked());
    sunday->click();
    EXPECT_FALSE(windows.main().session().settings.BackupDays[6]);
}

} // namespace
