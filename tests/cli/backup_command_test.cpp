#include "cli_app.h"
#include "cli_run.h"
#include "support/independent_tape_reader.h"
#include "support/temp_home.h"

#include <QDir>
#include <QFile>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <gtest/gtest.h>

using namespace orvane;

namespace {

using test::CliRun;
using test::RunCliAt;

class BackupCommandTest : public ::testing::Test {
protected:
    CliRun Cli(const QStringList& args) { return RunCliAt(m_home.Path(), args); }

    void MakeFile(const QString& relative, const QByteArray& bytes) {
        const QString path = m_source.path() + "/" + relative;
        QDir().mkpath(path.section('/', 0, -2));
        QFile file(path);
        file.open(QIODevice::WriteOnly);
        file.write(bytes);
    }

    QStringList TapePaths() {
        // The built-in library's first cartridge, 100 GiB: block limit 3276790.
        const auto set =
            test::IndependentTapeReader({m_home.LibraryDir() + "/tape1.vtape"}, 3276790).Parse();
        QStringList paths;
        for (const auto& record : set.Records)
            paths << QFile::decodeName(record.Path);
        return paths;
    }

    test::TempHome m_home;
    QTemporaryDir m_source;
};

TEST_F(BackupCommandTest, ADryRunListsWhatWouldBeWrittenAndLeavesTheTapeAsItIs) {
    MakeFile("data/a.txt", "a");
    MakeFile("data/big.bin", QByteArray(3000, 'b'));
    MakeFile("data/tmp/x", "x");
    const QString data = m_source.path() + "/data/";
    ASSERT_EQ(Cli({"--yes", "backup", data + "a.txt"}).Status, 0);
    const QStringList before = TapePaths();

    const CliRun run = Cli(
        {"backup", "--dry-run", "--exclude", data + "tmp/", data, m_source.path() + "/missing"});
    EXPECT_EQ(run.Status, 1) << "a path of the list is missing";
    EXPECT_EQ(run.Out, data + "a.txt <1 bytes>\n" + data +
                           "big.bin <2.9 KiB>\nNot found: " + m_source.path() +
                           "/missing\nWould write 2 files, 2.9 KiB, on 1 tape "
                           "of 100.0 GiB at most; nothing was written.\n")
        << run.Out.toStdString();
    EXPECT_EQ(TapePaths(), before) << "the set on tape stays";
    EXPECT_EQ(Cli({"backup", "--dry-run", data}).Status, 0);
}

TEST_F(BackupCommandTest, PathsReplaceTheListAndExcludesAreAdded) {
    MakeFile("data/a.txt", "a");
    MakeFile("data/tmp/x", "x");
    MakeFile("data/tmpfile", "t");
    MakeFile("single.txt", "s");
    const QString cwd = QDir::currentPath();
    QDir::setCurrent(m_source.path());
    const QString root = QDir::currentPath();
    const CliRun run = Cli({"--set", "Options/Short Protocoll=0", "backup", "--exclude", "data/tmp",
                            "data", "./single.txt"});
    QDir::setCurrent(cwd);

    EXPECT_EQ(run.Status, 0) << run.Out.toStdString();
    EXPECT_TRUE(run.Out.contains("Backup finished at: "));
    EXPECT_TRUE(run.Out.contains("Excluded: " + root + "/data/tmp/x <0 KBytes> "));
    EXPECT_TRUE(run.Out.contains("Excluded: " + root + "/data/tmpfile <0 KBytes> "));
    const QStringList paths = TapePaths();
    ASSERT_EQ(paths.size(), 3);
    EXPECT_EQ(paths[0], root + "/data/a.txt");
    EXPECT_EQ(paths[1], root + "/single.txt");
    EXPECT_TRUE(paths[2].endsWith("/worker/orvane catalog.dat"));

    const CliRun description = Cli({"tape", "description"});
    EXPECT_EQ(description.Status, 0);
    EXPECT_TRUE(description.Out.contains(QRegularExpression("^Orvane 2005  <Tape 1 from: .+>$",
                                                            QRegularExpression::MultilineOption)))
        << description.Out.toStdString();
}

TEST_F(BackupCommandTest, ANothingToDoRunExitsWith1) {
    // A job file without a backup list, should the program read one at its start.
    QFile job(m_home.File("jobs.job"));
    job.open(QIODevice::WriteOnly);
    job.write("[Backup_files]\r\n");
    job.close();
    const CliRun run = Cli({"backup"});
    EXPECT_EQ(run.Status, 1);
    EXPECT_TRUE(run.Out.contains("The backup list is empty: nothing was written to tape."));
}

TEST_F(BackupCommandTest, WithoutPathsTheJobsListIsWritten) {
    MakeFile("kept/a.txt", "a");
    MakeFile("kept/cache/b", "b");
    ASSERT_EQ(Cli({"job", "remove", "/home/", "/etc/"}).Status, 0);
    ASSERT_EQ(Cli({"job", "add", m_source.path() + "/kept"}).Status, 0);
    ASSERT_EQ(Cli({"job", "exclude", m_source.path() + "/kept/cache/"}).Status, 0);
    const CliRun run = Cli({"backup"});
    EXPECT_EQ(run.Status, 0) << run.Out.toStdString();
    const QStringList paths = TapePaths();
    ASSERT_EQ(paths.size(), 2);
    EXPECT_EQ(paths[0], m_source.path() + "/kept/a.txt");
}

TEST_F(BackupCommandTest, WrongArgumentsAreUsageErrors) {
    for (const QStringList& args :
         {QStringList{"backup", "--bogus", "/etc/"}, QStringList{"backup", "--exclude"},
          QStringList{"tape", "description", "extra"}}) {
        const CliRun run = Cli(args);
        EXPECT_EQ(run.Status, 2) << args.join(' ').toStdString();
        EXPECT_EQ(run.Err.count('\n'), 1);
    }
}

} // namespace
