#include "backup_size_walk.h"

#include "backup_inclusion.h"
#include "walk_cursor.h"

#include <sys/stat.h>

namespace orvane {

BackupSizeWalk::BackupSizeWalk(QList<QByteArray> entries, BackupWriterState::OwnPaths own,
                               QList<QByteArray> excludes)
    : m_thread([this, entries = std::move(entries), own = std::move(own),
                excludes = std::move(excludes)](const std::stop_token& stop) {
          Walk(stop, entries, own, excludes);
      }) {}

BackupSizeWalk::~BackupSizeWalk() {
    m_thread.request_stop();
}

int64_t BackupSizeWalk::WaitForTotal() {
    if (m_thread.joinable())
        m_thread.join();
    return Total();
}

void BackupSizeWalk::Walk(const std::stop_token& stop, const QList<QByteArray>& entries,
                          const BackupWriterState::OwnPaths& own,
                          const QList<QByteArray>& excludes) {
    int64_t total = 0;
    const auto count = [&](const QByteArray& path, const struct stat& info) {
        if (S_ISREG(info.st_mode) && IsIncludedPath(own, excludes, false, path))
            total += info.st_size;
    };
    for (const QByteArray& entry : entries) {
        if (!entry.endsWith('/')) {
            struct stat info {};
            if (::lstat(entry.constData(), &info) == 0)
                count(entry, info);
            continue;
        }
        WalkCursor cursor(entry);
        while (const std::optional<WalkEntry> next = cursor.Next()) {
            if (stop.stop_requested())
                return;
            if (next->Stated)
                count(next->Path, next->Info);
        }
    }
    m_total.store(total, std::memory_order_release);
}

} // namespace orvane
