#pragma once

#include "archive_context.h"
#include "backup_writer_state.h"

#include <QByteArray>

namespace orvane {

// Writes every file below `directory` (a path ending in '/'), depth first: a subdirectory is
// finished when it is met, files and subdirectories in the byte order of their names. Symbolic
// links, FIFOs, sockets and device nodes are never followed or opened; each gets a "Skipped: "
// line, as does a directory that cannot be read. Stops between files once CancelFlag is raised.
// With `compress`, the next files are packed ahead while the current one goes to tape; when the
// walk ends nothing is left packing.
void WalkDirectory(ArchiveContext& ctx, BackupWriterState& state, const QByteArray& directory,
                   TapeHandlePtr& handle, bool compress);

} // namespace orvane
