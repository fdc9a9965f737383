#pragma once

#include <QString>
#include <QStringList>
#include <cstdint>
#include <sys/types.h>
#include <vector>

namespace orvane {

// One line of /proc/self/mountinfo: the device of a mounted file system and where it is.
struct MountEntry {
    dev_t Device = 0;
    QString MountPoint;
};

// The mounts of `mountInfo` (the text of a mountinfo file); mount points with their octal
// escapes (\040 for a blank) decoded.
std::vector<MountEntry> ParseMountInfo(const QByteArray& mountInfo);

// What the running system has on a disk: the devices it consists of (the disk, its partitions,
// and what is built on them: device-mapper and RAID devices) and the file systems mounted from
// them. An image file counts as the loop devices attached to it.
struct DiskUse {
    struct Partition {
        int64_t StartByte = 0;
        QStringList MountPoints;
    };
    std::vector<dev_t> Devices;
    std::vector<Partition> Partitions;
    QStringList MountPoints; // of the disk and everything on it
    bool HoldsRoot = false;
    bool HoldsProgramDirectory = false;

    // The mount points of the partition that starts at `startByte`, joined by ", ".
    QString MountPointsAt(int64_t startByte) const;
};

DiskUse FindDiskUse(const QString& diskPath, const QString& programDirectory);

// The size of a block device in 512-byte units as sysfs tells it; 0 for anything else.
int64_t SysfsSectorCount(const QString& diskPath);

// Why Orvane must not write the disk, in the operator's words; empty when it may.
QString WriteRefusal(const DiskUse& use);

} // namespace orvane
