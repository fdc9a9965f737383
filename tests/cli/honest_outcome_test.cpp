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

using test::CliRun;

// A set on tape that the next mistake must not cost, and the commands' outcomes around it.
class HonestOutcomeTest : public ::testing::Test {
protected:
    void SetUp() override {
        QDir().mkpath(m_home.File("src/sub"));
        for (const char* name : {"src/a.txt", "src/sub/b.txt"}) {
            QFile file(m_home.File(name));
            ASSERT_TRUE(file.open(QIODevice::WriteOnly));
            file.write(name);
        }
        ASSERT_EQ(Cli({"--yes", "backup", m_home.File("src")}).Status, 0);
    }

    CliRun Cli(const QStringList& args, const QString& input = QString()) {
        return test::RunCliAt(m_home.Path(), args, input);
    }

    QString Catalog() { return Cli({"catalog"}).Out; }

    test::TempHome m_home;
};

TEST_F(HonestOutcomeTest, MissingBackupPathsAreSaidAndNeverCostTheSetOnTape) {
    const CliRun none = Cli({"--yes", "backup", "/nonexistent/orvane/path", "/nonexistent/x/"});
    EXPECT_EQ(none.Status, 1);
    EXPECT_TRUE(none.Out.contains("Not found: /nonexistent/orvane/path\n"));
    EXPECT_TRUE(none.Out.contains("Not found: /nonexistent/x/\n"));
    EXPECT_TRUE(
        none.Out.contains("None of the paths of the backup list exists: nothing was written to "
                          "tape."));
    EXPECT_TRUE(Catalog().contains(m_home.File("src/sub/b.txt"))) << "the set on tape stays";

    const CliRun some = Cli({"--yes", "backup", "/nonexistent/orvane/path", m_home.File("src")});
    EXPECT_EQ(some.Status, 1) << "a partial backup is not a success";
    EXPECT_TRUE(some.Out.contains("Not found: /nonexistent/orvane/path\n"));
    EXPECT_TRUE(Catalog().contains(m_home.File("src/a.txt"))) << "the rest was written";
}

TEST_F(HonestOutcomeTest, ARestoreSelectionThatIsNotOnTapeFails) {
    const QString target = m_home.File("out");
    const CliRun run = Cli({"--set", "Restore Settings/Restore Options=2", "restore", "--target",
                            target, m_home.File("src/a.txt"), "/no/such/file", "/no/dir/"});
    EXPECT_EQ(run.Status, 1);
    EXPECT_TRUE(run.Out.contains("Not found on tape: /no/such/file\n")) << run.Out.toStdString();
    EXPECT_TRUE(run.Out.contains("Not found on tape: /no/dir/\n"));
    EXPECT_TRUE(run.Out.contains("2 Files not restored."));
    EXPECT_TRUE(QFile::exists(target + m_home.File("src/a.txt"))) << "what was found is restored";
}

// Each question a script without --yes would meet: one error that names the option, the run
// stopped, nothing restored under a default.
TEST_F(HonestOutcomeTest, AQuestionWithoutAnAnswerStopsTheRunAndNamesYes) {
    const QString target = m_home.File("out");
    for (const QString& input : {QString(), QStringLiteral("\n")}) {
        SCOPED_TRACE(input.isEmpty() ? "input at its end" : "input ends after one answer");
        const CliRun run = Cli({"--set", "Restore Settings/Restore Options=0", "restore",
                                "--target", target, m_home.File("src/")},
                               input);
        EXPECT_EQ(run.Status, 1);
        EXPECT_EQ(run.Out.count("give --yes to take the default answers"), 1)
            << run.Out.toStdString();
        EXPECT_LE(run.Out.count("Restore to"), 2) << "not asked again for every file";
    }
    EXPECT_FALSE(QFile::exists(target + m_home.File("src/sub/b.txt")));
}

