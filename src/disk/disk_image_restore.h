#pragma once

#include "archive/archive_context.h"
#include "disk_geometry.h"

#include <QStringList>
#include <optional>

namespace orvane {

// The geometry of the disk imaged on the loaded tape; nothing when its description is not that
// of a disk image.
std::optional<DiskGeometry> SourceDiskGeometry(const TapeContext& ctx);

// The source disk as the restore list shows it in place of files: cylinders, tracks, sectors,
// sector size and capacity.
QStringList SourceDiskLines(const DiskGeometry& geometry);

// Writes the disk image of the loaded tape set (tape 1 in the drive) back onto disk N, sector 0
// on, chunk by chunk, after the operator confirmed that its old data will be lost. Refuses
// before any byte is written a disk that holds / or the program directory, that is mounted or
// in use, that has another sector size, or that is smaller than the image; sectors beyond the
// image keep their content. What was written is flushed to the disk before the restore counts
// as done. CancelFlag is raised when the restore did not write the whole image.
void RestoreDiskImage(ArchiveContext& ctx, int diskNumber);

} // namespace orvane
