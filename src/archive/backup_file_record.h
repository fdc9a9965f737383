#pragma once

#include "archive_context.h"
#include "backup_writer_state.h"

#include <QByteArray>
#include <functional>
#include <span>
#include <sys/stat.h>

namespace orvane {

// Called once a file's stored length is known, right before its header goes to tape.
using BeforeFileHeader = std::function<void(uint64_t storedLength)>;

// Where the walk found a file: a directory it holds open and the file's name in it, so that the
// file is opened without a lookup of its whole path. Without a name the path is used.
struct FileInDirectory {
    int DirectoryFd = -1;
    const char* Name = nullptr;
};

// Writes one file as a header plus its data (packed first with soft compression on) and adds
// its catalog record; or, for a file that is not to be written, tells the operator so. Never
// follows a symbolic link and never opens anything but a regular file. The data on tape always
// numbers exactly the bytes the header gives: a file that shrinks or cannot be read further is
// padded with zeros, one that grows is cut, and the protocol names it.
void WriteFileRecord(ArchiveContext& ctx, BackupWriterState& state, TapeHandlePtr& handle,
                     const QByteArray& path, bool compress,
                     const BeforeFileHeader& beforeHeader = {}, FileInDirectory where = {});

// Writes `data` as one record named `path`, the way WriteFileRecord writes a file of that
// content (the exclusion test, the counters and displays, the protocol line, the catalog
// record), with the time of the backup as its date.
void WriteDataRecord(ArchiveContext& ctx, BackupWriterState& state, TapeHandlePtr& handle,
                     const QByteArray& path, std::span<const char> data);

// Adds the file's catalog record (its path and the stream position after its data) to the
// catalog file; the catalog file itself is never listed. False when the record could not be
// written.
bool AppendCatalogRecord(ArchiveContext& ctx, BackupWriterState& state,
                         const TapeFileHeader& header);

// A "Skipped: " line (whatever the short-protocol setting) and one more on "Skiped".
void ReportSkippedFile(ArchiveContext& ctx, BackupWriterState& state, const QByteArray& path,
                       int64_t size);

// Copies `data` into the stream.
void WriteMemoryData(ArchiveContext& ctx, TapeHandlePtr& handle, std::span<const char> data);

// For a file of more than one name whose first name the run has written already: keeps this
// name as a hard link to it (no data goes to tape) and returns true.
bool RecordedAsHardLink(ArchiveContext& ctx, BackupWriterState& state, const QByteArray& path,
                        const struct stat& info);

// Puts `length` bytes of zeros into the stream.
void WriteZeros(ArchiveContext& ctx, TapeHandlePtr& handle, uint64_t length);

// " <" + size div 1024 + " KBytes> ", the size part of every per-file line.
QString KBytesText(int64_t size);

// The protocol line for a file that grew while it was read: what is on tape is cut.
void ReportGrownFile(ArchiveContext& ctx, const QByteArray& path, uint64_t length);

} // namespace orvane
