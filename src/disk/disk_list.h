#pragma once

#include <QString>
#include <optional>
#include <vector>

namespace orvane {

// One disk Orvane can image or restore to, by its number.
struct DiskEntry {
    int Number = 0;
    QString Path;  // the device (/dev/sda) or the image file
    QString Model; // as sysfs tells it; empty for an image file
};

// The disks by number: with $ORVANE_DISKS naming a directory its files disk0.img, disk1.img ...
// up to the first number missing; otherwise the whole-disk block devices of /sys/block in name
// order.
std::vector<DiskEntry> ListDisks();
std::optional<DiskEntry> FindDisk(int number);

// The line that names disk N in the backup list and as the restore target: "harddisk N".
QString HardDiskEntry(int number);
// The disk number of such a line; nothing for any other text.
std::optional<int> HardDiskEntryNumber(const QString& line);

// Whether a /sys/block entry is a whole disk that holds data of its own: loop, ram, zram and
// device-mapper entries are not.
bool IsWholeDiskName(const QString& name);

} // namespace orvane
