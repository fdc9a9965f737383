#include "archive/backup_writer_fixture.h"
#include "disk_images.h"
#include "jobs/disk_restore_run.h"
#include "tape/tape_description_io.h"

#include <QProcess>
#include <QTemporaryDir>
#include <gtest/gtest.h>
#include <unistd.h>

using namespace orvane;
using namespace orvane::test;

namespace {

// What a command printed, or nothing when it failed.
std::optional<QString> RunTool(const QString& program, const QStringList& args) {
    QProcess process;
    process.start(program, args);
    if (!process.waitForFinished(60000) || process.exitStatus() != QProcess::NormalExit ||
        process.exitCode() != 0)
        return std::nullopt;
    return QString::fromLocal8Bit(process.readAllStandardOutput()).trimmed();
}

// A loop device over an image file: a real block device, attached for the test's duration.
class LoopDevice {
public:
    explicit LoopDevice(const QString& image) {
        m_device = RunTool("losetup", {"--find", "--show", image}).value_or(QString());
    }
    ~LoopDevice() {
        if (!m_device.isEmpty())
            RunTool("losetup", {"-d", m_device});
    }
    const QString& Device() const { return m_device; }

private:
    QString m_device;
};

struct Unmount {
    QString Point;
    ~Unmount() { RunTool("umount", {Point}); }
};

TEST(LoopDevice, AMountedTargetIsRefusedAndAnUnmountedOneWritten) {
    if (::geteuid() != 0)
        GTEST_SKIP() << "a loop device needs root";
    constexpr int64_t Sectors = 16384; // 8 MiB
    QTemporaryDir work;
    qputenv("ORVANE_DISKS", work.path().toLocal8Bit());
    WriteSampleDisk(work.filePath("disk0.img"), Sectors);
    QFile target(work.filePath("target.img"));
    target.open(QIODevice::WriteOnly);
    target.resize(Sectors * 512);
    target.close();
    LoopDevice loop(target.fileName());
    if (loop.Device().isEmpty())
        GTEST_SKIP() << "losetup could not attach a loop device here";
    ASSERT_TRUE(QFile::link(loop.Device(), work.filePath("disk1.img")));
    const QString mountPoint = work.filePath("mnt");
    QDir().mkpath(mountPoint);
    if (!RunTool("mkfs.ext4", {"-q", "-F", loop.Device()}) ||
        !RunTool("mount", {loop.Device(), mountPoint}))
        GTEST_SKIP() << "the machine refuses to make or mount a file system on " +
                            loop.Device().toStdString();
    Unmount unmount{mountPoint};

    BackupFixture fixture;
    fixture.S().Settings.SoftCompression = false;
    fixture.Backup({"harddisk 0"});
    ASSERT_FALSE(fixture.S().CancelFlag);
    LoadTapeDescription(fixture.S());
    RunDiskRestore(fixture.S(), 1);
    RunTool("umount", {mountPoint});
    EXPECT_TRUE(fixture.S().CancelFlag);
    EXPECT_EQ(fixture.Op.Boxes.back().Text,
              "This Disk is mounted (" + mountPoint + ") and can not be selected!");
    // The file system leaves its first 1024 bytes zero; the image would have put its MBR there.
    EXPECT_EQ(ReadAll(target.fileName()).left(1024), QByteArray(1024, 0)) << "not a byte written";

    RunDiskRestore(fixture.S(), 1);
    EXPECT_FALSE(fixture.S().CancelFlag) << fixture.Op.Boxes.back().Text.toStdString();
    EXPECT_TRUE(ReadAll(target.fileName()) == ReadAll(work.filePath("disk0.img")));
    qunsetenv("ORVANE_DISKS");
}

} // namespace
