#include "cli_run.h"
#include "support/file_bytes.h"
#include "support/temp_home.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRandomGenerator>
#include <gtest/gtest.h>

using namespace orvane;

namespace {

using test::CliRun;
using test::RunCliAt;

// The drive's own words for each staged fault, as the run must pass them on.
QString FaultText(const QString& fault) {
    if (fault == "read-error" || fault == "write-error")
        return "Data error (cyclic redundancy check).";
    if (fault == "short-read")
        return "the current block size is incorrect.";
    if (fault == "lose-medium")
        return "No media in drive.";
    if (fault == "protect")
        return "The media is write protected.";
    return "The physical end of the tape has been reached.";
}

// A set of three files (one of them spans four blocks) on a small cartridge of 40 blocks.
class FaultyDrive {
public:
    explicit FaultyDrive(bool compressed) : m_compression(compressed ? "1" : "0") {
        Write(m_source + "a.txt", "alpha");
        Write(m_source + "sub/b.txt", "bravo");
        Write(m_source + "big.bin", Noise(100000, 1));
        Cli({"vtape", "list"});
        EXPECT_EQ(Cli({"vtape", "create", "small", "--capacity", "1310720"}).Status, 0);
        EXPECT_EQ(Cli({"vtape", "insert", "small"}).Status, 0);
        const CliRun backup = Cli({"--yes", "backup", m_source});
        EXPECT_EQ(backup.Status, 0) << backup.Out.toStdString();
    }

    CliRun Cli(QStringList args) {
        return RunCliAt(m_home.Path(),
                        QStringList{"--set", "Compressions/Softcompression=" + m_compression} +
                            args);
    }

    void Stage(const QString& fault, int count) {
        ASSERT_EQ(Cli({"vtape", "fault", fault, QString::number(count)}).Status, 0);
    }

    // Nothing left to fire: the fault was met by the run.
    QString Pending() { return Cli({"vtape", "fault"}).Out; }

    static QByteArray Noise(int size, quint32 seed) {
        QByteArray bytes(size, Qt::Uninitialized);
        QRandomGenerator random(seed);
        for (char& byte : bytes)
            byte = char(random.generate());
        return bytes;
    }

    static void Write(const QString& path, const QByteArray& data) {
        ASSERT_TRUE(test::WriteBytes(path, data)) << path.toStdString();
    }

    test::TempHome m_home;
    const QString m_compression;
    const QString m_source = m_home.File("data/");
    const QString m_target = m_home.File("out/");
};

struct ReadFaultCase {
    QStringList Command; // "restore" is given its selection and target by the test
    QString Fault;
    bool Compressed;
};

std::string ReadCaseName(const testing::TestParamInfo<ReadFaultCase>& info) {
    QString name = info.param.Command.join("_") + "_" + info.param.Fault +
                   (info.param.Compressed ? "_compressed" : "_plain");
    return name.remove('-').toStdString();
}

class ReadFaultTest : public testing::TestWithParam<ReadFaultCase> {};

// The third block read lies in the middle of the set's data for every command.
TEST_P(ReadFaultTest, EndsWithTheDrivesErrorAndKeepsWhatWasGood) {
    const ReadFaultCase& param = GetParam();
    FaultyDrive drive(param.Compressed);
    QStringList args = param.Command;
    const QString oldCopy = drive.m_target + drive.m_source.mid(1) + "big.bin";
    if (args.first() == "restore") {
        FaultyDrive::Write(oldCopy, "the good old copy");
        args = QStringList{"--set",        "Restore Settings/Restore Options=2",
                           "restore",      "--target",
                           drive.m_target, drive.m_source};
    }
    drive.Stage(param.Fault, 3);

    const CliRun run = drive.Cli(args);
    EXPECT_EQ(drive.Pending(), "");
    EXPECT_EQ(run.Status, 1) << run.Out.toStdString();
    EXPECT_TRUE(run.Out.contains(FaultText(param.Fault))) << run.Out.toStdString();
    if (param.Command.first() == "restore") {
        EXPECT_EQ(test::ReadBytes(oldCopy), "the good old copy");
        QStringList beside = QDir(QFileInfo(oldCopy).path()).entryList(QDir::Files | QDir::Hidden);
        beside.removeAll("a.txt"); // restored whole before the fault, or not reached
        EXPECT_EQ(beside, QStringList{"big.bin"}) << "no partial file beside the old copy";
    }
}

std::vector<ReadFaultCase> ReadFaultCases() {
    std::vector<ReadFaultCase> cases;
    for (const QStringList& command :
         {QStringList{"restore"}, QStringList{"verify"}, QStringList{"catalog"},
          QStringList{"catalog", "--sequential"}})
        for (const QString fault : {"read-error", "short-read", "lose-medium"})
            for (const bool compressed : {false, true})
                cases.push_back({command, fault, compressed});
    return cases;
}

INSTANTIATE_TEST_SUITE_P(EveryCommand, ReadFaultTest, testing::ValuesIn(ReadFaultCases()),
                         ReadCaseName);

struct WriteFaultCase {
    QString Fault;
    int Count;
    const char* Stage; // where in the appending backup it fires
};

class WriteFaultTest : public testing::TestWithParam<std::tuple<WriteFaultCase, bool>> {};

// An appending backup that fails leaves the set it appends to readable.
TEST_P(WriteFaultTest, AppendEndsWithTheDrivesErrorAndTheOldSetStaysReadable) {
    const auto& [param, compressed] = GetParam();
    FaultyDrive drive(compressed);
    const QString added = drive.m_home.File("more/c.bin");
    FaultyDrive::Write(added, FaultyDrive::Noise(100000, 2));
    drive.Stage(param.Fault, param.Count);

    const CliRun run = drive.Cli({"--yes", "--set", "Options/Append=1", "backup", added});
    EXPECT_EQ(drive.Pending(), "") << param.Stage;
    EXPECT_EQ(run.Status, 1) << run.Out.toStdString();
    EXPECT_TRUE(run.Out.contains(FaultText(param.Fault))) << run.Out.toStdString();

    ASSERT_EQ(drive.Cli({"vtape", "insert", "small"}).Status, 0);
    const CliRun listing = drive.Cli({"catalog", "--sequential"});
    for (const char* file : {"a.txt", "sub/b.txt", "big.bin"})
        EXPECT_TRUE(listing.Out.contains(drive.m_source + QString(file) + "\n"))
            << listing.Out.toStdString();
}

INSTANTIATE_TEST_SUITE_P(
    AppendingBackup, WriteFaultTest,
    testing::Combine(testing::Values(WriteFaultCase{"read-error", 1, "the tape description"},
                                     WriteFaultCase{"write-error", 1, "the first block appended"},
                                     WriteFaultCase{"write-error", 3, "within the appended file"},
                                     WriteFaultCase{"protect", 2, "within the appended file"},
                                     WriteFaultCase{"early-eom", 36, "within the appended file"},
                                     WriteFaultCase{"lose-medium", 5, "within the appended file"}),
                     testing::Bool()),
    [](const auto& info) {
        const WriteFaultCase& param = std::get<0>(info.param);
        return (QString(param.Fault).remove('-') + QString::number(param.Count) +
                (std::get<1>(info.param) ? "_compressed" : "_plain"))
            .toStdString();
    });

} // namespace
