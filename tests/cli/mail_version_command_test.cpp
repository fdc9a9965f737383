#include "cli_run.h"
#include "platform/protocol_log.h"
#include "support/file_bytes.h"
#include "support/loopback_server.h"
#include "support/temp_home.h"

#include <QJsonArray>
#include <QTemporaryDir>
#include <gtest/gtest.h>

using namespace orvane;
using namespace orvane::test;

namespace {

class MailCommandTest : public ::testing::Test {
protected:
    // The job file's e-mail settings, pointing at `server`, for every run.
    QStringList Mail(const LoopbackServer& server, int port = 0) {
        return {"--set", "Email Settings/From=backup@example.org",
                "--set", "Email Settings/To=admin@example.org,night@example.org",
                "--set", "Email Settings/Host=" + server.Address(),
                "--set", QStringLiteral("Email Settings/Port=%1").arg(port ? port : server.Port()),
                "--set", "Email Settings/UserId=operator",
                "--set", "Email Settings/Password=secret"};
    }

    TempHome m_home;
    QTemporaryDir m_source;
};

TEST_F(MailCommandTest, ABackupWithTheOptionMailsItsProtocolAndMailTestSendsItAgain) {
    LoopbackServer server("smtp_test_server.py", {"auth", "operator", "secret"});
    WriteBytes(m_source.filePath("a.txt"), "a");

    const CliRun backup =
        RunCliAt(m_home.Path(),
                 Mail(server) + QStringList{"--set", "Options/Send Protocoll Email after Backup=1",
                                            "backup", m_source.path()});
    ASSERT_EQ(backup.Status, 0) << backup.Out.toStdString() << backup.Err.toStdString();
    EXPECT_TRUE(backup.Out.contains("\nYour Email Message was sent !\n"));

    const CliRun test = RunCliAt(m_home.Path(), Mail(server) + QStringList{"mail", "test"});
    EXPECT_EQ(test.Status, 0) << test.Err.toStdString();

    QList<QJsonObject> messages;
    for (const QJsonObject& event : server.Events())
        if (event.contains("message"))
            messages << event["message"].toObject();
    ASSERT_EQ(messages.size(), 2);
    for (const QJsonObject& message : messages) {
        EXPECT_EQ(message["rcpt"].toArray(),
                  QJsonArray({"admin@example.org", "night@example.org"}));
        const QString data = message["data"].toString();
        EXPECT_TRUE(data.contains("\r\n\r\n\r\n" + ProtocolLog::Separator() +
                                  "\r\n\r\nBackup startet at: "))
            << data.toStdString();
    }
}

TEST_F(MailCommandTest, AServerThatIsNotThereFailsMailTest) {
    LoopbackServer server("smtp_test_server.py", {"noauth"});
    const CliRun run =
        RunCliAt(m_home.Path(), Mail(server, ClosedLoopbackPort()) + QStringList{"mail", "test"});
    EXPECT_EQ(run.Status, 1);
    EXPECT_TRUE(run.Out.contains("Error: Your Email Message was not sent !"));
    EXPECT_TRUE(run.Err.contains("The Email was not sent: ")) << run.Err.toStdString();
    EXPECT_EQ(RunCliAt(m_home.Path(), {"mail", "send"}).Status, 2);
}

TEST(VersionCommand, ShowsTheVersionAndChecksForANewerOne) {
    TempHome home;
    QTemporaryDir dir;
    const QString file = dir.filePath("version.txt");
    LoopbackServer server("http_test_server.py", {"serve", file});
    qputenv("ORVANE_UPDATE_URL",
            QStringLiteral("http://127.0.0.1:%1/attachments/Orvane_Version.txt")
                .arg(server.Port())
                .toUtf8());
    EXPECT_EQ(RunCliAt(home.Path(), {"version"}).Out, "Orvane 1.7\n");

    const struct {
        const char* Body;
        int Status;
        const char* Out;
    } cases[] = {
        {"1.7\n", 0, "Your Version of Orvane is the current Version!\n"},
        {"", 0, ""},
        {"1.8\nnotes\n", 0,
         "A newer Version of Orvane is available !\nYour Version is: 1.7\nThe newer Version "
         "is:\n1.8\nnotes\n"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.Body);
        WriteBytes(file, c.Body);
        const CliRun run = RunCliAt(home.Path(), {"version", "--check"});
        EXPECT_EQ(run.Status, c.Status);
        EXPECT_EQ(run.Out.left(qstrlen(c.Out)), c.Out) << run.Out.toStdString();
    }

    qputenv("ORVANE_UPDATE_URL",
            QStringLiteral("http://127.0.0.1:%1/x").arg(ClosedLoopbackPort()).toUtf8());
    const CliRun failed = RunCliAt(home.Path(), {"version", "--check"});
    qunsetenv("ORVANE_UPDATE_URL");
    EXPECT_EQ(failed.Status, 1);
    EXPECT_EQ(failed.Out, "ERROR ! Could not found the requested URL ! Please try again\n");
    EXPECT_FALSE(failed.Err.isEmpty());
}

} // namespace
