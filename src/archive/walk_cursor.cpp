#include "walk_cursor.h"

#include <algorithm>
#include <cstring>
#include <dirent.h>
#include <utility>

namespace orvane {

namespace {

// False when the directory cannot be read.
bool ReadDirectoryNames(const QByteArray& directory, QList<QByteArray>& names) {
    DIR* dir = ::opendir(directory.constData());
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

} // namespace

WalkCursor::WalkCursor(const QByteArray& directory) : m_pending(Enter(directory)) {}

std::optional<WalkEntry> WalkCursor::Enter(const QByteArray& directory) {
    QList<QByteArray> names;
    if (!ReadDirectoryNames(directory, names)) {
        WalkEntry unreadable;
        unreadable.path = directory;
        unreadable.unreadableDirectory = true;
        return unreadable;
    }
    m_levels.push_back({directory, std::move(names), 0});
    return std::nullopt;
}

std::optional<WalkEntry> WalkCursor::Next() {
    if (m_pending)
        return std::exchange(m_pending, std::nullopt);
    while (!m_levels.empty()) {
        Level& level = m_levels.back();
        if (level.next == level.names.size()) {
            m_levels.pop_back();
            continue;
        }
        WalkEntry entry;
        entry.path = level.directory + level.names.at(level.next++);
        entry.stated = ::lstat(entry.path.constData(), &entry.info) == 0;
        if (entry.stated && S_ISDIR(entry.info.st_mode)) {
            if (auto unreadable = Enter(entry.path + '/'))
                return unreadable;
            continue;
        }
        return entry;
    }
    return std::nullopt;
}

} // namespace orvane
