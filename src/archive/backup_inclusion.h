#pragma once

#include "archive_context.h"
#include "backup_writer_state.h"

#include <QByteArray>

namespace orvane {

// File names of the records that only serve the tape itself.
inline constexpr char CatalogFileName[] = "orvane catalog.dat";
inline constexpr char FillerFileName[] = "orvane filler.dat";

// True when the walk writes the file. Work files are never written except the older-style
// description file, and the catalog when the run itself puts it on tape; neither are the cartridges
// of the virtual library the run writes to. Otherwise a file is excluded when a non-empty exclude
// line is a prefix of its path (paths compared exactly as they are, case included).
bool IsIncluded(const ArchiveContext& ctx, const BackupWriterState& state, const QByteArray& path);
// The same test on its parts, for a walk that runs beside the writer.
bool IsIncludedPath(const BackupWriterState::OwnPaths& own, const QList<QByteArray>& excludes,
                    bool writingCatalog, const QByteArray& path);
// The program's own paths of the run, made at the first call.
const BackupWriterState::OwnPaths& OwnPathsOf(const ArchiveContext& ctx,
                                              const BackupWriterState& state);

// True for a record named as the writer's own records that serve the tape itself: the catalog
// file and the filler record before it. A user's file may carry either name too; which of them
// is the writer's own is told by where it stands, right before the end marker.
bool IsWorkFileRecord(const QByteArray& tapePath);

} // namespace orvane
