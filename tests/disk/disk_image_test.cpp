#include "archive/backup_writer_fixture.h"
#include "disk/disk_geometry.h"
#include "disk_images.h"
#include "jobs/disk_restore_run.h"
#include "tape/tape_description_io.h"

#include <QTemporaryDir>
#include <gtest/gtest.h>

using namespace orvane;
using namespace orvane::test;

namespace {

constexpr int64_t SampleSectors = 120 * 2048; // 120 MiB: two full chunks and a shorter third

// $ORVANE_DISKS for one test: disk0.img, disk1.img ... in a directory of their own.
class DiskDirectory {
public:
    DiskDirectory() { qputenv("ORVANE_DISKS", m_dir.path().toLocal8Bit()); }
    ~DiskDirectory() { qunsetenv("ORVANE_DISKS"); }
    QString Disk(int n) const { return m_dir.filePath(QStringLiteral("disk%1.img").arg(n)); }
    void MakeEmpty(int n, int64_t bytes) const {
        QFile file(Disk(n));
        file.open(QIODevice::WriteOnly | QIODevice::Truncate);
        file.resize(bytes);
    }

private:
    QTemporaryDir m_dir;
};

struct ImageCase {
    const char* Name;
    bool Compress;
    int64_t BlocksPerCartridge;
    int Cartridges;
};

class DiskImageRoundTrip : public ::testing::TestWithParam<ImageCase> {};

TEST_P(DiskImageRoundTrip, RestoresTheDiskByteForByte) {
    const ImageCase c = GetParam();
    DiskDirectory disks;
    WriteSampleDisk(disks.Disk(0), SampleSectors);
    disks.MakeEmpty(1, SampleSectors * 512);
    BackupFixture fixture(c.BlocksPerCartridge);
    Session& session = fixture.S();
    session.Settings.SoftCompression = c.Compress;
    session.Settings.CompressionLevel = 1;

    fixture.Backup({"harddisk 0"});
    ASSERT_FALSE(session.CancelFlag) << fixture.Op.ProtocolLines.join('\n').toStdString();
    EXPECT_EQ(fixture.Cartridges.size(), c.Cartridges);
    const IndependentTapeReader::TapeSet tape = fixture.Parse();
    ASSERT_EQ(tape.Records.size(), 3u);
    for (const auto& record : tape.Records) {
        EXPECT_EQ(record.Path, session.Paths.ProgramDirectory.toUtf8() + "diskdata.dat");
        EXPECT_EQ(record.Compressed, c.Compress);
    }
    if (!c.Compress) {
        EXPECT_EQ(tape.Records[2].Length, 20u * 1048576) << "the last chunk is the rest";
    }
    EXPECT_TRUE(tape.EndMarkerFound) << tape.Error.toStdString();
    for (const auto& description : tape.Descriptions)
        EXPECT_EQ(description.Label, "Disk");
    EXPECT_FALSE(QFile::exists(session.Paths.ProgramDirectory + "diskdata.dat"));
    EXPECT_FALSE(QFile::exists(session.Paths.CatalogFilePath));

    LoadTapeDescription(session);
    ASSERT_EQ(session.CurrentTapeDescription.Label, "Disk");
    EXPECT_EQ(DiskGeometry::Decode(session.CurrentTapeDescription.Geometry).SectorCount(),
              SampleSectors);
    RunDiskRestore(session, 1);
    ASSERT_FALSE(session.CancelFlag) << fixture.Op.ProtocolLines.join('\n').toStdString();
    const QByteArray source = ReadAll(disks.Disk(0)), target = ReadAll(disks.Disk(1));
    ASSERT_EQ(source.size(), target.size());
    const auto [at, _] = std::mismatch(source.begin(), source.end(), target.begin());
    EXPECT_EQ(at - source.begin(), source.size()) << "the first byte that differs";
    EXPECT_TRUE(std::any_of(fixture.Op.Boxes.begin(), fixture.Op.Boxes.end(), [](const auto& box) {
        return box.Text == "Attention : Do you will lost all old Datas on Harddisk 1 during "
                           "Restore ! Continue?";
    }));
    EXPECT_TRUE(fixture.Op.ProtocolLines.contains("Harddisk 1: all 245760 sectors restored."));
    EXPECT_EQ(fixture.Op.RestoreReports.back().RestoredMiB, 120);
    EXPECT_EQ(fixture.Op.RestoreReports.back().Files, 3);
}

INSTANTIATE_TEST_SUITE_P(Cases, DiskImageRoundTrip,
                         ::testing::Values(ImageCase{"Plain", false, 8000, 1},
                                           ImageCase{"Compressed", true, 8000, 1},
                                           ImageCase{"TwoCartridges", false, 2100, 2}),
                         [](const auto& info) { return std::string(info.param.Name); });

class DiskRestoreTarget : public ::testing::Test {
protected:
    DiskRestoreTarget() {
        WriteSampleDisk(m_disks.Disk(0), Sectors);
        m_fixture.S().Settings.SoftCompression = false;
    }

