#pragma once

#include <QByteArray>
#include <QList>
#include <QString>

namespace orvane {

// A directory reached from an anchor directory one component at a time, never through a
// symbolic link, so that whatever links others place in the tree below the anchor, nothing made
// through it lands outside. The anchor itself is taken as given: it is the operator's choice.
// Every entry operation acts on the entry itself and never follows a link at its name.
class SafeTargetDirectory {
public:
    enum class Failure { None, SymbolicLink, System };

    SafeTargetDirectory() = default;
    SafeTargetDirectory(SafeTargetDirectory&& other) noexcept;
    SafeTargetDirectory& operator=(SafeTargetDirectory&& other) noexcept;
    SafeTargetDirectory(const SafeTargetDirectory&) = delete;
    SafeTargetDirectory& operator=(const SafeTargetDirectory&) = delete;
    ~SafeTargetDirectory();

    // Opens `anchor` + `below` (components separated by "/"), making the directories that are
    // missing below the anchor.
    static SafeTargetDirectory Open(const QByteArray& anchor, const QByteArray& below);

    bool IsOpen() const { return m_descriptor >= 0; }
    int Descriptor() const { return m_descriptor; }
    // The path that was opened, or the first one that could not be.
    const QByteArray& Path() const { return m_path; }
    Failure FailureKind() const { return m_failure; }
    int FailureErrno() const { return m_errno; }
    // The directories Open made, by path.
    const QList<QByteArray>& Made() const { return m_made; }

    // Anything at `name`, a link or a directory included.
    bool Occupied(const QByteArray& name) const;
    bool IsDirectory(const QByteArray& name) const;
    // A new file (never an existing one, never through a link), or -1 with errno set.
    int CreateFile(const QByteArray& name) const;
    bool Remove(const QByteArray& name) const;
    // Replaces what is at `to` (a link there is replaced, not followed). errno on failure.
    bool Rename(const QByteArray& from, const QByteArray& to) const;
    // Moves the entry `fromName` of the directory `fromDirectory` (a descriptor, or AT_FDCWD for
    // a path) to `to` here; fails with EXDEV across file systems.
    bool MoveHere(int fromDirectory, const QByteArray& fromName, const QByteArray& to) const;

private:
    int m_descriptor = -1;
    QByteArray m_path;
    Failure m_failure = Failure::None;
    int m_errno = 0;
    QList<QByteArray> m_made;
};

} // namespace orvane
