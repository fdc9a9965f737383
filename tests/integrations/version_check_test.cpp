#include "config/settings.h"
#include "integrations/version_check.h"
#include "platform/product.h"
#include "support/file_bytes.h"
#include "support/loopback_server.h"

#include <QTemporaryDir>
#include <gtest/gtest.h>

using namespace orvane;
using namespace orvane::test;

namespace {

using Verdict = UpdateCheck::Verdict;

// The version file on a test server, and the settings that reach it directly or through the
// test's proxy.
class VersionCheckTest : public ::testing::Test {
protected:
    VersionCheckTest() { UsePath("/attachments/Orvane_Version.txt"); }
    ~VersionCheckTest() override { qunsetenv("ORVANE_UPDATE_URL"); }

    void UsePath(const QString& path) {
        qputenv("ORVANE_UPDATE_URL",
                QStringLiteral("http://127.0.0.1:%1%2").arg(m_server.Port()).arg(path).toUtf8());
    }
    Settings ThroughProxy() const {
        Settings settings;
        settings.ProxyServer = m_proxy.Address();
        settings.ProxyPort = QString::number(m_proxy.Port());
        return settings;
    }

    QTemporaryDir m_dir;
    QString m_file = m_dir.filePath("version.txt");
    LoopbackServer m_server{"http_test_server.py", {"serve", m_file}};
    LoopbackServer m_proxy{"http_test_server.py", {"proxy"}};
};

TEST_F(VersionCheckTest, TheFirstLineDecidesDirectlyAndThroughTheProxy) {
    ASSERT_EQ(ProductVersion(), "1.7");
    const struct {
        const char* Body;
        Verdict Outcome;
        const char* NewerText;
    } cases[] = {
        {"1.7\n", Verdict::Current, ""},
        {"1.7", Verdict::Current, ""},
        {"1.8\nnotes", Verdict::Newer, "1.8\nnotes\n"},
        {"1.8\r\nnotes\r\n", Verdict::Newer, "1.8\nnotes\n"},
        {"1.7 \n", Verdict::Newer, "1.7 \n"},
        {"1.6\n", Verdict::Newer, "1.6\n"},
        {"", Verdict::Nothing, ""},
    };
    for (const bool proxied : {false, true}) {
        for (const auto& c : cases) {
            SCOPED_TRACE(std::string(proxied ? "proxied " : "direct ") + c.Body);
            WriteBytes(m_file, c.Body);
            const UpdateCheck check = CheckForNewerVersion(proxied ? ThroughProxy() : Settings());
            EXPECT_EQ(check.Error, "");
            EXPECT_EQ(check.Outcome, c.Outcome);
            EXPECT_EQ(check.NewerText, c.NewerText);
            EXPECT_EQ(check.OwnVersion, "1.7");
        }
    }
    const QList<QJsonObject> proxied = m_proxy.Events();
    EXPECT_EQ(proxied.size(), std::size(cases));
    const QJsonObject first = m_server.Events().first()["request"].toObject();
    EXPECT_EQ(first["version"].toString(), "HTTP/1.0");
    EXPECT_EQ(first["user_agent"].toString(), "Orvane/1.7");
    EXPECT_EQ(first["accept"].toString(), "text/html, */*");
}

TEST_F(VersionCheckTest, RedirectsAreFollowedAlsoThroughTheProxy) {
    WriteBytes(m_file, "1.8\n");
    UsePath("/moved");
    EXPECT_EQ(CheckForNewerVersion(Settings()).Outcome, Verdict::Newer);
    EXPECT_EQ(CheckForNewerVersion(ThroughProxy()).Outcome, Verdict::Newer);
    EXPECT_EQ(m_proxy.Events().size(), 2);
}

TEST_F(VersionCheckTest, EveryFailureIsTheErrorWithItsReason) {
    WriteBytes(m_file, "1.8\n");
    const QString closed = QString::number(ClosedLoopbackPort());
    const QString good =
        QStringLiteral("http://127.0.0.1:%1/attachments/Orvane_Version.txt").arg(m_server.Port());
    Settings deadProxy;
    deadProxy.ProxyServer = "127.0.0.1";
    deadProxy.ProxyPort = closed;
    Settings badPort = ThroughProxy();
    badPort.ProxyPort = "8o";
    const struct {
        const char* Case;
        QString Url;
        Settings Using;
    } cases[] = {
        {"not found", QStringLiteral("http://127.0.0.1:%1/nothing").arg(m_server.Port()), {}},
        {"unreachable", "http://127.0.0.1:" + closed + "/attachments/Orvane_Version.txt", {}},
        {"unreachable proxy", good, deadProxy},
        {"proxy port not a number", good, badPort},
        {"not found through the proxy",
         QStringLiteral("http://127.0.0.1:%1/nothing").arg(m_server.Port()), ThroughProxy()},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.Case);
        qputenv("ORVANE_UPDATE_URL", c.Url.toUtf8());
        const UpdateCheck check = CheckForNewerVersion(c.Using);
        EXPECT_EQ(check.Outcome, Verdict::Failed);
        EXPECT_NE(check.Error, "");
    }
}

TEST(VersionFileUrl, ADefaultOnTheMakersSiteUnlessTheEnvironmentNamesOne) {
    qunsetenv("ORVANE_UPDATE_URL");
    EXPECT_TRUE(VersionFileUrl().endsWith("/attachments/Orvane_Version.txt"));
    qputenv("ORVANE_UPDATE_URL", "http://127.0.0.1:9/v/Orvane_Version.txt");
    EXPECT_EQ(VersionFileUrl(), "http://127.0.0.1:9/v/Orvane_Version.txt");
    EXPECT_EQ(DownloadArchiveUrl(), "http://127.0.0.1:9/attachments/Orvane_2000.zip");
    qunsetenv("ORVANE_UPDATE_URL");
}

} // namespace
