#include "jobs/restore_list.h"
#include "window_fixture.h"

#include <QAbstractButton>
#include <QFile>

using namespace orvane;

namespace {

class ProtocolViewTest : public test::WindowFixture {
protected:
    QString logPath() const { return home.file("orvane_backup.log"); }

    QByteArray logBytes() const {
        QFile log(logPath());
        EXPECT_TRUE(log.open(QIODevice::ReadOnly));
        return log.readAll();
    }

    void writeLog(const QByteArray& bytes) const {
        QFile log(logPath());
        ASSERT_TRUE(log.open(QIODevice::WriteOnly | QIODevice::Truncate));
        log.write(bytes);
    }

    void click(const char* name) { control<QAbstractButton>(name)->click(); }
};

TEST_F(ProtocolViewTest, AProtocolLineReachesTheLogTheMemoAndTheMailText) {
    start();
    window->session().protocol.AddProtocolLine("Backup startet at: now");
    window->session().protocol.AddProtocolLine("");
    EXPECT_EQ(logBytes(), "Backup startet at: now\r\n\r\n");
    EXPECT_EQ(memoLines("Memo2"), (QStringList{"Backup startet at: now", ""}));
    EXPECT_EQ(memoLines("reMessageText"), (QStringList{"Backup startet at: now", ""}));
}

TEST_F(ProtocolViewTest, LoadProtocollShowsTheWholeLogFile) {
    start();
    writeLog("first run\r\n\r\nsecond run\r\n");
    click("BitBtn18");
    EXPECT_EQ(memoLines("Memo2"), (QStringList{"first run", "", "second run"}));
    EXPECT_TRUE(OperatorBoxes::shown().empty());
}

TEST_F(ProtocolViewTest, ClearProtocollLeavesAnExistingEmptyLogFile) {
    start();
    writeLog("old line\r\n");
    window->session().protocol.AddProtocolLine("shown line");
    click("BitBtn19");
    EXPECT_TRUE(memoLines("Memo2").isEmpty());
    EXPECT_TRUE(QFile::exists(logPath()));
    EXPECT_EQ(logBytes(), "");
    EXPECT_EQ(memoLines("reMessageText"), QStringList{"shown line"}) << "the mail text stays";
}

TEST_F(ProtocolViewTest, AMissingLogFileIsReportedAndNothingIsCleared) {
    start();
    window->session().protocol.AddProtocolLine("keep me");
    ASSERT_TRUE(QFile::remove(logPath()));

    click("BitBtn18");
    EXPECT_EQ(OperatorBoxes::shown().size(), 1u);
    EXPECT_EQ(memoLines("Memo2"), QStringList{"keep me"});

    click("BitBtn19");
    EXPECT_EQ(OperatorBoxes::shown().size(), 2u);
    EXPECT_EQ(memoLines("Memo2"), QStringList{"keep me"});
    EXPECT_FALSE(QFile::exists(logPath())) << "clearing does not make a log file up";
}

TEST_F(ProtocolViewTest, TheRestoreListShowsWhatTheSessionKeeps) {
    start();
    SetRestoreList(window->session(), {"/etc/", "/home/ann/"});
    AppendRestoreListLine(window->session(), "/srv/www/index.html");
    const QStringList expected = {"/etc/", "/home/ann/", "/srv/www/index.html"};
    EXPECT_EQ(memoLines("Memo3"), expected);
    EXPECT_EQ(window->session().settings.RestoreList, expected);

    SetRestoreList(window->session(), {});
    EXPECT_TRUE(memoLines("Memo3").isEmpty());
    EXPECT_TRUE(window->session().settings.RestoreList.isEmpty());
}

TEST_F(ProtocolViewTest, TheVerifyReportIsEmptiedAndFilledLineByLine) {
    start();
    control<QPlainTextEdit>("Memo4")->setPlainText("an earlier verify");
    window->op().clearVerifyReport();
    window->op().appendVerifyLine("Verify startet at: today");
    window->op().appendVerifyLine("");
    window->op().appendVerifyLine("Different: /etc/hosts");
    EXPECT_EQ(memoLines("Memo4"),
              (QStringList{"Verify startet at: today", "", "Different: /etc/hosts"}));
}

} // namespace
