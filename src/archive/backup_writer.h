#pragma once

#include "archive_context.h"
#include "backup_writer_state.h"

#include <QString>
#include <span>

namespace orvane {

// How a writer call finds the stream.
enum class SaveMode : uint8_t {
    NewSet = 0,   // first entry of a new set: the stream starts at block 1, the catalog empty
    Append = 1,   // first entry appended to the set: the stream goes on at the old catalog
    Continue = 2, // every further entry: the stream goes on where it stands
};

// Puts one backup-list entry on tape: a path ending in '/' is a directory written with
// everything below it ("/" alone is the whole tree), anything else a single file. Returns at
// once when CancelFlag is raised. NewSet and Append prepare the stream and open the catalog
// file first; when that fails nothing is written (see BackupWriterState::StreamReady).
void SAVE_FILES_TO_TAPE(ArchiveContext& ctx, BackupWriterState& state, const QString& entry,
                        bool compress, SaveMode mode);

// SAVE_FILES_TO_TAPE for data that is in memory: one record named `path` that holds `data` as
// it is (never packed), so that the data goes to tape without a file on its way.
void SaveDataToTape(ArchiveContext& ctx, BackupWriterState& state, const QString& path,
                    std::span<const char> data, SaveMode mode);

// Closes the catalog file; false when its records could not all be written out.
bool CloseCatalogFile(BackupWriterState& state);

// Writes the closed catalog file as the last record of the run and returns where its record
// begins, the catalog start for the end marker. When the catalog and the end marker would not
// fit on the current tape, a filler record first fills the rest of it, so that they lie whole
// on the last tape of the set.
StreamPosition SaveCatalogToTape(ArchiveContext& ctx, BackupWriterState& state, bool compress);

} // namespace orvane
