#pragma once

#include <QByteArray>
#include <QList>
#include <optional>
#include <sys/stat.h>
#include <vector>

namespace orvane {

// One entry of a backup walk: a path to write (whatever it is; the writer decides), or a
// directory whose names cannot be read (its path ends in '/').
struct WalkEntry {
    QByteArray path;
    bool unreadableDirectory = false;
    bool stated = false; // lstat answered; `info` holds its answer
    struct stat info {};
};

// The entries below a directory in the order the backup writes them: depth first, a
// subdirectory's entries where the subdirectory stands, names in byte order. Directories are
// entered, never written; symbolic links are never followed. Each directory's names are read
// whole when it is entered, so no directory stays open while the walk goes deeper.
class WalkCursor {
public:
    // `directory` ends in '/'.
    explicit WalkCursor(const QByteArray& directory);

    // The next entry, or nothing at the end.
    std::optional<WalkEntry> Next();

private:
    struct Level {
        QByteArray directory;
        QList<QByteArray> names;
        qsizetype next = 0;
    };
    // Enters `directory`; an entry for it when its names cannot be read.
    std::optional<WalkEntry> Enter(const QByteArray& directory);

    std::vector<Level> m_levels;
    std::optional<WalkEntry> m_pending;
};

} // namespace orvane
