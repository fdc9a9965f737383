#include "archive/backup_writer_fixture.h"
#include "jobs/backup_lists.h"
#include "jobs/backup_run.h"
#include "jobs/backup_summary.h"
#include "platform/protocol_log.h"

#include <QFileInfo>
#include <QLocale>
#include <QRegularExpression>
#include <gtest/gtest.h>

using namespace orvane;
using namespace orvane::test;

namespace {

class BackupRunTest : public ::testing::Test {
protected:
    BackupRunTest() {
        m_steps.VerifyBackup = [this] {
            m_calls << "verify";
            m_busyAtVerify = m_op.BusyModes.back();
        };
        m_steps.SendMailReport = [this] { m_calls << "mail"; };
        m_steps.ExitApplication = [this] { m_calls << "exit"; };
        m_steps.ClearMailBody = [this] { m_calls << "clear mail"; };
        m_steps.RunExternalCommand = [this](const QString& command) {
            m_calls << command;
            if (command == "after") {
                m_loadedAtAfter = m_fixture.Library->LoadedCartridge();
                m_runningAtAfter = m_session.BackupRunning;
            }
            return !command.startsWith("fail");
        };
    }

    void EnableEveryFollowUp() {
        m_session.Settings.VerifyAfterBackup = true;
        m_session.Settings.EjectAfterBackup = true;
        m_session.Settings.MailAfterBackup = true;
        m_session.Settings.ExitAfterBackup = true;
        m_session.Settings.CommandAfter = "after";
    }

    qint64 ImageSize() { return QFileInfo(m_fixture.Library->ImagePath("t1")).size(); }

