#include "disk_view.h"

#include "disk_device.h"

namespace orvane {

DiskView InspectDisk(int number, const QString& programDirectory) {
    DiskView view;
    const std::optional<DiskEntry> disk = FindDisk(number);
    if (!disk) {
        view.Error = QStringLiteral("Harddisk %1 does not exist.").arg(number);
        return view;
    }
    view.Disk = *disk;
    view.Use = FindDiskUse(disk->Path, programDirectory);
    DiskDevice device;
    if (!device.Open(disk->Path, DiskDevice::Access::Read) ||
        !ReadPartitionTable(device, view.Table, view.Error)) {
        view.Error = disk->Path + QStringLiteral(": ") +
                     (view.Error.isEmpty() ? device.ErrorText() : view.Error);
        view.Table = PartitionTable();
        // The kernel tells the size of a disk that may not be opened.
        view.Geometry = DiskGeometry::ForSectors(SysfsSectorCount(disk->Path), 512);
        return view;
    }
    view.Geometry =
        DiskGeometry::ForSectors(device.ByteCount() / device.SectorSize(), device.SectorSize());
    for (PartitionRow& row : view.Table.Rows)
        row.MountPoint = view.Use.MountPointsAt(int64_t(row.FirstSector) * device.SectorSize());
    return view;
}

QString DiskChoiceRefusal(const DiskView& view, bool restoreTarget) {
    if (view.Disk.Path.isEmpty())
        return view.Error;
    return restoreTarget ? WriteRefusal(view.Use) : QString();
}

QList<std::pair<QString, QString>> GeometryLines(const DiskGeometry& geometry) {
    return {
        {QStringLiteral("Cylinder:"), QString::number(geometry.Cylinders)},
        {QStringLiteral("Tracks per Cylinder:"), QString::number(geometry.TracksPerCylinder)},
        {QStringLiteral("Sectors per Track:"), QString::number(geometry.SectorsPerTrack)},
        {QStringLiteral("Bytes per Sector:"), QString::number(geometry.BytesPerSector)},
        {QStringLiteral("Capacity:"), geometry.MegabytesText() + QStringLiteral(" (Mega Bytes)")}};
}

} // namespace orvane
