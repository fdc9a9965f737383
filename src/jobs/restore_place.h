#pragma once

#include "archive/sparse_file_writer.h"
#include "platform/safe_target_directory.h"

#include <QByteArray>
#include <QDateTime>
#include <QString>
#include <cstdint>
#include <optional>
#include <span>

namespace orvane {

// Where one selected file is restored: its directory, opened below the restore target without
// following a symbolic link, and its name there. A plain record's data is written straight into
// a copy beside the destination (the final move is then a rename in one directory).
class RestorePlace {
public:
    // Opens the directory of `tapePath`'s destination below `target` (made where missing). When
    // it cannot be, Refusal() holds the protocol line.
    static RestorePlace For(const QString& target, const QByteArray& tapePath);
    // A place the operator named by its whole path: its directory is made and opened as given.
    static RestorePlace At(const QString& path);

    const QString& Refusal() const { return m_refusal; }
    const SafeTargetDirectory& Directory() const { return m_directory; }
    const QByteArray& Name() const { return m_name; }
    const QString& Path() const { return m_path; }
    // Where the directory was opened from: the anchor taken as given and the part below it
    // walked without following a link, so that it can be opened again as safely.
    const QByteArray& Anchor() const { return m_anchor; }
    const QByteArray& Below() const { return m_below; }

    // Starts the copy beside the destination, with the recorded permissions where the record has
    // them (the owner can always write his file). False when there is none to start (its name is
    // taken, or is the destination's own); the data then goes to the work directory.
    bool StartCopy(std::optional<uint16_t> permissions = std::nullopt);
    bool HasCopy() const { return m_copyMade; }
    // Appends data to the copy, passing over whole pages of zeros so that a sparse file comes back
    // sparse; after the first failure the rest is dropped and CopyErrno tells.
    void WriteCopy(std::span<const char> data);
    int CopyErrno() const { return m_copyErrno; }
    int64_t CopySize() const { return m_copySize; }
    // Closes the copy: true when every byte reached it.
    bool FinishCopy();
    // The copy has been moved on: it is no longer this place's to remove.
    void ReleaseCopy() { m_copyMade = false; }
    static QByteArray CopyName();
    // Removes the copy, finished or not.
    void DropCopy();

    RestorePlace() = default;
    RestorePlace(RestorePlace&&) noexcept = default;
    RestorePlace& operator=(RestorePlace&&) noexcept = default;
    ~RestorePlace();

private:
    SafeTargetDirectory m_directory;
    QByteArray m_anchor;
    QByteArray m_below;
    QByteArray m_name;
    QString m_path;
    QString m_refusal;
    int m_copyDescriptor = -1;
    std::optional<SparseFileWriter> m_writer;
    bool m_copyMade = false;
    int m_copyErrno = 0;
    int64_t m_copySize = 0;
};

// The protocol line for a file that could not be written at `path`, naming the system's reason.
QString NotWrittenLine(const QString& path, int error);

// Sets the modification time of the entry `name` of `directory` (a link's own, never its
// target's).
void SetModificationTime(int directory, const QByteArray& name, const QDateTime& modified);

} // namespace orvane