// One answer for the files still to come: "a" restores them all, "q" none, "s" skips one.
TEST_F(HonestOutcomeTest, TheRestoreQuestionTakesAnswersForTheRest) {
    const QString target = m_home.File("out");
    const QString a = target + m_home.File("src/a.txt");
    const QString b = target + m_home.File("src/sub/b.txt");
    const struct {
        const char* Input;
        int Questions;
        int Restored;
    } cases[] = {{"a\n", 1, 2}, {"q\n", 1, 0}, {"s\n\n", 2, 1}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.Input);
        QDir(target).removeRecursively();
        const CliRun run = Cli({"--set", "Restore Settings/Restore Options=0", "restore",
                                "--target", target, m_home.File("src/")},
                               c.Input);
        EXPECT_EQ(run.Status, 0) << run.Out.toStdString();
        EXPECT_EQ(run.Out.count("Restoredialog: Restore to: ["), c.Questions);
        EXPECT_EQ(int(QFile::exists(a)) + int(QFile::exists(b)), c.Restored);
        EXPECT_FALSE(run.Out.contains("Not found on tape"));
    }
}

TEST_F(HonestOutcomeTest, MessagesPointToCommandsOfTheCommandLine) {
    // A tape whose set has no end marker: the fast catalog load fails.
    ASSERT_EQ(Cli({"vtape", "create", "blank"}).Status, 0);
    ASSERT_EQ(Cli({"vtape", "insert", "blank"}).Status, 0);
    const CliRun run = Cli({"catalog"});
    EXPECT_EQ(run.Status, 1);
    EXPECT_TRUE(run.Out.contains("'orvane-cli catalog --sequential'")) << run.Out.toStdString();
    EXPECT_FALSE(run.Out.contains("Menu"));
}

TEST_F(HonestOutcomeTest, CatalogTakesSelectionsAndPatternsAndEndsPathsWithNul) {
    const QString a = m_home.File("src/a.txt");
    const QString b = m_home.File("src/sub/b.txt");
    EXPECT_EQ(Cli({"catalog", "*.txt"}).Out, b + "\n" + a + "\n") << "in the order of the tree";
    EXPECT_EQ(Cli({"catalog", m_home.File("src/sub/")}).Out, b + "\n");
    EXPECT_EQ(Cli({"catalog", "--null", "*/a.txt"}).Out, a + QChar(0));
    EXPECT_EQ(Cli({"catalog", "/nothing/*"}).Status, 1);
}

TEST_F(HonestOutcomeTest, CatalogVerboseListsEachEntryAsTarDoes) {
    QDir().mkpath(m_home.File("src/empty"));
    ASSERT_TRUE(QFile::link("a.txt", m_home.File("src/link")));
    ASSERT_EQ(Cli({"--yes", "backup", m_home.File("src/")}).Status, 0);
    const CliRun run = Cli({"-q", "catalog", "-v"});
    EXPECT_EQ(run.Status, 0);
    const QStringList lines = run.Out.split('\n', Qt::SkipEmptyParts);
    ASSERT_EQ(lines.size(), 4) << run.Out.toStdString();
    const auto lineOf = [&lines](const QString& end) {
        for (const QString& line : lines)
            if (line.endsWith(end))
                return line;
        return QString();
    };
    EXPECT_TRUE(lineOf(m_home.File("src/link -> a.txt")).startsWith("lrwxrwxrwx "))
        << run.Out.toStdString();
    EXPECT_TRUE(lineOf(" tape - block - " + m_home.File("src/empty")).startsWith("drwx"));
    EXPECT_TRUE(lineOf(m_home.File("src/a.txt")).contains(" tape 1 block 1 "));
    EXPECT_TRUE(Cli({"-q", "catalog", "--sequential", "-v"}).Out.contains(" packed "));
    EXPECT_EQ(Cli({"catalog", "-v", "--null"}).Status, 2);
}

TEST_F(HonestOutcomeTest, OverwriteTakesTheRuleInWords) {
    const QString target = m_home.File("out");
    const QString restored = target + m_home.File("src/a.txt");
    ASSERT_EQ(
        Cli({"restore", "--overwrite=always", "--target", target, m_home.File("src/")}).Status, 0);
    QFile changed(restored);
    ASSERT_TRUE(changed.open(QIODevice::WriteOnly));
    changed.write("mine");
    changed.close();
    EXPECT_EQ(
        Cli({"restore", "--overwrite", "never", "--target", target, m_home.File("src/")}).Status,
        0);
    QFile kept(restored);
    ASSERT_TRUE(kept.open(QIODevice::ReadOnly));
    EXPECT_EQ(kept.readAll(), "mine");
    EXPECT_EQ(Cli({"restore", "--overwrite=sometimes", m_home.File("src/")}).Status, 2);
}

