#include "archive/backup_writer_fixture.h"
#include "jobs/backup_run.h"
#include "jobs/mail_report.h"
#include "platform/protocol_log.h"
#include "support/loopback_server.h"

#include <QJsonArray>
#include <QRegularExpression>
#include <gtest/gtest.h>

using namespace orvane;
using namespace orvane::test;

namespace {

const QString Sent = QStringLiteral("Your Email Message was sent !");
const QString NotSent = QStringLiteral("Error: Your Email Message was not sent !");

QStringList OutcomeBlock(const QString& outcome) {
    return {"", ProtocolLog::Separator(), "", outcome, ""};
}

QList<QJsonObject> Messages(LoopbackServer& server) {
    QList<QJsonObject> messages;
    for (const QJsonObject& event : server.Events())
        if (event.contains("message"))
            messages << event["message"].toObject();
    return messages;
}

QString MessageId(const QJsonObject& message) {
    const QRegularExpression id("^Message-ID: (.+)$", QRegularExpression::MultilineOption);
    return id.match(message["data"].toString().remove('\r')).captured(1);
}

// The body after the headers, LF lines.
QStringList Body(const QJsonObject& message) {
    const QString data = message["data"].toString().remove('\r');
    return data.mid(data.indexOf("\n\n") + 2).split('\n');
}

// A backup run with "Send Protocoll Email  after Backup" against a test server; the run's
// steps are the core's own, so the report is the run's lines in the protocol log.
class MailReportTest : public ::testing::Test {
protected:
    void UseServer(const LoopbackServer& server, const QString& password = "secret") {
        Settings& settings = m_session.Settings;
        settings.MailAfterBackup = true;
        settings.MailFrom = "backup@example.org";
        settings.MailTo = "admin@example.org, night@example.org";
        settings.MailSubject = "Orvane Backup Report";
        settings.MailHost = server.Address();
        settings.MailPort = server.Port();
        settings.MailUserId = "operator";
        settings.MailPassword = password;
    }

    void Backup() {
        m_fixture.MakeFile("a.txt", "a");
        m_fixture.Backup({m_fixture.Source()});
    }

    BackupFixture m_fixture;
    Session& m_session = m_fixture.S();
    BackupOperator& m_op = m_fixture.Op;
};

TEST_F(MailReportTest, ABackupMailsItsOwnProtocolToEveryRecipientWithAuthLogin) {
    // An older run in the log is not part of this run's report.
    m_session.Protocol.AddProtocolLine("an older line");
    LoopbackServer server("smtp_test_server.py", {"auth", "operator", "secret"});
    UseServer(server);
    m_fixture.Steps.ExitApplication = [this] { m_op.ProtocolLines << "exit"; };
    m_session.Settings.ExitAfterBackup = true;

    Backup();
    Backup();

    const QList<QJsonObject> events = server.Events();
    ASSERT_FALSE(events.isEmpty());
    EXPECT_EQ(events.first()["auth"].toArray(), QJsonArray({"operator", "secret", "LOGIN"}));
    const QList<QJsonObject> messages = Messages(server);
    ASSERT_EQ(messages.size(), 2);
    const QJsonObject& first = messages.first();
    EXPECT_EQ(first["from"].toString(), "backup@example.org");
    EXPECT_EQ(first["rcpt"].toArray(), QJsonArray({"admin@example.org", "night@example.org"}));
    EXPECT_TRUE(first["data"].toString().contains("\r\nSubject: Orvane Backup Report\r\n"));
    const QStringList body = Body(first);
    ASSERT_GE(body.size(), 4);
    EXPECT_EQ(body.mid(0, 3), QStringList({"", ProtocolLog::Separator(), ""}));
    EXPECT_TRUE(body[3].startsWith("Backup startet at: ")) << body[3].toStdString();
    EXPECT_FALSE(body.contains("an older line"));
    EXPECT_TRUE(body.filter("Backup finished at: ").size() == 1);

    EXPECT_FALSE(MessageId(first).isEmpty());
    EXPECT_NE(MessageId(first), MessageId(messages.last()))
        << "a repeated Message-ID makes mail systems drop the second report";
    const QStringList& lines = m_op.ProtocolLines;
    EXPECT_EQ(lines.mid(lines.size() - 6), OutcomeBlock(Sent) + QStringList{"exit"});
    EXPECT_FALSE(m_session.CancelFlag);
}

TEST_F(MailReportTest, AServerWithoutAuthGetsThePlainDialogue) {
    LoopbackServer server("smtp_test_server.py", {"noauth"});
    UseServer(server);

    Backup();

    const QList<QJsonObject> events = server.Events();
    ASSERT_EQ(events.size(), 1);
    EXPECT_TRUE(events.first().contains("message"));
    EXPECT_EQ(m_op.ProtocolLines.mid(m_op.ProtocolLines.size() - 5), OutcomeBlock(Sent));
}

TEST_F(MailReportTest, ARefusedPasswordOrADeadServerIsSaidAndTheRunGoesOn) {
    LoopbackServer refusing("smtp_test_server.py", {"refuse"});
    const struct {
        const char* Case;
        QString Host;
        int Port;
    } cases[] = {
        {"refused password", refusing.Address(), refusing.Port()},
        {"nobody listening", "127.0.0.1", ClosedLoopbackPort()},
        {"no host", "", 25},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.Case);
        UseServer(refusing, "wrong");
        m_session.Settings.MailHost = c.Host;
        m_session.Settings.MailPort = c.Port;
        m_session.Settings.ExitAfterBackup = true;
        bool exited = false;
        m_fixture.Steps.ExitApplication = [&exited] { exited = true; };

        Backup();

        EXPECT_EQ(m_op.ProtocolLines.mid(m_op.ProtocolLines.size() - 5), OutcomeBlock(NotSent));
        EXPECT_TRUE(m_op.LastStatus().startsWith("The Email was not sent: "));
        EXPECT_TRUE(exited) << "a report that was not sent is no error of the backup";
    }
    EXPECT_TRUE(Messages(refusing).isEmpty());
}

TEST_F(MailReportTest, AFailedPreBackupCommandSendsNoReport) {
    LoopbackServer server("smtp_test_server.py", {"noauth"});
    UseServer(server);
    m_session.Settings.CommandBefore = "fail";
    m_fixture.Steps.RunExternalCommand = [](const QString&) { return false; };

    Backup();

    EXPECT_TRUE(Messages(server).isEmpty());
    EXPECT_TRUE(m_op.ProtocolLines.filter("Email").isEmpty());
}

TEST(LastRunLines, BeginWithTheOpeningOfTheLastRun) {
    const QString separator = ProtocolLog::Separator();
    const QStringList log = {"", separator, "", "Backup startet at: 1", "old",
                             "", separator, "", "Verify startet at: 2", "new"};
    EXPECT_EQ(LastRunLines(log), log.mid(5));
    EXPECT_EQ(LastRunLines({"no run at all"}), QStringList({"no run at all"}));
}

} // namespace
