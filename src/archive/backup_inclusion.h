#pragma once

#include "archive_context.h"
#include "backup_writer_state.h"

#include <QByteArray>

namespace orvane {

// File names of the records that only serve the tape itself.
inline constexpr char CatalogFileName[] = "orvane catalog.dat";
inline constexpr char FillerFileName[] = "orvane filler.dat";

// True when the walk writes the file. Work files are never written except the catalog and the
// older-style description file; neither are the cartridges of the virtual library the run
// writes to. Otherwise a file is excluded when a non-empty exclude line is a prefix of its path
// (paths compared exactly as they are, case included).
bool IsIncluded(const ArchiveContext& ctx, const BackupWriterState& state, const QByteArray& path);

// True for a record that belongs to the tape and not to the backed-up files: the catalog file
// and the filler record before it. Catalog, restore and verify never list, restore or verify one.
bool IsWorkFileRecord(const QByteArray& tapePath);

} // namespace orvane
