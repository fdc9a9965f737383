#pragma once

#include <QByteArray>
#include <QList>
#include <memory>
#include <optional>
#include <sys/stat.h>
#include <vector>

namespace orvane {

// A directory the walk holds open while entries listed from it wait to be written: their files
// are looked up in it, without a lookup of the whole path for each.
class OpenDirectory {
public:
    explicit OpenDirectory(int fd) : m_fd(fd) {}
    OpenDirectory(const OpenDirectory&) = delete;
    OpenDirectory& operator=(const OpenDirectory&) = delete;
    ~OpenDirectory();
    int Fd() const { return m_fd; }

private:
    int m_fd;
};

// One entry of a backup walk: a path to write (whatever it is; the writer decides), a directory
// just entered, or a directory whose names cannot be read (both with paths ending in '/').
struct WalkEntry {
    QByteArray Path;
    // The directory the entry lies in and its name there; no directory when it could not be held
    // open (the path is then used).
    std::shared_ptr<const OpenDirectory> Directory;
    QByteArray Name;
    bool UnreadableDirectory = false;
    // A directory whose entries follow: `Directory` is the directory itself (when it could be
    // held open) and `Name` is empty.
    bool EnteredDirectory = false;
    bool Stated = false; // lstat answered; `info` holds its answer
    struct stat Info {};
};

// The entries below a directory in the order the backup writes them: depth first, a
// subdirectory's entries where the subdirectory stands, names in byte order. Each directory is
// given as an entry once it is entered, before its own entries; symbolic links are never
// followed. Each directory's names are read
// whole when it is entered; the directory itself stays open while its entries wait.
class WalkCursor {
public:
    // `directory` ends in '/'.
    explicit WalkCursor(const QByteArray& directory);

    // The next entry, or nothing at the end.
    std::optional<WalkEntry> Next();

private:
    struct Level {
        QByteArray Directory;
        std::shared_ptr<const OpenDirectory> Open;
        QList<QByteArray> Names;
        qsizetype Next = 0;
    };
    // Enters `directory`: its entry, entered or unreadable. `info` is its lstat when known.
    WalkEntry Enter(const QByteArray& directory, const struct stat* info);

    std::vector<Level> m_levels;
    std::optional<WalkEntry> m_pending;
};

} // namespace orvane
