#pragma once

#include "zip_memory_archive.h"
#include "zip_outcome.h"

#include <QByteArray>
#include <QString>
#include <QtGlobal>
#include <optional>
#include <utility>

namespace orvane {

class OperatorInterface;

// The zip component behind "Softcompression" (`ZipMaster1`): packs one file at a time into the
// compression work file (or, when it fits, into memory) before it goes to tape, and unpacks that
// archive again after a restore or verify has read it back. The session owns one; its archive is
// WorkDirectory + "orvane_backup.zip". Only one work-file archive exists at a time, so packing
// into it and unpacking run strictly one file after another.
class SoftCompression {
public:
    // Files this large or larger go to tape uncompressed even with soft compression on.
    static constexpr qint64 SizeLimit = 2000000000;
    static constexpr int DefaultLevel = 9;
    // Files up to this size are packed in memory rather than through the work file, which would
    // write and read every archive once more. Small enough that the few archives a backup keeps
    // at once (one on its way to tape, the next ones packed ahead) stay far below the memory a
    // backup may take; large enough for nearly every file of a usual tree.
    static constexpr qint64 MemoryLimit = qint64(32) * 1024 * 1024;

    explicit SoftCompression(QString archivePath) : m_archivePath(std::move(archivePath)) {}

    const QString& ArchivePath() const { return m_archivePath; }

    // The deflate level, 1 (fastest) to 9 (tightest); follows the "Compression Level" setting, also
    // while a job file is loaded. Values outside the range are taken as the nearest end.
    int Level() const { return m_level; }
    void SetLevel(int level) { m_level = qBound(1, level, 9); }

    // Whether a file of `size` bytes goes through the archive on its way to tape: only with soft
    // compression on and only when it is neither empty nor too large.
    static bool Applies(bool softCompression, qint64 size) {
        return softCompression && size > 0 && size < SizeLimit;
    }
    static bool FitsInMemory(qint64 size) { return size <= MemoryLimit; }

    // add: makes the archive anew with `filePath` as its only member, stored under its bare
    // file name (already compressed formats stored, the rest deflated at Level()). On failure
    // the operator is told and no archive is left behind, so an old one can never be taken for
    // this file. True when the archive holds the file. `grew` tells whether the file grew while
    // it was packed (the archive then holds it as it was when opened).
    bool Add(const QString& filePath, OperatorInterface& op, bool* grew = nullptr) const;
    // add, into memory: the archive Add would write, byte for byte. Failures are told as by Add;
    // nothing comes back then.
    std::optional<MemoryArchive> AddInMemory(const QString& filePath, OperatorInterface& op,
                                             bool* grew = nullptr) const;
    // Tells the operator that `filePath` could not be packed, in add's words; nothing for a
    // success. For a packing done away from the window's thread.
    static void ReportAddOutcome(OperatorInterface& op, const QString& filePath,
                                 const ZipOutcome& outcome);

    // extract: writes every member of the archive into `baseDirectory` under its stored name,
    // overwriting existing files. Refuses archives whose names lead out of `baseDirectory`.
    // Failures are shown to the operator; true when every member was written.
    bool Extract(const QString& baseDirectory, OperatorInterface& op) const;
    // extract, for an archive read back into memory: the same checks and the same messages.
    bool ExtractFrom(const QByteArray& archive, const QString& baseDirectory,
                     OperatorInterface& op) const;

private:
    void ReportExtractOutcome(OperatorInterface& op, const ZipOutcome& outcome) const;

    QString m_archivePath;
    int m_level = DefaultLevel;
};

// The component's message event: a message with an error code other than 0 is shown in a plain
// message box; code 0 is ignored.
void ZipMaster1Message(OperatorInterface& op, int errorCode, const QString& text);

// Clears the read-only attribute of `path` (gives the owner write access), keeping its other
// permissions. Extracted files may carry a read-only mode from their archive. False when the
// file is missing or its permissions cannot be changed.
bool ClearReadOnlyAttribute(const QString& path);

} // namespace orvane
