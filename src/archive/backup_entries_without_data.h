#pragma once

#include "archive_context.h"
#include "backup_writer_state.h"

#include <QByteArray>
#include <sys/stat.h>

namespace orvane {

// Directories and symbolic links have no file record: they are kept in the set's metadata only
// (an excluded one is left out, as is one whose path does not fit a tape path: a link with a
// "Skipped: " line).

// `path` without the trailing '/'; `fd` the open directory, or -1 (its attributes are then not
// read).
void RecordDirectory(ArchiveContext& ctx, BackupWriterState& state, const QByteArray& path,
                     const struct stat& info, int fd);

// The link `name` in `directory` (AT_FDCWD with `name` = `path`). The link is never followed.
void RecordSymbolicLink(ArchiveContext& ctx, BackupWriterState& state, const QByteArray& path,
                        int directory, const QByteArray& name, const struct stat& info);

} // namespace orvane
