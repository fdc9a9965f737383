#include "cli_app.h"
#include "cli_run.h"
#include "support/temp_home.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTextStream>
#include <gtest/gtest.h>

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
        const CliRun backup = Cli({"--yes", "backup", source});
        EXPECT_EQ(backup.status, 0) << backup.out.toStdString();
    }

    CliRun Cli(const QStringList& args, const QString& input = QString()) {
        return RunCliAt(home.path(), args, input);
    }

    void Write(const QString& relative, const QByteArray& data) {
        const QString path = source + relative;
        QDir().mkpath(QFileInfo(path).path());
        QFile file(path);
        file.open(QIODevice::WriteOnly | QIODevice::Truncate);
        file.write(data);
    }

    static QByteArray Read(const QString& path) {
        QFile file(path);
        file.open(QIODevice::ReadOnly);
        return file.readAll();
    }

    test::TempHome home;
    const QString source = home.file("data/");
    const QString target = home.file("out/");
};

TEST_F(RestoreCliTest, CatalogListsEveryFileInTheTreesOrder) {
    const QString expected = source + QString::fromUtf8("Sub/\xc3\xa4.txt\n") + source +
                             "sub dir/b.txt\n" + source + "a.txt\n";
    const CliRun fast = Cli({"catalog"});
    EXPECT_EQ(fast.status, 0);
    EXPECT_EQ(fast.out, expected);
    const CliRun sequential = Cli({"catalog", "--sequential"});
    EXPECT_EQ(sequential.status, 0);
    EXPECT_EQ(sequential.out, expected);
}

TEST_F(RestoreCliTest, RestoreTakesSelectionsBelowTheTargetOrBackToTheirPlaces) {
    const CliRun run = Cli({"--set", "Restore Settings/Restore Options=2", "restore", "--target",
                            target, source + "sub dir/", source + "a.txt"});
    EXPECT_EQ(run.status, 0) << run.out.toStdString();
    EXPECT_EQ(Read(target + source.mid(1) + "a.txt"), "alpha");
    EXPECT_EQ(Read(target + source.mid(1) + "sub dir/b.txt"), "bravo");
    EXPECT_FALSE(QFileInfo::exists(target + source.mid(1) + "Sub"));
    EXPECT_TRUE(run.out.contains("2 Files proceded."));

    // --target "" puts them back where they were.
    QFile::remove(source + "a.txt");
    const CliRun back =
        Cli({"--set", "Restore Settings/Restore Options=1", "restore", "--target", "", source});
    EXPECT_EQ(back.status, 0);
    EXPECT_EQ(Read(source + "a.txt"), "alpha");
    EXPECT_TRUE(back.out.contains("1 Files proceded.")) << "the others exist";
}

TEST_F(RestoreCliTest, RestoreWithAskingAsksOnTheTerminal) {
    const QString elsewhere = home.file("elsewhere.txt");
    const CliRun asked =
        Cli({"--set", "Restore Settings/Restore Path=" + target, "restore", source + "a.txt"},
            elsewhere + "\n");
    EXPECT_EQ(asked.status, 0);
    EXPECT_TRUE(
        asked.out.contains("Restoredialog: Restore to: [" + target + source.mid(1) + "a.txt]"))
        << asked.out.toStdString();
    EXPECT_EQ(Read(elsewhere), "alpha");

    const CliRun accepted = Cli({"--yes", "restore", "--target", target, source + "a.txt"});
    EXPECT_EQ(accepted.status, 0);
    EXPECT_EQ(Read(target + source.mid(1) + "a.txt"), "alpha");
}

TEST_F(RestoreCliTest, VerifyPrintsTheReportAndFailsOnADefect) {
    const CliRun clean = Cli({"verify"});
    EXPECT_EQ(clean.status, 0) << clean.out.toStdString();
    EXPECT_TRUE(clean.out.contains(source + "a.txt   OK\n"));
    EXPECT_TRUE(clean.out.contains("\n3 Files checked\n3 Files OK\n0 Files Defect\n"));
    EXPECT_EQ(clean.out.count("Verify startet at: "), 1) << "the report, not the protocol too";
    EXPECT_FALSE(clean.out.contains("-----")) << "no protocol separator";

    Write("a.txt", "ALPHA");
    const CliRun defect = Cli({"verify"});
    EXPECT_EQ(defect.status, 1);
    EXPECT_TRUE(defect.out.contains("Error in File:  " + source + "a.txt\n"));
    EXPECT_TRUE(defect.out.contains("1 Files Defect"));
}

TEST_F(RestoreCliTest, ABlankTapeHasNoCatalog) {
    ASSERT_EQ(Cli({"vtape", "create", "blank"}).status, 0);
    ASSERT_EQ(Cli({"vtape", "insert", "blank"}).status, 0);
    const CliRun run = Cli({"--yes", "catalog"});
    EXPECT_EQ(run.status, 1);
    EXPECT_TRUE(run.out.contains("Catalog could not createt.")) << run.out.toStdString();
}

TEST_F(RestoreCliTest, WrongCommandLinesExitWith2) {
    const std::vector<QStringList> cases = {
        {"restore"},          {"restore", "--target"}, {"restore", "--bogus", "/x"},
        {"catalog", "extra"}, {"verify", "now"},
    };
    for (const QStringList& args : cases) {
        const CliRun run = Cli(args);
        EXPECT_EQ(run.status, 2) << args.join(' ').toStdString();
        EXPECT_EQ(run.err.count('\n'), 1) << run.err.toStdString();
    }
}

} // namespace
