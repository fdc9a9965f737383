#pragma once

#include "disk_geometry.h"
#include "disk_list.h"
#include "disk_use.h"
#include "partition_table.h"

#include <QString>

namespace orvane {

// What the disk dialog and `orvane-cli disk show` show of one disk: its geometry, its partition
// table with the mount point on each partition, and what the system has mounted from it.
struct DiskView {
    DiskEntry Disk;
    DiskGeometry Geometry;
    PartitionTable Table;
    DiskUse Use;
    QString Error; // why the disk could not be read; the rest is then empty
};

DiskView InspectDisk(int number, const QString& programDirectory);

// Why the disk shown may not be chosen: as a backup source only a disk that does not exist is
// refused; as a restore target also one that holds / or the program directory, or is mounted.
// Empty when it may.
QString DiskChoiceRefusal(const DiskView& view, bool restoreTarget);

// The geometry labels of the dialog: caption and value, the capacity in MiB last.
QList<std::pair<QString, QString>> GeometryLines(const DiskGeometry& geometry);

} // namespace orvane
