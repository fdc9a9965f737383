#include "cli_run.h"
#include "platform/virtual_tape_library.h"
#include "support/temp_home.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRandomGenerator>
#include <QTemporaryDir>
#include <gtest/gtest.h>
#include <sys/stat.h>

using namespace orvane;

namespace {

using test::CliRun;
using test::RunCliAt;

// The tape commands of orvane-cli on the virtual library: what the window shows, and exit 1
// whenever the drive reports an error.
class CliTapeCommandsTest : public ::testing::Test {
protected:
    CliRun Cli(const QStringList& args) {
        return RunCliAt(m_home.Path(), QStringList{"--yes"} + args);
    }
    QString MakeFile(const QString& name, const QByteArray& bytes) {
        const QString path = m_source.filePath(name);
        QDir().mkpath(QFileInfo(path).path());
        QFile file(path);
        EXPECT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(bytes);
        return path;
    }

    test::TempHome m_home;
    QTemporaryDir m_source;
};

TEST_F(CliTapeCommandsTest, FormatThenInfoShowsTheCartridgeItself) {
    ASSERT_EQ(Cli({"vtape", "create", "small", "--capacity", "32768000"}).Status, 0);
    ASSERT_EQ(Cli({"vtape", "insert", "small"}).Status, 0);
    const CliRun format = Cli({"tape", "format"});
    EXPECT_EQ(format.Status, 0) << format.Out.toStdString();
    EXPECT_TRUE(format.Err.contains("Tape Formated"));
    const CliRun description = Cli({"tape", "description"});
    EXPECT_TRUE(description.Out.contains("Empty Tape from: ")) << description.Out.toStdString();

    const CliRun info = Cli({"tape", "info"});
    EXPECT_EQ(info.Status, 0) << info.Out.toStdString();
    EXPECT_TRUE(info.Out.contains("Capacity: 32768000\n")) << info.Out.toStdString();
    EXPECT_TRUE(info.Out.contains(QStringLiteral("Remaining: %1\n").arg(32768000 - 32768)));
    EXPECT_TRUE(info.Out.contains("PartitionCount: 1\n"));
    EXPECT_TRUE(info.Out.contains("WriteProtected: Off\n"));
    EXPECT_EQ(info.Out.count('\n'), 16);

    ASSERT_EQ(Cli({"vtape", "create", "locked", "--capacity", "32768000", "--protected"}).Status,
              0);
    ASSERT_EQ(Cli({"vtape", "insert", "locked"}).Status, 0);
    EXPECT_TRUE(Cli({"tape", "info"}).Out.contains("WriteProtected: On\n"));
    const CliRun refused = Cli({"tape", "format"});
    EXPECT_EQ(refused.Status, 1);
    EXPECT_TRUE(refused.Out.contains(": The media is write protected."))
        << refused.Out.toStdString();
    EXPECT_TRUE(refused.Err.contains("Tape Error"));
}

TEST_F(CliTapeCommandsTest, FilemarksLeaveATapeThatReadsAsEmpty) {
    MakeFile("a.txt", "alpha");
    ASSERT_EQ(Cli({"backup", m_source.path()}).Status, 0);
    ASSERT_EQ(Cli({"catalog", "--sequential"}).Status, 0);
    const CliRun marks = Cli({"tape", "filemarks"});
    EXPECT_EQ(marks.Status, 0) << marks.Out.toStdString();
    EXPECT_TRUE(marks.Out.contains("OK\n"));
    const CliRun catalog = Cli({"catalog", "--sequential"});
    EXPECT_FALSE(catalog.Out.contains("a.txt")) << catalog.Out.toStdString();
}

TEST_F(CliTapeCommandsTest, EraseAtBlock5LeavesTheEndOfDataThere) {
    QByteArray noise(32768 * 12, 0);
    QRandomGenerator generator(12);
    for (char& byte : noise)
        byte = char(generator.bounded(256)); // packs to no less than itself
    MakeFile("big.bin", noise);
    ASSERT_EQ(Cli({"backup", m_source.path()}).Status, 0);
    ASSERT_EQ(Cli({"tape", "goto", "5"}).Status, 0);
    const CliRun erase = Cli({"tape", "erase"});
    EXPECT_EQ(erase.Status, 0) << erase.Out.toStdString();
    EXPECT_TRUE(erase.Err.contains("Erase Ok"));
    const CliRun eod = Cli({"tape", "eod"});
    EXPECT_EQ(eod.Status, 0) << eod.Out.toStdString();
    EXPECT_TRUE(eod.Err.contains("Tape at end of Data <Block: 5>")) << eod.Err.toStdString();
    EXPECT_EQ(QFileInfo(VirtualTapeLibrary::At(m_home.LibraryDir())->ImagePath("tape1")).size(),
              5 * 32768);
}

TEST_F(CliTapeCommandsTest, InitZeroRunsToTheEndOfTheMediumAndTakesNoDiskSpace) {
    ASSERT_EQ(Cli({"vtape", "create", "two", "--capacity", "2G"}).Status, 0);
    ASSERT_EQ(Cli({"vtape", "insert", "two"}).Status, 0);
    const CliRun run = Cli({"tape", "init-zero"});
    EXPECT_EQ(run.Status, 0) << run.Out.toStdString();
    EXPECT_TRUE(run.Out.contains(": The physical end of the tape has been reached."))
        << run.Out.toStdString();
    EXPECT_TRUE(run.Err.contains("Tape at Block Nr. 65536-> 2048 MB"))
        << run.Err.right(300).toStdString();
    const QString image = VirtualTapeLibrary::At(m_home.LibraryDir())->ImagePath("two");
    EXPECT_EQ(QFileInfo(image).size(), 2LL * 1024 * 1024 * 1024);
    struct stat st {};
    ASSERT_EQ(::stat(QFile::encodeName(image).constData(), &st), 0);
    EXPECT_LT(int64_t(st.st_blocks) * 512, 1024 * 1024) << "du shows (almost) nothing";
}

TEST_F(CliTapeCommandsTest, EjectThenLoadAndTheOtherCommandsSucceedOnALoadedTape) {
    EXPECT_EQ(Cli({"tape", "eject"}).Status, 0);
    const CliRun empty = Cli({"tape", "tension"});
    EXPECT_EQ(empty.Status, 1);
    const CliRun load = Cli({"tape", "load"});
    EXPECT_EQ(load.Status, 0) << load.Out.toStdString();
    EXPECT_TRUE(load.Out.contains("OK\n"));
    EXPECT_TRUE(load.Err.contains("Tape loaded"));
    for (const char* action : {"tension", "blocksize", "rewind", "position", "info"}) {
        const CliRun run = Cli({"tape", action});
        EXPECT_EQ(run.Status, 0) << action << ": " << run.Out.toStdString();
    }
    EXPECT_EQ(Cli({"tape", "load"}).Status, 0) << "a loaded tape stays loaded";
}

TEST_F(CliTapeCommandsTest, AnEmptyDriveFailsEveryCommandAndNamesTheDrive) {
    ASSERT_EQ(Cli({"tape", "rewind"}).Status, 0) << "creates the library";
    ASSERT_EQ(Cli({"vtape", "eject"}).Status, 0);
    const QString named = "vtape:" + QDir::cleanPath(m_home.LibraryDir()) + ": No media in drive.";
    for (const char* action :
         {"info", "load", "tension", "eod", "erase", "format", "filemarks", "blocksize",
          "init-zero", "rewind", "eject", "position", "description"}) {
        const CliRun run = Cli({"tape", action});
        EXPECT_EQ(run.Status, 1) << action << ": " << run.Out.toStdString();
    }
    const CliRun position = Cli({"tape", "position"});
    EXPECT_TRUE(position.Out.contains("Error: " + named)) << position.Out.toStdString();
}

TEST_F(CliTapeCommandsTest, AMissingDeviceIsNamed) {
    const QString device = m_home.File("no-such-nst0");
    for (const char* action : {"position", "info", "load", "erase", "format"}) {
        const CliRun run = Cli({"--tape", device, "tape", action});
        EXPECT_EQ(run.Status, 1) << action;
        EXPECT_TRUE((run.Out + run.Err).contains(device + ": "))
            << action << ": " << run.Out.toStdString();
    }
}

} // namespace
