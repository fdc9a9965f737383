#pragma once

#include "archive_context.h"

#include <QString>
#include <functional>
#include <span>

namespace orvane {

// What a reader does with the data of a record, chosen once the record's header is known.
struct RecordSink {
    enum class Kind { Skip, WorkFile, Consumer };
    Kind Kind = Kind::WorkFile;
    bool Unpack = false; // WorkFile: a compressed record is unpacked in the work directory
    QString File;        // WorkFile: where a plain record goes, when not to WorkFileFor
    // Consumer: receives the data in tape order, piece by piece, straight out of the tape block.
    std::function<void(std::span<const char>)> Consume;

    // Passed over; where the drive can be positioned past it, it is not even read.
    static RecordSink Skip() { return {Kind::Skip, false, {}, {}}; }
    static RecordSink WorkFile(bool unpack, QString file = {}) {
        return {Kind::WorkFile, unpack, std::move(file), {}};
    }
    static RecordSink Consumer(std::function<void(std::span<const char>)> consume) {
        return {Kind::Consumer, false, {}, std::move(consume)};
    }
};
using RecordSinkChooser = std::function<RecordSink(const TapeFileHeader&)>;

// Takes the next file record out of the stream; `choose` decides from its header where the data
// goes. The work file is named by WorkFileFor (for a record stored compressed: the compression
// work file, or memory when it fits) and gets the recorded modification time. Returns the
// recorded path, or nothing at the end marker, at the end of the data, on a damaged record and
// when CancelFlag is raised. The header read stays in ctx.LastHeader.
QByteArray ReadFileRecord(ArchiveContext& ctx, TapeHandlePtr& handle,
                          const RecordSinkChooser& choose);
// The same with one choice for every record: skipped, or into the work file (and unpacked).
QByteArray ReadFileRecord(ArchiveContext& ctx, TapeHandlePtr& handle, bool skip, bool unpack);

// Where ReadFileRecord puts a record's data: the work directory and the file-name part of the
// path, never a name that leaves the work directory.
QString WorkFileFor(const ArchiveContext& ctx, const QByteArray& tapePath);

// Unpacks the archive of the last record read (held in memory, or in the compression work file
// when it was too large) when that record was compressed: its member named as `path` becomes
// `path` (a work file), writable. An archive read from tape may hold anything, so it is unpacked
// in a directory of its own that is removed with every other member.
void UnpackRestoredFile(ArchiveContext& ctx, const QString& path);
// The names of those directories in the work directory.
inline const QString UnpackDirectoryPattern = QStringLiteral("orvane unpack-*");

// Copies the blocks from the drive's position up to the next filemark or the end of data into
// `target`: "No Error", "Error" (nothing before a filemark) or "End of data".
QString ReadNextTapeFile(ArchiveContext& ctx, const QString& target);

} // namespace orvane