    BackupFixture m_fixture;
    Session& m_session = m_fixture.S();
    BackupOperator& m_op = m_fixture.Op;
    BackupRunSteps& m_steps = m_fixture.Steps;
    QStringList m_calls;
    bool m_busyAtVerify = true;
    QString m_loadedAtAfter = "unset";
    bool m_runningAtAfter = true;
};

TEST_F(BackupRunTest, ProtocolFramesTheRunAndEndsWithTheSummary) {
    const QString file = m_fixture.MakeFile("a.txt", QByteArray(3000, 'a'));
    m_fixture.Backup({file});

    ASSERT_FALSE(m_session.CancelFlag);
    const QStringList& lines = m_op.ProtocolLines;
    ASSERT_GE(lines.size(), 14);
    EXPECT_EQ(lines.mid(0, 3), QStringList({"", ProtocolLog::Separator(), ""}));
    EXPECT_TRUE(lines[3].startsWith("Backup startet at: "));
    EXPECT_EQ(lines[4], "");
    EXPECT_EQ(lines[5], file + " <2 KBytes> ");
    EXPECT_EQ(lines.mid(lines.size() - 8, 7),
              QStringList({"", "2 Files proceded.", "0 Files skipped.", "0 MB proceded.",
                           "0 Compressed MB proceded.", "0 MB/s", ""}));
    const QRegularExpression summary(
        "^Backup finished at: .+  Elapsed Time: \\d\\d:\\d\\d:\\d\\d  <0MB>$");
    EXPECT_TRUE(summary.match(lines.last()).hasMatch()) << lines.last().toStdString();
    EXPECT_EQ(m_op.LastStatus(), lines.last());
    EXPECT_TRUE(ReadWhole(m_session.Paths.LogFilePath).contains("Backup startet at: "));

    EXPECT_EQ(m_op.Views.front(), OperatorView::BackupRun);
    EXPECT_EQ(m_op.Views.back(), OperatorView::Protocol);
    EXPECT_EQ(m_op.BusyModes.back(), false);
    EXPECT_EQ(m_op.ListLocks.back(), false);
    EXPECT_EQ(m_op.BusyCursorDepth, 0);
    EXPECT_FALSE(m_session.BackupRunning);
    EXPECT_EQ(m_calls, QStringList({"clear mail"}));
}

TEST_F(BackupRunTest, AnEmptyBackupListWritesNothingAndSaysSo) {
    for (const QStringList& list : {QStringList(), QStringList({"", " "})}) {
        m_op.ProtocolLines.clear();
        m_fixture.Backup(list);
        EXPECT_TRUE(m_session.CancelFlag);
        EXPECT_EQ(ImageSize(), 0);
        EXPECT_TRUE(
            m_op.ProtocolLines.contains("The backup list is empty: nothing was written to tape."));
        EXPECT_TRUE(m_op.ProtocolLines.contains("0 Files proceded."));
        EXPECT_TRUE(m_op.ProtocolLines.last().startsWith("Backup finished at: "));
        EXPECT_FALSE(m_session.BackupRunning);
    }
}

TEST_F(BackupRunTest, APreBackupCommandThatDoesNotStartEndsTheRunBeforeTheTape) {
    m_fixture.MakeFile("a.txt", "a");
    EnableEveryFollowUp();
    m_session.Settings.CommandBefore = "fail before";

    m_fixture.Backup({m_fixture.Source()});

    EXPECT_EQ(ImageSize(), 0);
    EXPECT_EQ(
        m_op.ProtocolLines.mid(m_op.ProtocolLines.size() - 5),
        QStringList({"", ProtocolLog::Separator(), "", "Error in before Backup Parameter", ""}));
    EXPECT_FALSE(m_op.ProtocolLines.join('\n').contains("Backup finished at: "));
    EXPECT_EQ(m_calls, QStringList({"clear mail", "fail before"})) << "no follow-up step";
    EXPECT_FALSE(m_session.BackupRunning);
    EXPECT_EQ(m_op.BusyModes.back(), false);
    EXPECT_EQ(m_op.BusyCursorDepth, 0);
}

TEST_F(BackupRunTest, AWaitTimeThatIsNotANumberEndsTheRunAndLeavesItIdle) {
    m_fixture.MakeFile("a.txt", "a");
    m_session.Settings.MailAfterBackup = true;
    m_session.Settings.CommandBefore = "before";
    m_session.Settings.CommandBeforeWait = "soon";

    m_fixture.Backup({m_fixture.Source()});

    EXPECT_TRUE(m_op.BoxTexts().contains("'soon' is not a valid integer value"));
    EXPECT_EQ(ImageSize(), 0);
    EXPECT_EQ(m_calls, QStringList({"clear mail", "before"}));
    EXPECT_FALSE(m_session.BackupRunning);
    EXPECT_EQ(m_op.BusyModes.back(), false);
    EXPECT_EQ(m_op.ListLocks.back(), false);
}

TEST_F(BackupRunTest, FollowUpStepsRunInTheirOrder) {
    m_fixture.MakeFile("a.txt", "a");
    EnableEveryFollowUp();
    m_session.Settings.CommandBefore = "before";

    m_fixture.Backup({m_fixture.Source()});

    EXPECT_FALSE(m_session.CancelFlag);
    EXPECT_EQ(m_calls, QStringList({"clear mail", "before", "verify", "after", "mail", "exit"}));
    EXPECT_FALSE(m_busyAtVerify) << "the verify runs with the window idle";
    EXPECT_EQ(m_loadedAtAfter, "") << "ejected before the post-backup command";
    EXPECT_FALSE(m_runningAtAfter);
}

TEST_F(BackupRunTest, AFailedPostBackupCommandStillMailsButDoesNotExit) {
    m_fixture.MakeFile("a.txt", "a");
    EnableEveryFollowUp();
    m_session.Settings.CommandAfter = "fail after";

    m_fixture.Backup({m_fixture.Source()});

    EXPECT_TRUE(m_session.CancelFlag);
    EXPECT_EQ(m_calls, QStringList({"clear mail", "verify", "fail after", "mail"}));
    EXPECT_EQ(
        m_op.ProtocolLines.mid(m_op.ProtocolLines.size() - 5),
        QStringList({"", ProtocolLog::Separator(), "", "Error in after Backup Parameter", ""}));
}

TEST_F(BackupRunTest, ACancelledRunSkipsVerifyEjectAndExitButMails) {
    const QString a = m_fixture.MakeFile("a.txt", "a");
    m_fixture.MakeFile("b.txt", "b");
    EnableEveryFollowUp();
    m_op.OnStatus = [&](const QString& status) {
        if (status.contains(a + " <"))
            m_session.CancelFlag = true;
    };

    m_fixture.Backup({m_fixture.Source()});

    EXPECT_TRUE(m_session.CancelFlag);
    EXPECT_EQ(m_calls, QStringList({"clear mail", "after", "mail"}));
    EXPECT_EQ(m_fixture.Library->LoadedCartridge(), "t1") << "not ejected";
    EXPECT_TRUE(m_fixture.Parse().EndMarkerFound);
}

TEST_F(BackupRunTest, AMissingMediumSkipsTheStepsThatNeedATape) {
    m_fixture.MakeFile("a.txt", "a");
    EnableEveryFollowUp();
    m_fixture.Library->Eject();

    m_fixture.Backup({m_fixture.Source()});

    EXPECT_TRUE(m_session.CancelFlag);
    EXPECT_EQ(m_calls, QStringList({"clear mail", "after", "mail"}));
    EXPECT_TRUE(m_op.ProtocolLines.contains("0 Files proceded."));
}

TEST_F(BackupRunTest, ACatalogFileThatCannotBeMadeStopsTheRunAfterTheDescription) {
    m_fixture.MakeFile("a.txt", "a");
    QDir(m_session.Paths.WorkDirectory).removeRecursively();
    QFile blocker(m_session.Paths.WorkDirectory.chopped(1));
    ASSERT_TRUE(blocker.open(QIODevice::WriteOnly)) << "a file where the work directory goes";
    blocker.close();

    m_fixture.Backup({m_fixture.Source()});

    EXPECT_TRUE(m_session.CancelFlag);
    EXPECT_EQ(ImageSize(), 32768) << "the tape description block only";
    ASSERT_FALSE(m_op.Boxes.empty());
    EXPECT_TRUE(m_op.Boxes.back().Text.startsWith(
        "The catalog file " + m_session.Paths.CatalogFilePath + " cannot be created"))
        << m_op.Boxes.back().Text.toStdString();
    EXPECT_TRUE(m_op.ProtocolLines.last().startsWith("Backup finished at: "));
}

TEST(BackupCancel, AsksAndRaisesTheFlagOnlyOnYes) {
    for (const MessageAnswer answer : {MessageAnswer::Yes, MessageAnswer::No}) {
        ScriptedOperator op;
        op.Answers = {answer};
        bool cancelFlag = false;
        ConfirmCancel(op, cancelFlag);
        const bool yes = answer == MessageAnswer::Yes;
        EXPECT_EQ(cancelFlag, yes);
        ASSERT_EQ(op.Boxes.size(), yes ? 2u : 1u);
        EXPECT_EQ(op.Boxes[0].Text, "Do you want to cancel this operation?");
        EXPECT_EQ(op.Boxes[0].Buttons, MessageButtons::YesNo);
        if (yes) {
            EXPECT_EQ(op.Boxes[1].Text, "canceld.");
            EXPECT_EQ(op.Boxes[1].Buttons, MessageButtons::Ok);
        }
    }
}

TEST(BackupSummary, ElapsedTimesShowTheirFullHours) {
    const std::vector<std::pair<int64_t, QString>> cases = {
        {0, "00:00:00"},        {999, "00:00:00"},      {61000, "00:01:01"},
        {86399000, "23:59:59"}, {90061000, "25:01:01"}, {-5, "00:00:00"},
    };
    for (const auto& [ms, text] : cases)
        EXPECT_EQ(ElapsedTimeText(ms), text) << ms;
}

TEST(BackupSummary, DisplayValuesUseTheShortestDecimalText) {
    const QString point = QLocale::system().decimalPoint();
    EXPECT_EQ(DisplayValueText(0), "0");
    EXPECT_EQ(DisplayValueText(11), "11");
    EXPECT_EQ(DisplayValueText(1234567), "1234567");
    EXPECT_EQ(DisplayValueText(12.5), "12" + point + "5");
    EXPECT_EQ(DisplayValueText(3.33), "3" + point + "33");
}

TEST(BackupLists, ListCommandsTidyBeforeTheyAppend) {
    Settings settings;
    ScriptedOperator op;
    settings.BackupList = {"/home/", "", " ", "/Etc/"};
    AddFilesToBackupList(settings, {"/data/B.txt", "/data/a.txt"});
    EXPECT_EQ(settings.BackupList, QStringList({"/home/", "/Etc/", "/data/B.txt", "/data/a.txt"}));
    settings.ExcludeList = {" ", "/tmp"};
    AddFilesToExcludeList(settings, {"/var/x"});
    EXPECT_EQ(settings.ExcludeList, QStringList({"/tmp", "/var/x"}));

    ClearBackupList(settings, op);
    EXPECT_TRUE(settings.BackupList.isEmpty());
    EXPECT_EQ(op.Views, std::vector<OperatorView>({OperatorView::BackupList}));
    EXPECT_EQ(op.ListLocks, std::vector<bool>({false}));
    ClearExcludeList(settings);
    EXPECT_TRUE(settings.ExcludeList.isEmpty());
}

} // namespace
