#include "application_windows.h"
#include "platform/protocol_log.h"
#include "platform/result_code.h"
#include "tape/tape_access.h"
#include "window_fixture.h"

#include <QAbstractButton>
#include <QDir>
#include <QFile>
#include <QTimer>

using namespace orvane;

namespace {

using StartUpTest = test::WindowFixture;

TEST_F(StartUpTest, WithAMediumTheStartIsQuietAndEndsIdle) {
    Start(false);
    EXPECT_TRUE(OperatorBoxes::Shown().empty())
        << OperatorBoxes::ShownTexts().join('|').toStdString();
    EXPECT_EQ(m_window->windowTitle(), "Orvane 2005");
    EXPECT_EQ(m_window->objectName(), "THauptmenu");
    EXPECT_TRUE(m_window->Busy());
    EXPECT_TRUE(QFile::exists(m_home.File("orvane_backup.log")));
    EXPECT_TRUE(QDir(m_home.File("worker")).exists());

    m_window->Timer2Timer();
    EXPECT_FALSE(m_window->Busy());
    EXPECT_FALSE(m_window->ListEditingLocked());
    EXPECT_TRUE(OperatorBoxes::Shown().empty());
}

TEST_F(StartUpTest, WithoutAMediumTheErrorIsShownAndLoggedAndTheStartGoesOn) {
    ASSERT_TRUE(m_library->Eject().isEmpty());
    Start(false);

    const QString text = TapeErrorMessage(m_window->Session(), ResultCode::NoMediaInDrive);
    ASSERT_EQ(OperatorBoxes::Shown().size(), 1u);
    EXPECT_EQ(OperatorBoxes::Shown()[0].Text, text);
    EXPECT_EQ(OperatorBoxes::Shown()[0].Caption, "Error");
    EXPECT_EQ(OperatorBoxes::Shown()[0].Icon, MessageIcon::Error);

    for (const char* memo : {"Memo2", "reMessageText"}) {
        const QStringList lines = MemoLines(memo);
        ASSERT_EQ(lines.size(), 5) << memo;
        EXPECT_EQ(lines[0], "");
        EXPECT_EQ(lines[1], ProtocolLog::Separator());
        EXPECT_EQ(lines[2], "");
        EXPECT_TRUE(lines[3].startsWith("Error: ")) << lines[3].toStdString();
        EXPECT_TRUE(lines[3].endsWith(" : " + text)) << lines[3].toStdString();
        EXPECT_EQ(lines[4], ProtocolLog::Separator());
    }

    m_window->Timer2Timer();
    EXPECT_EQ(OperatorBoxes::Shown().size(), 1u) << "the delayed start does not say it again";
    EXPECT_FALSE(m_window->Busy());
    EXPECT_TRUE(Control("BitBtn18")->isEnabled());
    EXPECT_TRUE(Control("CheckBox1")->isEnabled());
}

TEST_F(StartUpTest, TheProtocolMemoStartsEmptyWhateverTheLogHolds) {
    QFile log(m_home.File("orvane_backup.log"));
    ASSERT_TRUE(log.open(QIODevice::WriteOnly));
    log.write("from an earlier run\r\n");
    log.close();
    Start();
    EXPECT_TRUE(MemoLines("Memo2").isEmpty());
    EXPECT_TRUE(MemoLines("Memo3").isEmpty());
}

TEST_F(StartUpTest, TimersAreSetForTheDailyCheckAndTheDelayedStart) {
    Start(false);
    auto* timer1 = m_window->findChild<QTimer*>("Timer1");
    auto* timer2 = m_window->findChild<QTimer*>("Timer2");
    ASSERT_TRUE(timer1 && timer2);
    EXPECT_EQ(timer1->interval(), 60000);
    EXPECT_FALSE(timer1->isSingleShot());
    EXPECT_EQ(timer2->interval(), 2000);
    EXPECT_TRUE(timer2->isSingleShot());
}

TEST_F(StartUpTest, TheEightWindowsAreCreatedInOrderWithTheirCaptions) {
    ApplicationWindows windows(Options());
    const std::vector<std::pair<QString, QString>> expected = {
        {"THauptmenu", "Orvane 2005"}, {"TBackup_days", "Backup every"},
        {"TAboutBox", "Orvane"},       {"TFile_Select", "Dir / Drive Select"},
        {"TTape_Info", "Tape Info"},   {"TOrvane_Update", "Orvane Live Update"},
        {"THelp_File", "Help"},        {"TPartition_Table", "Harddisk select"},
    };
    const QList<QWidget*> created = windows.InCreationOrder();
    ASSERT_EQ(created.size(), qsizetype(expected.size()));
    for (size_t i = 0; i < expected.size(); ++i) {
        EXPECT_EQ(created[qsizetype(i)]->objectName(), expected[i].first);
        EXPECT_EQ(created[qsizetype(i)]->windowTitle(), expected[i].second);
        EXPECT_TRUE(created[qsizetype(i)]->isHidden()) << "nothing is shown before the loop";
    }
}

TEST_F(StartUpTest, AboutShowsTheAboutBox) {
    ApplicationWindows windows(Options());
    windows.Main().Timer2Timer();
    QWidget* about = windows.InCreationOrder()[2];
    ASSERT_TRUE(about->isHidden());
    windows.Main().findChild<QAction*>("About1", Qt::FindDirectChildrenOnly)->trigger();
    EXPECT_FALSE(about->isHidden());
}

TEST_F(StartUpTest, TheBackupDaysDialogEditsTheSettingsAtOnce) {
    ApplicationWindows windows(Options());
    QWidget* days = windows.InCreationOrder()[1];
    auto* sunday = days->findChild<QAbstractButton*>("CheckBox7");
    ASSERT_TRUE(sunday);
    EXPECT_TRUE(sunday->isChecked());
    sunday->click();
    EXPECT_FALSE(windows.Main().Session().Settings.BackupDays[6]);
}

} // namespace
