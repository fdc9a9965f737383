#include "cli_run.h"
#include "config/job_file.h"
#include "support/temp_home.h"

#include <QFile>
#include <gtest/gtest.h>

using namespace orvane;

namespace {

using test::CliRun;
using test::RunCliAt;

class JobCommandTest : public ::testing::Test {
protected:
    CliRun Cli(const QStringList& args) { return RunCliAt(m_home.Path(), args); }
    QString JobFile() const { return m_home.File("jobs.job"); }

    test::TempHome m_home;
};

TEST_F(JobCommandTest, SetAddExcludeAndRemoveWriteTheFileThatShowReads) {
    const CliRun set = Cli({"job", "set", "Backup_Time/Minute=5", "options/verify after backup=1"});
    ASSERT_EQ(set.Status, 0) << set.Err.toStdString();
    ASSERT_EQ(Cli({"job", "add", "/srv/data/", "/opt"}).Status, 0);
    ASSERT_EQ(Cli({"job", "exclude", "/srv/data/tmp/"}).Status, 0);
    ASSERT_EQ(Cli({"job", "remove", "/etc/"}).Status, 0);

    const CliRun show = Cli({"--set", "Backup_Time/Hour=3", "job", "show"});
    ASSERT_EQ(show.Status, 0) << show.Err.toStdString();
    EXPECT_TRUE(show.Out.startsWith("[Backup_files]\r\nPath0=/home/\r\nPath1=/srv/data/\r\n"
                                    "Path2=/opt/\r\n[Excluded_files]\r\nPath0=/srv/data/tmp/\r\n"
                                    "[Backup_Time]\r\nHour=3\r\nMinute=5\r\n"))
        << show.Out.toStdString();
    EXPECT_TRUE(show.Out.contains("Verify after Backup=1\r\n"));
    // --set holds for that run only.
    EXPECT_TRUE(Cli({"job", "show"}).Out.contains("Hour=21\r\n"));
    EXPECT_EQ(QFile::permissions(JobFile()) & 0x0777, QFile::ReadUser | QFile::WriteUser);
}

TEST_F(JobCommandTest, AFileTheCliWritesLoadsWithTheSameValuesAndTheOtherWayRound) {
    ASSERT_EQ(Cli({"job", "set", "Email Settings/Password=p=ss", "Compressions/Faktor=4"}).Status,
              0);
    Settings loaded;
    ASSERT_TRUE(LoadJobFile(JobFile(), loaded).Error.isEmpty());
    EXPECT_EQ(loaded.MailPassword, "p=ss");
    EXPECT_EQ(loaded.CompressionLevel, 4);

    loaded.BackupList = {"/var/lib/", "/root/"};
    loaded.AutostartMinute = 59;
    ASSERT_TRUE(SaveJobFileLists(JobFile(), loaded).isEmpty());
    EXPECT_EQ(Cli({"job", "show"}).Out.toUtf8(), JobFileDocumentText(loaded));
}

TEST_F(JobCommandTest, MistakesChangeNothing) {
    ASSERT_EQ(Cli({"job", "show"}).Status, 0);
    QFile file(JobFile());
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    const QByteArray before = file.readAll();
    file.close();
    const struct {
        QStringList Args;
        int Status;
    } cases[] = {
        {{"job", "set", "Options/Bogus=1"}, 2},
        {{"job", "set", "Minute=5"}, 2},
        {{"job", "remove", "/nowhere/", "/home/"}, 1},
        {{"job", "add"}, 2},
        {{"job", "frobnicate"}, 2},
        {{"--job", m_home.File("missing.job"), "job", "show"}, 2},
        {{"--job", m_home.File("missing.job"), "vtape", "list"}, 2},
    };
    for (const auto& c : cases) {
        const CliRun run = Cli(c.Args);
        EXPECT_EQ(run.Status, c.Status) << c.Args.join(' ').toStdString();
        EXPECT_FALSE(run.Err.isEmpty());
    }
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    EXPECT_EQ(file.readAll(), before);
    EXPECT_FALSE(QFile::exists(m_home.File("missing.job")));
}

TEST_F(JobCommandTest, JobNamesAnotherFileForEveryCommand) {
    const QString other = m_home.File("other.job");
    ASSERT_EQ(Cli({"--job", other, "job", "set", "Backup_Time/Hour=2"}).Status, 0);
    EXPECT_TRUE(Cli({"--job", other, "job", "show"}).Out.contains("Hour=2\r\n"));
    EXPECT_TRUE(Cli({"job", "show"}).Out.contains("Hour=21\r\n"));
}

} // namespace