TEST_F(HonestOutcomeTest, VerboseListsEveryFileAndQuietOnlyWhatMustBeSaid) {
    const CliRun verbose = Cli({"-v", "--yes", "backup", m_home.File("src")});
    EXPECT_EQ(verbose.Status, 0);
    EXPECT_TRUE(verbose.Out.contains(m_home.File("src/sub/b.txt") + " <0 KBytes>"))
        << verbose.Out.toStdString();
    const CliRun quiet = Cli({"-q", "--yes", "backup", m_home.File("src")});
    EXPECT_EQ(quiet.Status, 0);
    EXPECT_EQ(quiet.Out, "");
    EXPECT_EQ(quiet.Err, "");
    const CliRun failing = Cli({"-q", "--yes", "backup", "/nonexistent/orvane/path"});
    EXPECT_EQ(failing.Status, 1) << "quiet, but not silent about failure in its status";
}

TEST(CommandLineConventions, HelpVersionAndTheTarDeviceOption) {
    test::TempHome home;
    const CliRun version = test::RunCliAt(home.Path(), {"--version"});
    EXPECT_EQ(version.Status, 0);
    EXPECT_TRUE(version.Out.startsWith("orvane-cli (Orvane) 1.")) << version.Out.toStdString();
    for (const char* help : {"--help", "-h"}) {
        const CliRun run = test::RunCliAt(home.Path(), {"restore", help});
        EXPECT_EQ(run.Status, 0);
        EXPECT_TRUE(
            run.Out.contains("restore [--dry-run] [--target DIR] [--overwrite=never|always|ask] "
                             "[--numeric-owner] SELECTION..."))
            << help;
    }
    const CliRun viaF =
        test::RunCliAt(home.Path(), {"-f", home.TapeChoice(), "vtape", "create", "via-f"});
    EXPECT_EQ(viaF.Status, 0) << viaF.Out.toStdString();
    EXPECT_TRUE(QFile::exists(home.LibraryDir() + "/via-f.vtape"));
    EXPECT_EQ(test::RunCliAt(home.Path(), {"-x", "catalog"}).Status, 2);
}

// SIGINT in a real process acts as Cancel: the backup closes its set and the status says
// "interrupted".
TEST(InterruptedCommand, SigintDuringABackupClosesTheSetAndExitsWith130) {
    test::TempHome home;
    QDir().mkpath(home.File("src"));
    for (int i = 0; i < 200; ++i) {
        QFile file(home.File(QStringLiteral("src/f%1").arg(i, 4, 10, QLatin1Char('0'))));
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(QByteArray(1 << 20, char('a' + i % 26)));
    }
    QProcess backup;
    backup.setProcessChannelMode(QProcess::MergedChannels);
    backup.start(ORVANE_CLI, {"--home", home.Path(), "--set", "Options/Short Protocoll=0", "--set",
                              "Compressions/Softcompression=0", "backup", home.File("src")});
    ASSERT_TRUE(backup.waitForStarted());
    QByteArray output;
    for (int i = 0; i < 1200 && !output.contains("src/f0001"); ++i) {
        backup.waitForReadyRead(50);
        output += backup.readAll();
    }
    ASSERT_TRUE(output.contains("src/f0001")) << output.toStdString();
    ::kill(pid_t(backup.processId()), SIGINT);
    ASSERT_TRUE(backup.waitForFinished(60000));
    output += backup.readAll();
    EXPECT_EQ(backup.exitStatus(), QProcess::NormalExit);
    EXPECT_EQ(backup.exitCode(), 130) << output.toStdString();
    EXPECT_TRUE(output.contains("Interrupted: the files written so far are on tape, closed with "
                                "their catalog and end marker."));

    const CliRun catalog = test::RunCliAt(home.Path(), {"catalog"});
    EXPECT_EQ(catalog.Status, 0) << catalog.Out.toStdString();
    EXPECT_TRUE(catalog.Out.contains(home.File("src/f0000")));
    EXPECT_FALSE(catalog.Out.contains(home.File("src/f0199")));
}

} // namespace
