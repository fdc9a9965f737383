#include "cli_run.h"
#include "support/temp_home.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QThread>
#include <csignal>
#include <gtest/gtest.h>

using namespace orvane;

namespace {

class ScheduleCommandTest : public ::testing::Test {
protected:
    // A source tree of `files` files of `size` bytes each, and a job file that backs it up.
    void MakeJob(int files, int size, const QString& extraOptions = QString()) {
        QDir().mkpath(m_home.File("src"));
        for (int i = 0; i < files; ++i) {
            QFile file(m_home.File(QStringLiteral("src/f%1").arg(i, 4, 10, QLatin1Char('0'))));
            ASSERT_TRUE(file.open(QIODevice::WriteOnly));
            file.write(QByteArray(size, char('a' + i % 26)));
        }
        QFile job(m_job);
        ASSERT_TRUE(job.open(QIODevice::WriteOnly));
        job.write(("[Options]\r\nBegin Backup at start=1\r\nShort Protocoll=0\r\n" + extraOptions +
                   "[Compressions]\r\nSoftcompression=0\r\n[Backup_files]\r\nPath0=" +
                   m_home.File("src/") + "\r\n")
                      .toUtf8());
    }

    void StartSchedule() {
        m_process.start(ORVANE_CLI, {"--home", m_home.Path(), "schedule", "--job", m_job});
        ASSERT_TRUE(m_process.waitForStarted());
    }

    // Waits (at most a minute) until the protocol log holds `text`.
    bool LogShows(const QString& text) {
        for (int i = 0; i < 1200; ++i) {
            QFile log(m_home.File("orvane_backup.log"));
            if (log.open(QIODevice::ReadOnly) && QString::fromUtf8(log.readAll()).contains(text))
                return true;
            QThread::msleep(50);
        }
        return false;
    }

    int StopSchedule() {
        ::kill(pid_t(m_process.processId()), SIGTERM);
        EXPECT_TRUE(m_process.waitForFinished(60000));
        EXPECT_EQ(m_process.exitStatus(), QProcess::NormalExit);
        return m_process.exitCode();
    }

    test::TempHome m_home;
    QString m_job = m_home.File("night.job");
    QProcess m_process;
};

TEST_F(ScheduleCommandTest, BeginsTheBackupAtStartAndStopsQuietlyWhenIdle) {
    MakeJob(3, 1000);
    StartSchedule();
    ASSERT_TRUE(LogShows("Backup finished at: "));
    EXPECT_EQ(StopSchedule(), 0) << m_process.readAllStandardError().toStdString();
    const test::CliRun catalog = test::RunCliAt(m_home.Path(), {"catalog"});
    EXPECT_EQ(catalog.Status, 0);
    EXPECT_TRUE(catalog.Out.contains(m_home.File("src/f0002"))) << catalog.Out.toStdString();
}

TEST_F(ScheduleCommandTest, SigtermDuringABackupSealsTheSetAndExitsWith1) {
    MakeJob(200, 1 << 20);
    StartSchedule();
    ASSERT_TRUE(LogShows(m_home.File("src/f0001")));
    EXPECT_EQ(StopSchedule(), 1);
    QFile log(m_home.File("orvane_backup.log"));
    ASSERT_TRUE(log.open(QIODevice::ReadOnly));
    EXPECT_FALSE(log.readAll().contains("src/f0199 <")) << "cancelled before the last file";

    const test::CliRun catalog = test::RunCliAt(m_home.Path(), {"catalog"});
    EXPECT_EQ(catalog.Status, 0) << catalog.Out.toStdString();
    EXPECT_TRUE(catalog.Out.contains(m_home.File("src/f0000")));
    EXPECT_FALSE(catalog.Out.contains(m_home.File("src/f0199")));
}

TEST_F(ScheduleCommandTest, AMissingPreBackupProgramFailsTheOneShotBackup) {
    MakeJob(1, 10, "Do before Backup=/nonexistent-orvane-dir/stop.sh\r\n");
    const test::CliRun run = test::RunCliAt(
        m_home.Path(), {"--set", "Options/Do before Backup=/nonexistent-orvane-dir/stop.sh",
                        "backup", m_home.File("src")});
    EXPECT_EQ(run.Status, 1);
    EXPECT_TRUE(run.Out.contains("/nonexistent-orvane-dir/stop.sh. Error The specified path was "
                                 "not found."))
        << run.Out.toStdString();
    EXPECT_TRUE(run.Out.contains("Error in before Backup Parameter"));
}

} // namespace
