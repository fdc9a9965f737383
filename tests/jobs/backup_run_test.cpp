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
        steps.VerifyBackup = [this] {
            calls << "verify";
            busyAtVerify = op.busyModes.back();
        };
        steps.SendMailReport = [this] { calls << "mail"; };
        steps.ExitApplication = [this] { calls << "exit"; };
        steps.ClearMailBody = [this] { calls << "clear mail"; };
        steps.RunExternalCommand = [this](const QString& command) {
            calls << command;
            if (command == "after") {
                loadedAtAfter = fixture.library->loadedCartridge();
                runningAtAfter = session.BackupRunning;
            }
            return !command.startsWith("fail");
        };
    }

    void EnableEveryFollowUp() {
        session.settings.VerifyAfterBackup = true;
        session.settings.EjectAfterBackup = true;
        session.settings.MailAfterBackup = true;
        session.settings.ExitAfterBackup = true;
        session.settings.CommandAfter = "after";
    }

    qint64 ImageSize() { return QFileInfo(fixture.library->imagePath("t1")).size(); }

    BackupFixture fixture;
    Session& session = fixture.S();
    BackupOperator& op = fixture.op;
    BackupRunSteps& steps = fixture.steps;
    QStringList calls;
    bool busyAtVerify = true;
    QString loadedAtAfter = "unset";
    bool runningAtAfter = true;
};

TEST_F(BackupRunTest, ProtocolFramesTheRunAndEndsWithTheSummary) {
    const QString file = fixture.MakeFile("a.txt", QByteArray(3000, 'a'));
    fixture.Backup({file});

    ASSERT_FALSE(session.CancelFlag);
    const QStringList& lines = op.protocolLines;
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
    EXPECT_EQ(op.lastStatus(), lines.last());
    EXPECT_TRUE(ReadWhole(session.paths.LogFilePath).contains("Backup startet at: "));

    EXPECT_EQ(op.views.front(), OperatorView::BackupRun);
    EXPECT_EQ(op.views.back(), OperatorView::Protocol);
    EXPECT_EQ(op.busyModes.back(), false);
    EXPECT_EQ(op.listLocks.back(), false);
    EXPECT_EQ(op.busyCursorDepth, 0);
    EXPECT_FALSE(session.BackupRunning);
    EXPECT_EQ(calls, QStringList({"clear mail"}));
}

TEST_F(BackupRunTest, AnEmptyBackupListWritesNothingAndSaysSo) {
    for (const QStringList& list : {QStringList(), QStringList({"", " "})}) {
        op.protocolLines.clear();
        fixture.Backup(list);
        EXPECT_TRUE(session.CancelFlag);
        EXPECT_EQ(ImageSize(), 0);
        EXPECT_TRUE(
            op.protocolLines.contains("The backup list is empty: nothing was written to tape."));
        EXPECT_TRUE(op.protocolLines.contains("0 Files proceded."));
        EXPECT_TRUE(op.protocolLines.last().startsWith("Backup finished at: "));
        EXPECT_FALSE(session.BackupRunning);
    }
}

TEST_F(BackupRunTest, APreBackupCommandThatDoesNotStartEndsTheRunBeforeTheTape) {
    fixture.MakeFile("a.txt", "a");
    EnableEveryFollowUp();
    session.settings.CommandBefore = "fail before";

    fixture.Backup({fixture.Source()});

    EXPECT_EQ(ImageSize(), 0);
    EXPECT_EQ(
        op.protocolLines.mid(op.protocolLines.size() - 5),
        QStringList({"", ProtocolLog::Separator(), "", "Error in before Backup Parameter", ""}));
    EXPECT_FALSE(op.protocolLines.join('\n').contains("Backup finished at: "));
    EXPECT_EQ(calls, QStringList({"clear mail", "fail before"})) << "no follow-up step";
    EXPECT_FALSE(session.BackupRunning);
    EXPECT_EQ(op.busyModes.back(), false);
    EXPECT_EQ(op.busyCursorDepth, 0);
}

TEST_F(BackupRunTest, AWaitTimeThatIsNotANumberEndsTheRunAndLeavesItIdle) {
    fixture.MakeFile("a.txt", "a");
    session.settings.MailAfterBackup = true;
    session.settings.CommandBefore = "before";
    session.settings.CommandBeforeWait = "soon";

    fixture.Backup({fixture.Source()});

    EXPECT_TRUE(op.boxTexts().contains("'soon' is not a valid integer value"));
    EXPECT_EQ(ImageSize(), 0);
    EXPECT_EQ(calls, QStringList({"clear mail", "before"}));
    EXPECT_FALSE(session.BackupRunning);
    EXPECT_EQ(op.busyModes.back(), false);
    EXPECT_EQ(op.listLocks.back(), false);
}

