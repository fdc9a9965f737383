#include "backup_size_walk.h"

#include "backup_inclusion.h"
#include "walk_cursor.h"

#include <sys/stat.h>

namespace orvane {

BackupSizeWalk::BackupSizeWalk(QList<QByteArray> entries, BackupWriterState::OwnPaths own,
                               QList<QByteArray> excludes)
    : m_thread([this, entries = std::move(entries), own = std::move(own),
                excludes = std::move(excludes)](const std::stop_token& stop) {
          int64_t total = 0;
          WalkBackedUpFiles(
              entries, own, excludes, [&stop] { return stop.stop_requested(); },
              [&total](const QByteArray&, const struct stat& info) { total += info.st_size; });
          if (!stop.stop_requested())
              m_total.store(total, std::memory_order_release);
      }) {}

BackupSizeWalk::~BackupSizeWalk() {
    m_thread.request_stop();
}

int64_t BackupSizeWalk::WaitForTotal() {
    if (m_thread.joinable())
        m_thread.join();
    return Total();
}

void WalkBackedUpFiles(const QList<QByteArray>& entries, const BackupWriterState::OwnPaths& own,
                       const QList<QByteArray>& excludes, const std::function<bool()>& stop,
                       const std::function<void(const QByteArray&, const struct stat&)>& file) {
    const auto take = [&](const QByteArray& path, const struct stat& info) {
        if (S_ISREG(info.st_mode) && IsIncludedPath(own, excludes, false, path))
            file(path, info);
    };
    for (const QByteArray& entry : entries) {
        if (!entry.endsWith('/')) {
            struct stat info {};
            if (::lstat(entry.constData(), &info) == 0)
                take(entry, info);
            continue;
        }
        WalkCursor cursor(entry);
        while (const std::optional<WalkEntry> next = cursor.Next()) {
            if (stop())
                return;
            if (next->Stated)
                take(next->Path, next->Info);
        }
    }
}

} // namespace orvane