    void BackupAndRestoreTo(int disk) {
        m_fixture.Backup({"harddisk 0"});
        ASSERT_FALSE(m_fixture.S().CancelFlag);
        LoadTapeDescription(m_fixture.S());
        RunDiskRestore(m_fixture.S(), disk);
    }

    static constexpr int64_t Sectors = 4096;
    DiskDirectory m_disks;
    BackupFixture m_fixture;
};

TEST_F(DiskRestoreTarget, OneSectorTooSmallIsRefusedAndUntouched) {
    m_disks.MakeEmpty(1, (Sectors - 1) * 512);
    BackupAndRestoreTo(1);
    EXPECT_TRUE(m_fixture.S().CancelFlag);
    EXPECT_EQ(m_fixture.Op.Boxes.back().Text, "The selected Harddisk is to small to restore !");
    EXPECT_EQ(ReadAll(m_disks.Disk(1)), QByteArray((Sectors - 1) * 512, 0));
}

TEST_F(DiskRestoreTarget, ALargerTargetKeepsItsTail) {
    const QByteArray tail(8 * 512, 'T');
    m_disks.MakeEmpty(1, Sectors * 512);
    {
        QFile file(m_disks.Disk(1));
        file.open(QIODevice::Append);
        file.write(tail);
    }
    BackupAndRestoreTo(1);
    ASSERT_FALSE(m_fixture.S().CancelFlag);
    EXPECT_EQ(ReadAll(m_disks.Disk(1)), ReadAll(m_disks.Disk(0)) + tail);
}

TEST_F(DiskRestoreTarget, AnsweringNoWritesNothing) {
    m_disks.MakeEmpty(1, Sectors * 512);
    m_fixture.Op.Answers = {MessageAnswer::No};
    m_fixture.Backup({"harddisk 0"});
    LoadTapeDescription(m_fixture.S());
    RunDiskRestore(m_fixture.S(), 1);
    EXPECT_TRUE(m_fixture.S().CancelFlag);
    EXPECT_EQ(ReadAll(m_disks.Disk(1)), QByteArray(Sectors * 512, 0));
    EXPECT_FALSE(m_fixture.Op.LinesStartingWith("Restore startet at: ").isEmpty());
    EXPECT_FALSE(m_fixture.Op.LinesStartingWith("Restore finished at: ").isEmpty());
}

TEST_F(DiskRestoreTarget, AMissingDiskFailsTheBackupAndLeavesTheTape) {
    m_fixture.Backup({"harddisk 7", m_fixture.MakeFile("ignored", "x")});
    EXPECT_TRUE(m_fixture.S().CancelFlag);
    EXPECT_EQ(QFileInfo(m_fixture.Library->ImagePath("t1")).size(), 0);
    EXPECT_TRUE(m_fixture.Op.Boxes.back().Text.startsWith("Error: Harddisk 7 does not exist"));
}

} // namespace
