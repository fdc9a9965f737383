#include "jobs/restore_list.h"
#include "window_fixture.h"

#include <QAbstractButton>
#include <QFile>

using namespace orvane;

namespace {

class ProtocolViewTest : public test::WindowFixture {
protected:
    QString LogPath() const { return m_home.File("orvane_backup.log"); }

    QByteArray LogBytes() const {
        QFile log(LogPath());
        EXPECT_TRUE(log.open(QIODevice::ReadOnly));
        return log.readAll();
    }

    void WriteLog(const QByteArray& bytes) const {
        QFile log(LogPath());
        ASSERT_TRUE(log.open(QIODevice::WriteOnly | QIODevice::Truncate));
        log.write(bytes);
    }

    void Click(const char* name) { Control<QAbstractButton>(name)->click(); }
};

TEST_F(ProtocolViewTest, AProtocolLineReachesTheLogTheMemoAndTheMailText) {
    Start();
    m_window->Session().Protocol.AddProtocolLine("Backup startet at: now");
    m_window->Session().Protocol.AddProtocolLine("");
    EXPECT_EQ(LogBytes(), "Backup startet at: now\r\n\r\n");
    EXPECT_EQ(MemoLines("Memo2"), (QStringList{"Backup startet at: now", ""}));
    EXPECT_EQ(MemoLines("reMessageText"), (QStringList{"Backup startet at: now", ""}));
}

TEST_F(ProtocolViewTest, LoadProtocollShowsTheWholeLogFile) {
    Start();
    WriteLog("first run\r\n\r\nsecond run\r\n");
    Click("BitBtn18");
    EXPECT_EQ(MemoLines("Memo2"), (QStringList{"first run", "", "second run"}));
    EXPECT_TRUE(OperatorBoxes::Shown().empty());
}

TEST_F(ProtocolViewTest, ClearProtocollLeavesAnExistingEmptyLogFile) {
    Start();
    WriteLog("old line\r\n");
    m_window->Session().Protocol.AddProtocolLine("shown line");
    Click("BitBtn19");
    EXPECT_TRUE(MemoLines("Memo2").isEmpty());
    EXPECT_TRUE(QFile::exists(LogPath()));
    EXPECT_EQ(LogBytes(), "");
    EXPECT_EQ(MemoLines("reMessageText"), QStringList{"shown line"}) << "the mail text stays";
}

TEST_F(ProtocolViewTest, AMissingLogFileIsReportedAndNothingIsCleared) {
    Start();
    m_window->Session().Protocol.AddProtocolLine("keep me");
    ASSERT_TRUE(QFile::remove(LogPath()));

    Click("BitBtn18");
    EXPECT_EQ(OperatorBoxes::Shown().size(), 1u);
    EXPECT_EQ(MemoLines("Memo2"), QStringList{"keep me"});

    Click("BitBtn19");
    EXPECT_EQ(OperatorBoxes::Shown().size(), 2u);
    EXPECT_EQ(MemoLines("Memo2"), QStringList{"keep me"});
    EXPECT_FALSE(QFile::exists(LogPath())) << "clearing does not make a log file up";
}

TEST_F(ProtocolViewTest, TheRestoreListShowsWhatTheSessionKeeps) {
    Start();
    SetRestoreList(m_window->Session(), {"/etc/", "/home/ann/"});
    AppendRestoreListLine(m_window->Session(), "/srv/www/index.html");
    const QStringList expected = {"/etc/", "/home/ann/", "/srv/www/index.html"};
    EXPECT_EQ(MemoLines("Memo3"), expected);
    EXPECT_EQ(m_window->Session().Settings.RestoreList, expected);

    SetRestoreList(m_window->Session(), {});
    EXPECT_TRUE(MemoLines("Memo3").isEmpty());
    EXPECT_TRUE(m_window->Session().Settings.RestoreList.isEmpty());
}

TEST_F(ProtocolViewTest, TheVerifyReportIsEmptiedAndFilledLineByLine) {
    Start();
    Control<QPlainTextEdit>("Memo4")->setPlainText("an earlier verify");
    m_window->Op().ClearVerifyReport();
    m_window->Op().AppendVerifyLine("Verify startet at: today");
    m_window->Op().AppendVerifyLine("");
    m_window->Op().AppendVerifyLine("Different: /etc/hosts");
    EXPECT_EQ(MemoLines("Memo4"),
              (QStringList{"Verify startet at: today", "", "Different: /etc/hosts"}));
}

} // namespace
