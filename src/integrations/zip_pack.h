#pragma once

#include "zip_memory_archive.h"
#include "zip_outcome.h"

#include <QString>
#include <atomic>

namespace orvane {

// Whether a file with this name is stored in the archive rather than deflated: its suffix names
// a format that is compressed already (gif, png, zip, gz, ...). Case does not matter.
bool IsStoredSuffix(const QString& fileName);

// What a packing may do besides packing. Only the thread that owns the window may keep it alive;
// a packing done elsewhere gives up early (with ZIP_ER_CANCELLED) once `cancelled` turns true.
struct PackControl {
    bool PumpMessages = true;
    const std::atomic<bool>* Cancelled = nullptr;
};

// Writes a new archive at `archivePath` whose only member is the file `filePath`, under its bare
// file name, with its modification time, deflated at `level` (1-9) unless its suffix is stored.
// Whatever stood at `archivePath` before is gone afterwards, also when packing fails, so that a
// stale archive can never stand in for the file. The data is streamed; zip64 is used as needed.
ZipOutcome PackFile(const QString& archivePath, const QString& filePath, int level,
                    const PackControl& control = {});

// The same archive, byte for byte, made in memory instead of a file: `archive` holds it on
// success and is null otherwise.
ZipOutcome PackFileInMemory(const QString& filePath, int level, MemoryArchive& archive,
                            const PackControl& control = {});

} // namespace orvane
