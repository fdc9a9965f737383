#pragma once

#include "backup_writer_state.h"

#include <QByteArray>
#include <QList>
#include <atomic>
#include <cstdint>
#include <functional>
#include <sys/stat.h>
#include <thread>

namespace orvane {

// Hands every regular file the writer would back up to `file`, by the writer's rules (no symbolic
// link followed, excluded and own files left out), until `stop` says so. `entries`: the backup
// list, a directory ending in '/'.
void WalkBackedUpFiles(const QList<QByteArray>& entries, const BackupWriterState::OwnPaths& own,
                       const QList<QByteArray>& excludes, const std::function<bool()>& stop,
                       const std::function<void(const QByteArray&, const struct stat&)>& file);

// Adds up the sizes of the files a backup will write, on a thread of its own that runs ahead of
// the writer, so that the run can tell how far it has come and how long it still needs. It
// follows the writer's rules (no symbolic link followed, excluded and own files left out), and
// the writer never waits for it.
class BackupSizeWalk {
public:
    // `entries`: the backup list, a directory ending in '/'.
    BackupSizeWalk(QList<QByteArray> entries, BackupWriterState::OwnPaths own,
                   QList<QByteArray> excludes);
    ~BackupSizeWalk(); // stops the walk and waits for it

    BackupSizeWalk(const BackupSizeWalk&) = delete;
    BackupSizeWalk& operator=(const BackupSizeWalk&) = delete;

    // The total once the walk has ended, -1 before.
    int64_t Total() const { return m_total.load(std::memory_order_acquire); }
    // Waits for the walk to end. Once the writer has written the same files, that is soon.
    int64_t WaitForTotal();

private:
    std::atomic<int64_t> m_total{-1};
    std::jthread m_thread;
};

} // namespace orvane
