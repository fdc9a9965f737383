#pragma once

#include "archive/archive_context.h"
#include "archive/backup_writer_state.h"

namespace orvane {

// The settings a disk image backup follows.
struct DiskImageChoices {
    bool Append = false;          // "Append": a disk image is never appended
    bool SoftCompression = false; // every chunk record is packed
};

// The disk image backup of "harddisk N": a new "Disk" tape set whose description holds the
// disk's geometry, then every sector of the disk from sector 0 in chunks of 50 MiB, each one
// file record named by the chunk work file's path, across as many tapes as it takes, closed by
// the end marker. A cancel or a read error ends the image after the chunks written so far (the
// end marker still closes them) and raises CancelFlag, as does a disk that cannot be used.
void BackupDiskImage(ArchiveContext& ctx, BackupWriterState& state, int diskNumber,
                     const DiskImageChoices& choices);

// Where the chunks of a disk image are named after, and packed from with soft compression.
QString ChunkWorkFilePath(const ArchiveContext& ctx);

} // namespace orvane
