#include "cli_app.h"
#include "cli_run.h"
#include "support/file_bytes.h"
#include "support/temp_home.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTextStream>
#include <gtest/gtest.h>
#include <unistd.h>

using namespace orvane;

namespace {

using test::CliRun;
using test::RunCliAt;

// catalog, restore and verify on a set that the backup command wrote.
class RestoreCliTest : public ::testing::Test {
protected:
    RestoreCliTest() {
        Write("a.txt", "alpha");
        Write("sub dir/b.txt", "bravo");
        Write(QString::fromUtf8("Sub/\xc3\xa4.txt"), "umlaut");
        const CliRun backup = Cli({"--yes", "backup", m_source});
        EXPECT_EQ(backup.Status, 0) << backup.Out.toStdString();
    }

    CliRun Cli(const QStringList& args, const QString& input = QString()) {
        return RunCliAt(m_home.Path(), args, input);
    }

    void Write(const QString& relative, const QByteArray& data) {
        ASSERT_TRUE(test::WriteBytes(m_source + relative, data)) << relative.toStdString();
    }

    test::TempHome m_home;
    const QString m_source = m_home.File("data/");
    const QString m_target = m_home.File("out/");
};

TEST_F(RestoreCliTest, CatalogListsEveryFileInTheTreesOrder) {
    const QString expected = m_source + QString::fromUtf8("Sub/\xc3\xa4.txt\n") + m_source +
                             "sub dir/b.txt\n" + m_source + "a.txt\n";
    const CliRun fast = Cli({"catalog"});
    EXPECT_EQ(fast.Status, 0);
    EXPECT_EQ(fast.Out, expected);
    const CliRun sequential = Cli({"catalog", "--sequential"});
    EXPECT_EQ(sequential.Status, 0);
    EXPECT_EQ(sequential.Out, expected);
}

TEST_F(RestoreCliTest, RestoreTakesSelectionsBelowTheTargetOrBackToTheirPlaces) {
    const CliRun run = Cli({"--set", "Restore Settings/Restore Options=2", "restore", "--target",
                            m_target, m_source + "sub dir/", m_source + "a.txt"});
    EXPECT_EQ(run.Status, 0) << run.Out.toStdString();
    EXPECT_EQ(test::ReadBytes(m_target + m_source.mid(1) + "a.txt"), "alpha");
    EXPECT_EQ(test::ReadBytes(m_target + m_source.mid(1) + "sub dir/b.txt"), "bravo");
    EXPECT_FALSE(QFileInfo::exists(m_target + m_source.mid(1) + "Sub"));
    EXPECT_TRUE(run.Out.contains("2 Files proceded."));

    // --target "" puts them back where they were.
    QFile::remove(m_source + "a.txt");
    const CliRun back =
        Cli({"--set", "Restore Settings/Restore Options=1", "restore", "--target", "", m_source});
    EXPECT_EQ(back.Status, 0);
    EXPECT_EQ(test::ReadBytes(m_source + "a.txt"), "alpha");
    EXPECT_TRUE(back.Out.contains("1 Files proceded.")) << "the others exist";
}

TEST_F(RestoreCliTest, ADryRunListsWhereEachSelectedFileWouldGoAndWritesNothing) {
    const CliRun run = Cli({"restore", "--dry-run", "--target", m_target, m_source + "sub dir/",
                            m_source + "*.txt", m_source + "nothing/"});
    EXPECT_EQ(run.Status, 1) << "a selection matched nothing";
    const QString below = m_target + m_source.mid(1);
    EXPECT_TRUE(run.Out.contains(m_source + "sub dir/b.txt -> " + below + "sub dir/b.txt\n"))
        << run.Out.toStdString();
    EXPECT_TRUE(run.Out.contains(m_source + "a.txt -> " + below + "a.txt\n"));
    EXPECT_TRUE(run.Out.contains("Not found on tape: " + m_source + "nothing/\n"));
    EXPECT_TRUE(run.Out.contains("Would restore 3 files; nothing was written."));
    EXPECT_FALSE(QFileInfo::exists(m_target));

    EXPECT_EQ(Cli({"restore", "--dry-run", "--target", m_target, m_source}).Status, 0);
    EXPECT_FALSE(QFileInfo::exists(m_target));
}

// One directory that cannot be written fails its file with a line naming the path; the other
// files are restored and the exit status tells of the failure.
TEST_F(RestoreCliTest, AFileNotRestoredMakesTheRunFailWhileTheOthersAreRestored) {
    struct Case {
        const char* Name;
        bool ReadOnlyDirectory; // else a file stands where the directory should be
        QString Line;
        const char* NotRestored; // the file, and the directory itself where a file holds its place
    };
    const QString below = m_target + m_source.mid(1);
    const Case cases[] = {
        {"a file in the directory's place", false,
         "Not restored, the directory could not be made or opened: " + below +
             "sub dir (The system cannot find the path specified.)",
         "2 Files not restored."},
        {"a directory without write permission", true,
         "Not restored, the file could not be written: " + below +
             "sub dir/b.txt (Access is denied.)",
         "1 Files not restored."},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.Name);
        if (c.ReadOnlyDirectory && ::geteuid() == 0)
            continue; // permissions do not bind root
        QDir(m_target).removeRecursively();
        QDir().mkpath(below);
        if (c.ReadOnlyDirectory) {
            QDir().mkpath(below + "sub dir");
            QFile::setPermissions(below + "sub dir", QFile::ReadOwner | QFile::ExeOwner);
        } else {
            QFile blocker(below + "sub dir");
            ASSERT_TRUE(blocker.open(QIODevice::WriteOnly));
        }
        const CliRun run = Cli({"--set", "Restore Settings/Restore Options=2", "restore",
                                "--target", m_target, m_source});
        QFile::setPermissions(below + "sub dir",
                              QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
        EXPECT_EQ(run.Status, 1) << run.Out.toStdString();
        EXPECT_TRUE(run.Out.contains(c.Line + "\n")) << run.Out.toStdString();
        EXPECT_TRUE(run.Out.contains("2 Files proceded."));
        EXPECT_TRUE(run.Out.contains(c.NotRestored)) << run.Out.toStdString();
        EXPECT_EQ(test::ReadBytes(below + "a.txt"), "alpha");
        EXPECT_EQ(test::ReadBytes(below + QString::fromUtf8("Sub/\xc3\xa4.txt")), "umlaut");
    }
}

TEST_F(RestoreCliTest, RestoreWithAskingAsksOnTheTerminal) {
    const QString elsewhere = m_home.File("elsewhere.txt");
    const CliRun asked =
        Cli({"--set", "Restore Settings/Restore Path=" + m_target, "restore", m_source + "a.txt"},
            elsewhere + "\n");
    EXPECT_EQ(asked.Status, 0);
    EXPECT_TRUE(
        asked.Out.contains("Restoredialog: Restore to: [" + m_target + m_source.mid(1) + "a.txt]"))
        << asked.Out.toStdString();
    EXPECT_EQ(test::ReadBytes(elsewhere), "alpha");

    const CliRun accepted = Cli({"--yes", "restore", "--target", m_target, m_source + "a.txt"});
    EXPECT_EQ(accepted.Status, 0);
    EXPECT_EQ(test::ReadBytes(m_target + m_source.mid(1) + "a.txt"), "alpha");
}

TEST_F(RestoreCliTest, VerifyPrintsTheReportAndFailsOnADefect) {
    const CliRun clean = Cli({"verify"});
    EXPECT_EQ(clean.Status, 0) << clean.Out.toStdString();
    EXPECT_TRUE(clean.Out.contains(m_source + "a.txt   OK\n"));
    EXPECT_TRUE(clean.Out.contains("\n3 Files checked\n3 Files OK\n0 Files Defect\n"));
    EXPECT_EQ(clean.Out.count("Verify startet at: "), 1) << "the report, not the protocol too";
    EXPECT_FALSE(clean.Out.contains("-----")) << "no protocol separator";

    Write("a.txt", "ALPHA");
    const CliRun defect = Cli({"verify"});
    EXPECT_EQ(defect.Status, 1);
    EXPECT_TRUE(defect.Out.contains("Error in File:  " + m_source + "a.txt\n"));
    EXPECT_TRUE(defect.Out.contains("1 Files Defect"));
}

TEST_F(RestoreCliTest, ABlankTapeHasNoCatalog) {
    ASSERT_EQ(Cli({"vtape", "create", "blank"}).Status, 0);
    ASSERT_EQ(Cli({"vtape", "insert", "blank"}).Status, 0);
    const CliRun run = Cli({"--yes", "catalog"});
    EXPECT_EQ(run.Status, 1);
    EXPECT_TRUE(run.Out.contains("Catalog could not createt.")) << run.Out.toStdString();
}

TEST_F(RestoreCliTest, WrongCommandLinesExitWith2) {
    const std::vector<QStringList> cases = {
        {"restore"},
        {"restore", "--target"},
        {"restore", "--bogus", "/x"},
        {"catalog", "--extra"},
        {"verify", "now"},
    };
    for (const QStringList& args : cases) {
        const CliRun run = Cli(args);
        EXPECT_EQ(run.Status, 2) << args.join(' ').toStdString();
        EXPECT_EQ(run.Err.count('\n'), 1) << run.Err.toStdString();
    }
}

} // namespace
