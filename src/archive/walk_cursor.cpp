#include "walk_cursor.h"

#include <algorithm>
#include <cstring>
#include <dirent.h>
#include <fcntl.h>
#include <unistd.h>
#include <utility>

namespace orvane {

namespace {

// The names of a directory being read, sorted; false when it cannot be read. Closes it.
bool ReadDirectoryNames(DIR* dir, QList<QByteArray>& names) {
    if (!dir)
        return false;
    while (const dirent* entry = ::readdir(dir)) {
        if (std::strcmp(entry->d_name, ".") == 0 || std::strcmp(entry->d_name, "..") == 0)
            continue;
        names << QByteArray(entry->d_name);
    }
    ::closedir(dir);
    std::sort(names.begin(), names.end());
    return true;
}

// A reader of its own for a directory held open.
DIR* ReaderOf(int fd) {
    const int copy = ::dup(fd);
    DIR* dir = copy >= 0 ? ::fdopendir(copy) : nullptr;
    if (!dir && copy >= 0)
        ::close(copy);
    return dir;
}

} // namespace

OpenDirectory::~OpenDirectory() {
    if (m_fd >= 0)
        ::close(m_fd);
}

WalkCursor::WalkCursor(const QByteArray& directory) : m_pending(Enter(directory, nullptr)) {}

WalkEntry WalkCursor::Enter(const QByteArray& directory, const struct stat* info) {
    // Deeper than this the directories are looked up by path, so that the walk never runs out of
    // file descriptors.
    constexpr size_t MaxOpenLevels = 256;
    const int fd =
        m_levels.size() < MaxOpenLevels
            ? ::open(directory.constData(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC)
            : -1;
    std::shared_ptr<const OpenDirectory> open;
    if (fd >= 0)
        open = std::make_shared<const OpenDirectory>(fd);
    QList<QByteArray> names;
    if (!ReadDirectoryNames(open ? ReaderOf(fd) : ::opendir(directory.constData()), names)) {
        WalkEntry unreadable;
        unreadable.Path = directory;
        unreadable.UnreadableDirectory = true;
        return unreadable;
    }
    WalkEntry entered;
    entered.Path = directory;
    entered.Directory = open;
    entered.EnteredDirectory = true;
    if (info) {
        entered.Info = *info;
        entered.Stated = true;
    } else {
        entered.Stated = (open ? ::fstat(fd, &entered.Info)
                               : ::lstat(directory.constData(), &entered.Info)) == 0;
    }
    m_levels.push_back({directory, std::move(open), std::move(names), 0});
    return entered;
}

std::optional<WalkEntry> WalkCursor::Next() {
    if (m_pending)
        return std::exchange(m_pending, std::nullopt);
    while (!m_levels.empty()) {
        Level& level = m_levels.back();
        if (level.Next == level.Names.size()) {
            m_levels.pop_back();
            continue;
        }
        WalkEntry entry;
        entry.Name = level.Names.at(level.Next++);
        entry.Path = level.Directory + entry.Name;
        entry.Directory = level.Open;
        entry.Stated = (level.Open ? ::fstatat(level.Open->Fd(), entry.Name.constData(),
                                               &entry.Info, AT_SYMLINK_NOFOLLOW)
                                   : ::lstat(entry.Path.constData(), &entry.Info)) == 0;
        if (entry.Stated && S_ISDIR(entry.Info.st_mode))
            return Enter(entry.Path + '/', &entry.Info);
        return entry;
    }
    return std::nullopt;
}

} // namespace orvane
