#include "archive/backup_writer_fixture.h"
#include "jobs/external_command_run.h"
#include "platform/protocol_log.h"

#include <QFileInfo>
#include <gtest/gtest.h>

using namespace orvane;
using namespace orvane::test;

namespace {

class ExternalCommandRunTest : public ::testing::Test {
protected:
    ExternalCommandRunTest() {
        m_fixture.Steps.RunExternalCommand = ExternalCommandStep(m_fixture.Op);
        m_fixture.MakeFile("a.txt", QByteArray(5000, 'a'));
    }
    qint64 ImageSize() { return QFileInfo(m_fixture.Library->ImagePath("t1")).size(); }

    BackupFixture m_fixture;
    Session& m_session = m_fixture.S();
};

TEST_F(ExternalCommandRunTest, AMissingPreBackupProgramStopsTheRunBeforeTheTape) {
    const QString command = m_fixture.Home.File("no-such-script.sh") + " --stop-db";
    m_session.Settings.CommandBefore = command;
    m_session.Settings.CommandBeforeWait = "30";

    m_fixture.Backup({m_fixture.Source()});

    EXPECT_EQ(m_fixture.Op.BoxTexts(),
              QStringList({command + ". Error The specified file was not found."}));
    EXPECT_EQ(m_fixture.Op.Boxes.front().Icon, MessageIcon::Warning);
    EXPECT_EQ(
        m_fixture.Op.ProtocolLines.mid(m_fixture.Op.ProtocolLines.size() - 5),
        QStringList({"", ProtocolLog::Separator(), "", "Error in before Backup Parameter", ""}));
    EXPECT_EQ(ImageSize(), 0);
    EXPECT_TRUE(m_session.CancelFlag) << "the run failed";
    EXPECT_FALSE(m_session.BackupRunning);
}

TEST_F(ExternalCommandRunTest, APreBackupProgramRunsBeforeTheFirstFileAfterItsWait) {
    const QString marker = m_fixture.Home.File("db stopped");
    m_session.Settings.CommandBefore = QStringLiteral("touch '%1'").arg(marker);
    m_session.Settings.CommandBeforeWait = "1";
    bool markerAtFirstFile = false;
    bool firstFile = true;
    m_fixture.Op.OnStatus = [&](const QString& status) {
        if (firstFile && status.startsWith("Processing")) {
            firstFile = false;
            markerAtFirstFile = QFile::exists(marker);
        }
    };

    m_fixture.Backup({m_fixture.Source()});

    EXPECT_FALSE(firstFile);
    EXPECT_TRUE(markerAtFirstFile);
    EXPECT_FALSE(m_session.CancelFlag);
    EXPECT_GT(ImageSize(), 0);
}

TEST_F(ExternalCommandRunTest, WaitTimesOutOfRangeEndTheRunNamingTheValue) {
    const struct {
        const char* Text;
        const char* Message;
    } cases[] = {
        {"-1", "The wait time '-1' is out of range: it must be 0 to 2147483 seconds."},
        {"2147484", "The wait time '2147484' is out of range: it must be 0 to 2147483 seconds."},
        {"1e3", "'1e3' is not a valid integer value"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(ParseWaitTime(c.Text).Error, c.Message);
        EXPECT_FALSE(ParseWaitTime(c.Text).Seconds);
    }
    EXPECT_EQ(ParseWaitTime(" 2147483 ").Seconds, 2147483);

    m_session.Settings.CommandBefore = "true";
    m_session.Settings.CommandBeforeWait = "-1";
    m_fixture.Backup({m_fixture.Source()});
    EXPECT_TRUE(m_fixture.Op.BoxTexts().contains(cases[0].Message));
    EXPECT_TRUE(m_fixture.Op.ProtocolLines.contains(cases[0].Message));
    EXPECT_EQ(ImageSize(), 0);
    EXPECT_FALSE(m_session.BackupRunning);
    EXPECT_EQ(m_fixture.Op.BusyModes.back(), false);
}

} // namespace
