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

// Writes zeros over sector 0 of disk N (its partition table) after the operator confirmed it,
// under the same refusals as a restore.
void ZeroFirstSector(ArchiveContext& ctx, int diskNumber);

// Copies disk `source` sector by sector onto disk `target`, from sector 0 in chunks of 50 MiB,
// after the operator confirmed it, under the same refusals as a restore of the target; the
// backup counters show the MiB and chunks copied and the rate. CancelFlag is raised when the
// target did not get the whole source.
void CopyDisk(ArchiveContext& ctx, int source, int target);

} // namespace orvane
