#include "disk/disk_device.h"
#include "disk/disk_use.h"
#include "disk/partition_table.h"
#include "disk_images.h"

#include <QTemporaryDir>
#include <gtest/gtest.h>
#include <sys/sysmacros.h>

using namespace orvane;
using namespace orvane::test;

namespace {

TEST(PartitionTable, DecodesTheUsedMbrEntries) {
    QByteArray sector(512, 0);
    PutMbrEntry(sector, 0, {.Status = 0x80, .Type = 0x0C, .First = 2048, .Count = 4096});
    // Entry 3 only: 10-bit cylinders and counts above 2^31 shown unsigned.
    PutMbrEntry(sector, 2,
                {.Type = 0x83, .First = 3000000000u, .Count = 4000000000u, .Chs = {1, 0xC1, 0x05}});
    const PartitionTable table = DecodeMbr({sector.constData(), size_t(sector.size())});
    ASSERT_FALSE(table.Gpt);
    ASSERT_EQ(table.Rows.size(), 2u);
    EXPECT_EQ(table.GridCells(table.Rows[0]),
              QStringList({"1", "128", "0", "0", "0", "12", "0", "0", "0", "2048", "4096"}));
    const PartitionRow& third = table.Rows[1];
    EXPECT_EQ(third.Number, 3);
    EXPECT_EQ(third.StartHead, 1);
    EXPECT_EQ(third.StartSector, 1);
    EXPECT_EQ(third.StartCylinder, 773);
    EXPECT_EQ(table.GridCells(third).mid(9), QStringList({"3000000000", "4000000000"}));
}

TEST(PartitionTable, AGptDiskShowsItsGptPartitions) {
    QTemporaryDir dir;
    const QString path = dir.filePath("gpt.img");
    WriteGptImage(path, 8 * 1024 * 1024 / 512,
                  {{2048, 4095, EfiSystemType}, {4096, 12000, LinuxFilesystemType}});
    DiskDevice disk;
    ASSERT_TRUE(disk.Open(path, DiskDevice::Access::Read));
    PartitionTable table;
    QString error;
    ASSERT_TRUE(ReadPartitionTable(disk, table, error)) << error.toStdString();
    ASSERT_TRUE(table.Gpt);
    ASSERT_EQ(table.Rows.size(), 2u);
    EXPECT_EQ(table.GridCells(table.Rows[0]),
              QStringList({"1", "", "", "", "", "EFI System", "", "", "", "2048", "2048"}));
    EXPECT_EQ(table.Rows[1].TypeName, "Linux filesystem");
    EXPECT_EQ(table.Rows[1].SectorCount, 7905u);
}

TEST(PartitionTable, AGptHeaderThatClaimsTooMuchKeepsTheProtectiveEntry) {
    QTemporaryDir dir;
    const QString path = dir.filePath("gpt.img");
    WriteGptImage(path, 2048, {{34, 100, LinuxFilesystemType}}, /*entryCount=*/0x7FFFFFFF);
    DiskDevice disk;
    ASSERT_TRUE(disk.Open(path, DiskDevice::Access::Read));
    PartitionTable table;
    QString error;
    ASSERT_TRUE(ReadPartitionTable(disk, table, error));
    EXPECT_FALSE(table.Gpt);
    ASSERT_EQ(table.Rows.size(), 1u);
    EXPECT_EQ(table.Rows[0].Type, 0xEE);
}

TEST(MountInfo, TakesDeviceAndMountPointWithEscapes) {
    const QByteArray text = "28 1 254:0 / / rw,relatime - ext4 /dev/vda rw\n"
                            "40 28 8:17 / /media/my\\040disk rw - vfat /dev/sdb1 rw\n"
                            "garbage\n";
    const std::vector<MountEntry> mounts = ParseMountInfo(text);
    ASSERT_EQ(mounts.size(), 2u);
    EXPECT_EQ(mounts[0].MountPoint, "/");
    EXPECT_EQ(mounts[1].Device, makedev(8, 17));
    EXPECT_EQ(mounts[1].MountPoint, "/media/my disk");
}

} // namespace
