#include "cli_app.h"
#include "cli_run.h"
#include "platform/virtual_tape_library.h"
#include "platform/work_directory_lock.h"
#include "support/temp_home.h"
#include "terminal_operator.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <gtest/gtest.h>

using namespace orvane;

namespace {

using test::CliRun;
using test::RunCliAt;

class CliTest : public ::testing::Test {
protected:
    CliRun Cli(const QStringList& args, const QString& input = QString()) {
        return RunCliAt(m_home.Path(), args, input);
    }

    test::TempHome m_home;
};

TEST_F(CliTest, UsageErrorsExitWith2AndOneLine) {
    const std::vector<QStringList> cases = {
        {},
        {"bogus"},
        {"--frobnicate", "tape", "rewind"},
        {"tape"},
        {"tape", "goto"},
        {"tape", "goto", "seven"},
        {"vtape", "create"},
        {"vtape", "create", "x", "--capacity", "lots"},
        {"vtape", "create", "x", "--partitions", "0"},
        {"--tape"},
    };
    for (const QStringList& args : cases) {
        const CliRun run = Cli(args);
        EXPECT_EQ(run.Status, 2) << args.join(' ').toStdString();
        EXPECT_EQ(run.Err.count('\n'), 1) << run.Err.toStdString();
        EXPECT_TRUE(run.Err.startsWith("orvane-cli: ")) << run.Err.toStdString();
    }
}

TEST_F(CliTest, VtapeCommandsManageTheLibrary) {
    EXPECT_EQ(
        Cli({"vtape", "create", "small", "--capacity", "32768000", "--partitions", "2"}).Status, 0);
    EXPECT_EQ(Cli({"vtape", "create", "big", "--capacity", "2G", "--protected"}).Status, 0);
    EXPECT_EQ(Cli({"vtape", "insert", "small"}).Status, 0);
    CliRun list = Cli({"vtape", "list"});
    EXPECT_EQ(list.Status, 0);
    const QStringList lines = list.Out.trimmed().split('\n');
    ASSERT_EQ(lines.size(), 2);
    EXPECT_TRUE(lines[0].startsWith("big")) << "listed in name order";
    EXPECT_TRUE(lines[0].contains("2.0 GiB"));
    EXPECT_TRUE(lines[0].contains("write-protected"));
    EXPECT_TRUE(lines[1].startsWith("small"));
    EXPECT_TRUE(lines[1].contains("partitions 2"));
    EXPECT_TRUE(lines[1].endsWith("(loaded)"));

    const CliRun missing = Cli({"vtape", "insert", "nosuch"});
    EXPECT_EQ(missing.Status, 1);
    EXPECT_TRUE(missing.Out.contains("No cartridge nosuch"));
    EXPECT_EQ(Cli({"vtape", "create", "small"}).Status, 1) << "exists already";
    EXPECT_EQ(Cli({"vtape", "create", "tiny", "--capacity", "320K"}).Status, 1)
        << "too small to hold a set";
}

TEST_F(CliTest, AnEmptyDriveIsReportedOnceAndExitsWith1) {
    EXPECT_EQ(Cli({"tape", "rewind"}).Status, 0) << "a new library has a loaded cartridge";
    EXPECT_EQ(Cli({"vtape", "eject"}).Status, 0);
    const CliRun run = Cli({"tape", "position"});
    EXPECT_EQ(run.Status, 1);
    EXPECT_EQ(run.Out.count("Error: vtape:" + QDir::cleanPath(m_home.LibraryDir()) +
                            ": No media in drive."),
              1)
        << run.Out.toStdString();
    EXPECT_TRUE(run.Out.contains(QString(89, '-')));
}

TEST_F(CliTest, EjectUnloadsAndShowsTheResult) {
    const CliRun run = Cli({"tape", "eject"});
    EXPECT_EQ(run.Status, 0);
    EXPECT_TRUE(run.Out.contains("OK\n"));
    EXPECT_TRUE(run.Out.contains(" ejected !"));
    EXPECT_TRUE(run.Err.contains("Ejecting Tape"));
    EXPECT_EQ(VirtualTapeLibrary::At(m_home.LibraryDir())->LoadedCartridge(), "");
}

// Separate program runs: the drive keeps its position between them.
TEST_F(CliTest, GotoThenPositionInSeparateRuns) {
    auto run = [&](const QStringList& args) {
        QProcess process;
        process.start(ORVANE_CLI, QStringList{"--home", m_home.Path()} + args);
        EXPECT_TRUE(process.waitForFinished(30000));
        EXPECT_EQ(process.exitCode(), 0) << process.readAllStandardError().toStdString();
        return QString::fromUtf8(process.readAllStandardOutput());
    };
    run({"tape", "goto", "7"});
    EXPECT_EQ(run({"tape", "position"}), "Tape at Block: 7\n");
}

// A second program on the same directory while a job holds its work files, as a
// "tape position" typed during a backup.
TEST_F(CliTest, ASecondProgramLeavesARunningJobsWorkFilesAlone) {
    auto run = [&](const QStringList& args) {
        QProcess process;
        process.start(ORVANE_CLI, QStringList{"--home", m_home.Path(), "--yes"} + args);
        EXPECT_TRUE(process.waitForFinished(30000));
        return CliRun{process.exitCode(), QString::fromUtf8(process.readAllStandardOutput()),
                      QString::fromUtf8(process.readAllStandardError())};
    };
    const QString work = m_home.File("worker/");
    const QStringList files = {work + "orvane catalog.dat", work + "orvane_backup.zip"};
    QDir().mkpath(work);
    auto present = [&] {
        int count = 0;
        for (const QString& path : files)
            count += QFile::exists(path) ? 1 : 0;
        return count;
    };
    {
        WorkDirectoryLock job(m_home.File("orvane work.lock"));
        QString error;
        ASSERT_TRUE(job.TryAcquire(error)) << error.toStdString();
        for (const QString& path : files) {
            QFile file(path);
            ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        }
        EXPECT_EQ(run({"tape", "position"}).Status, 0);
        EXPECT_EQ(present(), 2);
        const CliRun restore = run({"restore", "--target", m_home.File("out"), "/some/file"});
        EXPECT_EQ(restore.Status, 1);
        EXPECT_TRUE(restore.Out.contains("Another Orvane job is running"))
            << restore.Out.toStdString();
        EXPECT_EQ(present(), 2);
    }
    EXPECT_EQ(run({"tape", "position"}).Status, 0);
    EXPECT_EQ(present(), 0) << "once the job has ended, its leftovers are abandoned";
}

TEST_F(CliTest, PromptsAreAskedOnTheTerminalUnlessYesIsGiven) {
    test::TempHome other;
    QString in = "c\n", out, err;
    QTextStream inStream(&in), outStream(&out), errStream(&err);
    cli::TerminalOperator op(inStream, outStream, errStream, false);
    EXPECT_EQ(op.MessageBox("Insert tape 2", "", MessageIcon::None, MessageButtons::OkCancel),
              MessageAnswer::Cancel);
    EXPECT_EQ(op.MessageBox("Overwrite?", "", MessageIcon::None, MessageButtons::YesNo),
              MessageAnswer::No)
        << "a closed input never agrees";

    cli::TerminalOperator yes(inStream, outStream, errStream, true);
    EXPECT_EQ(yes.MessageBox("Overwrite?", "", MessageIcon::None, MessageButtons::YesNo),
              MessageAnswer::Yes);
    EXPECT_EQ(yes.InputBox("Restore to", "Path", "/tmp/"), "/tmp/");
}

} // namespace