TEST_F(BackupRunTest, FollowUpStepsRunInTheirOrder) {
    fixture.MakeFile("a.txt", "a");
    EnableEveryFollowUp();
    session.settings.CommandBefore = "before";

    fixture.Backup({fixture.Source()});

    EXPECT_FALSE(session.CancelFlag);
    EXPECT_EQ(calls, QStringList({"clear mail", "before", "verify", "after", "mail", "exit"}));
    EXPECT_FALSE(busyAtVerify) << "the verify runs with the window idle";
    EXPECT_EQ(loadedAtAfter, "") << "ejected before the post-backup command";
    EXPECT_FALSE(runningAtAfter);
}

TEST_F(BackupRunTest, AFailedPostBackupCommandStillMailsButDoesNotExit) {
    fixture.MakeFile("a.txt", "a");
    EnableEveryFollowUp();
    session.settings.CommandAfter = "fail after";

    fixture.Backup({fixture.Source()});

    EXPECT_TRUE(session.CancelFlag);
    EXPECT_EQ(calls, QStringList({"clear mail", "verify", "fail after", "mail"}));
    EXPECT_EQ(
        op.protocolLines.mid(op.protocolLines.size() - 5),
        QStringList({"", ProtocolLog::Separator(), "", "Error in after Backup Parameter", ""}));
}

TEST_F(BackupRunTest, ACancelledRunSkipsVerifyEjectAndExitButMails) {
    const QString a = fixture.MakeFile("a.txt", "a");
    fixture.MakeFile("b.txt", "b");
    EnableEveryFollowUp();
    op.onStatus = [&](const QString& status) {
        if (status.contains(a + " <"))
            session.CancelFlag = true;
    };

    fixture.Backup({fixture.Source()});

    EXPECT_TRUE(session.CancelFlag);
    EXPECT_EQ(calls, QStringList({"clear mail", "after", "mail"}));
    EXPECT_EQ(fixture.library->loadedCartridge(), "t1") << "not ejected";
    EXPECT_TRUE(fixture.Parse().endMarkerFound);
}

TEST_F(BackupRunTest, AMissingMediumSkipsTheStepsThatNeedATape) {
    fixture.MakeFile("a.txt", "a");
    EnableEveryFollowUp();
    fixture.library->eject();

    fixture.Backup({fixture.Source()});

    EXPECT_TRUE(session.CancelFlag);
    EXPECT_EQ(calls, QStringList({"clear mail", "after", "mail"}));
    EXPECT_TRUE(op.protocolLines.contains("0 Files proceded."));
}

TEST_F(BackupRunTest, ACatalogFileThatCannotBeMadeStopsTheRunAfterTheDescription) {
    fixture.MakeFile("a.txt", "a");
    QDir(session.paths.WorkDirectory).removeRecursively();
    QFile blocker(session.paths.WorkDirectory.chopped(1));
    ASSERT_TRUE(blocker.open(QIODevice::WriteOnly)) << "a file where the work directory goes";
    blocker.close();

    fixture.Backup({fixture.Source()});

    EXPECT_TRUE(session.CancelFlag);
    EXPECT_EQ(ImageSize(), 32768) << "the tape description block only";
    ASSERT_FALSE(op.boxes.empty());
    EXPECT_TRUE(op.boxes.back().text.startsWith(
        "The catalog file " + session.paths.CatalogFilePath + " cannot be created"))
        << op.boxes.back().text.toStdString();
    EXPECT_TRUE(op.protocolLines.last().startsWith("Backup finished at: "));
}

TEST_F(BackupRunTest, AHarddiskLineHandsTheRunToTheDiskImage) {
    std::vector<int> disks;
    steps.BackupDiskImage = [&](int disk) { disks.push_back(disk); };
    fixture.Backup({"harddisk 12", fixture.MakeFile("ignored", "x")});

    EXPECT_EQ(disks, std::vector<int>({12}));
    EXPECT_EQ(ImageSize(), 0);
    EXPECT_TRUE(op.protocolLines.last().startsWith("Backup finished at: "));
    EXPECT_EQ(op.listLocks.back(), false);
}

TEST(BackupCancel, AsksAndRaisesTheFlagOnlyOnYes) {
    for (const MessageAnswer answer : {MessageAnswer::Yes, MessageAnswer::No}) {
        ScriptedOperator op;
        op.answers = {answer};
        bool cancelFlag = false;
        ConfirmCancel(op, cancelFlag);
        const bool yes = answer == MessageAnswer::Yes;
        EXPECT_EQ(cancelFlag, yes);
        ASSERT_EQ(op.boxes.size(), yes ? 2u : 1u);
        EXPECT_EQ(op.boxes[0].text, "Do you want to cancel this operation?");
        EXPECT_EQ(op.boxes[0].buttons, MessageButtons::YesNo);
        if (yes) {
            EXPECT_EQ(op.boxes[1].text, "canceld.");
            EXPECT_EQ(op.boxes[1].buttons, MessageButtons::Ok);
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
    EXPECT_EQ(op.views, std::vector<OperatorView>({OperatorView::BackupList}));
    EXPECT_EQ(op.listLocks, std::vector<bool>({false}));
    ClearExcludeList(settings);
    EXPECT_TRUE(settings.ExcludeList.isEmpty());
}

} // namespace
