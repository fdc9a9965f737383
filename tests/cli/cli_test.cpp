#include "cli_app.h"
#include "cli_run.h"
#include "platform/virtual_tape_library.h"
#include "support/temp_home.h"
#include "terminal_operator.h"

#include <QProcess>
#include <gtest/gtest.h>

using namespace orvane;

namespace {

using test::CliRun;
using test::RunCliAt;

class CliTest : public ::testing::Test {
protected:
    CliRun Cli(const QStringList& args, const QString& input = QString()) {
        return RunCliAt(home.path(), args, input);
    }

    test::TempHome home;
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
        EXPECT_EQ(run.status, 2) << args.join(' ').toStdString();
        EXPECT_EQ(run.err.count('\n'), 1) << run.err.toStdString();
        EXPECT_TRUE(run.err.startsWith("orvane-cli: ")) << run.err.toStdString();
    }
}

TEST_F(CliTest, VtapeCommandsManageTheLibrary) {
    EXPECT_EQ(
        Cli({"vtape", "create", "small", "--capacity", "32768000", "--partitions", "2"}).status, 0);
    EXPECT_EQ(Cli({"vtape", "create", "big", "--capacity", "2G", "--protected"}).status, 0);
    EXPECT_EQ(Cli({"vtape", "insert", "small"}).status, 0);
    CliRun list = Cli({"vtape", "list"});
    EXPECT_EQ(list.status, 0);
    const QStringList lines = list.out.trimmed().split('\n');
    ASSERT_EQ(lines.size(), 2);
    EXPECT_TRUE(lines[0].startsWith("big")) << "listed in name order";
    EXPECT_TRUE(lines[0].contains("2.0 GiB"));
    EXPECT_TRUE(lines[0].contains("write-protected"));
    EXPECT_TRUE(lines[1].startsWith("small"));
    EXPECT_TRUE(lines[1].contains("partitions 2"));
    EXPECT_TRUE(lines[1].endsWith("(loaded)"));

    const CliRun missing = Cli({"vtape", "insert", "nosuch"});
    EXPECT_EQ(missing.status, 1);
    EXPECT_TRUE(missing.out.contains("No cartridge nosuch"));
    EXPECT_EQ(Cli({"vtape", "create", "small"}).status, 1) << "exists already";
    EXPECT_EQ(Cli({"vtape", "create", "tiny", "--capacity", "320K"}).status, 1)
        << "too small to hold a set";
}

TEST_F(CliTest, AnEmptyDriveIsReportedOnceAndExitsWith1) {
    EXPECT_EQ(Cli({"tape", "rewind"}).status, 0) << "a new library has a loaded cartridge";
    EXPECT_EQ(Cli({"vtape", "eject"}).status, 0);
    const CliRun run = Cli({"tape", "position"});
    EXPECT_EQ(run.status, 1);
    EXPECT_EQ(run.out.count("Error: No media in drive."), 1) << run.out.toStdString();
    EXPECT_TRUE(run.out.contains(QString(89, '-')));
}

TEST_F(CliTest, EjectUnloadsAndShowsTheResult) {
    const CliRun run = Cli({"tape", "eject"});
    EXPECT_EQ(run.status, 0);
    EXPECT_TRUE(run.out.contains("OK\n"));
    EXPECT_TRUE(run.out.contains(" ejected !"));
    EXPECT_TRUE(run.err.contains("Ejecting Tape"));
    EXPECT_EQ(VirtualTapeLibrary::at(home.libraryDir())->loadedCartridge(), "");
}

// Separate program runs: the drive keeps its position between them.
TEST_F(CliTest, GotoThenPositionInSeparateRuns) {
    auto run = [&](const QStringList& args) {
        QProcess process;
        process.start(ORVANE_CLI, QStringList{"--home", home.path()} + args);
        EXPECT_TRUE(process.waitForFinished(30000));
        EXPECT_EQ(process.exitCode(), 0) << process.readAllStandardError().toStdString();
        return QString::fromUtf8(process.readAllStandardOutput());
    };
    run({"tape", "goto", "7"});
    EXPECT_EQ(run({"tape", "position"}), "Tape at Block: 7\n");
}

TEST_F(CliTest, PromptsAreAskedOnTheTerminalUnlessYesIsGiven) {
    test::TempHome other;
    QString in = "c\n", out, err;
    QTextStream inStream(&in), outStream(&out), errStream(&err);
    cli::TerminalOperator op(inStream, outStream, errStream, false);
    EXPECT_EQ(op.messageBox("Insert tape 2", "", MessageIcon::None, MessageButtons::OkCancel),
              MessageAnswer::Cancel);
    EXPECT_EQ(op.messageBox("Overwrite?", "", MessageIcon::None, MessageButtons::YesNo),
              MessageAnswer::No)
        << "a closed input never agrees";

    cli::TerminalOperator yes(inStream, outStream, errStream, true);
    EXPECT_EQ(yes.messageBox("Overwrite?", "", MessageIcon::None, MessageButtons::YesNo),
              MessageAnswer::Yes);
    EXPECT_EQ(yes.inputBox("Restore to", "Path", "/tmp/"), "/tmp/");
}

} // namespace
