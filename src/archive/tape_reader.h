#pragma once

#include "archive_context.h"

#include <QString>

namespace orvane {

// Takes the next file record out of the stream. Without `skip` its data goes to the work
// directory (to the compression work file when it was stored compressed) with the recorded
// modification time, and with `unpack` a compressed record is unpacked there. Returns the
// recorded path, or nothing at the end marker, at the end of the data, on a damaged record and
// when CancelFlag is raised. The header read stays in ctx.LastHeader.
QByteArray ReadFileRecord(ArchiveContext& ctx, TapeHandlePtr& handle, bool skip, bool unpack);

// Where ReadFileRecord puts a record's data: the work directory and the file-name part of the
// path, never a name that leaves the work directory.
QString WorkFileFor(const ArchiveContext& ctx, const QByteArray& tapePath);

// Unpacks the compression work file into the work directory when the last header read was
// compressed, and makes `path` writable.
void UnpackRestoredFile(ArchiveContext& ctx, const QString& path);

// Copies the blocks from the drive's position up to the next filemark or the end of data into
// `target`: "No Error", "Error" (nothing before a filemark) or "End of data".
QString ReadNextTapeFile(ArchiveContext& ctx, const QString& target);

} // namespace orvane
