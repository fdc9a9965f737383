#include "cli_app.h"
#include "support/temp_home.h"

#include <gtest/gtest.h>

using namespace orvane;

namespace {

struct CliResult {
    int Status;
    QString Out;
    QString Err;
};

class SetOptionTest : public ::testing::Test {
protected:
    CliResult Cli(const QStringList& args) {
        QString in, out, err;
        QTextStream inStream(&in), outStream(&out), errStream(&err);
        const int status = cli::RunCli(QStringList{"--home", m_home.Path()} + args, inStream,
                                       outStream, errStream);
        return {status, out, err};
    }

    test::TempHome m_home;
};

TEST_F(SetOptionTest, ValidSettingsLetTheCommandRun) {
    const CliResult run =
        Cli({"--set", "Options/Append=1", "--set", "backup_files/path0=/srv/data/", "--set",
             "Email Settings/Password=p=ss/word", "tape", "position"});
    EXPECT_EQ(run.Status, 0) << run.Err.toStdString();
    EXPECT_FALSE(run.Err.contains("orvane-cli:")) << run.Err.toStdString();
    EXPECT_TRUE(run.Out.contains("Tape at Block: 0")) << run.Out.toStdString();
}

TEST_F(SetOptionTest, MalformedOrUnknownSettingsAreUsageErrors) {
    const char* const refused[] = {
        "Options/Append",          "Append=1", "Options/Bogus=1", "Nowhere/Append=1",
        "Backup_files/Path01=/x/", "",
    };
    for (const char* assignment : refused) {
        const CliResult run = Cli({"--set", assignment, "vtape", "list"});
        EXPECT_EQ(run.Status, 2) << assignment;
        EXPECT_EQ(run.Err.count('\n'), 1) << run.Err.toStdString();
        EXPECT_TRUE(run.Err.startsWith("orvane-cli: --set")) << run.Err.toStdString();
        EXPECT_EQ(run.Out, "") << "the command does not run";
    }
    EXPECT_EQ(Cli({"vtape", "list", "--set"}).Status, 2);
}

TEST_F(SetOptionTest, AValueNotTakenAsGivenIsNotedAndTheCommandRuns) {
    const CliResult run = Cli({"--set", "Backup_Time/Hour=99", "vtape", "list"});
    EXPECT_EQ(run.Status, 0);
    EXPECT_EQ(run.Err, "orvane-cli: --set Backup_Time/Hour: 99 is out of range, 23 is used\n");
}

TEST_F(SetOptionTest, TheUsageNamesTheOption) {
    const CliResult run = Cli({"help"});
    EXPECT_EQ(run.Status, 0);
    EXPECT_TRUE(run.Out.contains("[--set \"SECTION/KEY=VALUE\"]..."));
}

} // namespace
