#pragma once

#include "integrations/soft_compression.h"
#include "integrations/zip_memory_archive.h"
#include "integrations/zip_outcome.h"

#include <QByteArray>
#include <QString>
#include <atomic>
#include <condition_variable>
#include <ctime>
#include <deque>
#include <memory>
#include <mutex>
#include <sys/stat.h>
#include <thread>
#include <vector>

namespace orvane {

// What a file was when it was packed: identity, length and modification time. A file whose stamp
// has changed by the time the writer reaches it is packed again.
struct FileStamp {
    dev_t Device = 0;
    ino_t Inode = 0;
    off_t Size = -1;
    timespec Modified{};

    static FileStamp Of(const struct stat& info);
    bool operator==(const FileStamp& other) const;
};

class CompressionAhead;

// The names of the work files packed ahead ("orvane_backup-N.zip"), with the temporary files the
// zip component writes beside them while it makes one.
inline const QString PackedAheadWorkFilePattern = QStringLiteral("orvane_backup-*.zip*");

// One file packed ahead, handed to the writer. While it lives it keeps its place among the
// results in flight; releasing it frees its memory and removes its work file.
class PackedAhead {
public:
    PackedAhead() = default;
    PackedAhead(PackedAhead&& other) noexcept;
    PackedAhead& operator=(PackedAhead&& other) noexcept;
    PackedAhead(const PackedAhead&) = delete;
    PackedAhead& operator=(const PackedAhead&) = delete;
    ~PackedAhead() { Reset(); }

    explicit operator bool() const { return m_job != nullptr; }
    // The zip component's answer; a failure is reported by the writer, in file order.
    const ZipOutcome& Outcome() const;
    // The archive of a file that fits in memory, else null.
    MemoryArchive& Memory();
    // The archive of a larger file, else empty.
    const QString& WorkFile() const;

    void Reset();

private:
    friend class CompressionAhead;
    struct Job;
    PackedAhead(CompressionAhead* owner, std::shared_ptr<Job> job);

    CompressionAhead* m_owner = nullptr;
    std::shared_ptr<Job> m_job;
};

// Packs the next files of a backup in worker threads while the writer streams the current one to
// tape, so that deflating, the slow part, runs on every core. The walk names the files it will
// write, in writing order; the writer takes each result when it reaches the file. A file the
// writer passes over, or wants before it was named, is left to the writer.
//
// Results wait in memory (files up to SoftCompression::MemoryLimit) or in a work file of their
// own (larger ones). Their number and their bytes are bounded, so a backup keeps its memory and
// disk use whatever it holds. The workers touch nothing but the files they pack and their own
// results: every message, the protocol, the tape and the window stay with the writer's thread.
class CompressionAhead {
public:
    // Source bytes of the archives held in memory at once, the one on its way to tape included:
    // three of the largest files packed in memory.
    static constexpr qint64 MemoryBudget = 3 * SoftCompression::MemoryLimit;
    // Source bytes of larger files packed ahead into work files at once. A file larger still is
    // packed ahead only while no other work file waits.
    static constexpr qint64 WorkFileBudget = qint64(512) * 1024 * 1024;
    static constexpr int MaxWorkers = 4;

    // One worker per core, at least one.
    static int DefaultWorkerCount();

    explicit CompressionAhead(int workers = DefaultWorkerCount());
    CompressionAhead(const CompressionAhead&) = delete;
    CompressionAhead& operator=(const CompressionAhead&) = delete;
    ~CompressionAhead();

    // Results in flight at most (packing, waiting or being written): one per worker and the
    // one on its way to tape. Naming more files ahead than this gains nothing.
    int Capacity() const { return m_workers + 1; }

    // Names the next file the writer will pack: `size` bytes, deflated at `level`. Larger files
    // wait in work files in `workDirectory`. Starts the workers when they are not running.
    void Prepare(const QByteArray& path, qint64 size, int level, const QString& workDirectory);

    // The result for `path` when it was named and the file still has `now`'s stamp; files named
    // before it are passed over and dropped. Waits while it is being packed, keeping the window
    // alive; once `cancelFlag` is raised the files after it are given up (this one is finished,
    // as the file being written always is). Empty: the writer packs the file itself.
    PackedAhead Take(const QByteArray& path, const struct stat& now, const bool& cancelFlag);

    // Gives up every file not taken, removes their work files and ends the workers.
    void Stop();

    // Worker threads alive, and the most source bytes ever held in memory at once.
    int ThreadCount() const;
    qint64 PeakMemoryBytes() const;

private:
    friend class PackedAhead;
    using Job = PackedAhead::Job;

    void Work();
    std::shared_ptr<Job> NextToStart() const;
    void Admit(Job& job);
    // Gives a result's place back; returns the work file to remove.
    QString Unadmit(Job& job);
    void Release(const std::shared_ptr<Job>& job);
    // Drops the queued jobs [first, last); returns the work files to remove.
    QStringList DropLocked(std::deque<std::shared_ptr<Job>>::iterator first,
                           std::deque<std::shared_ptr<Job>>::iterator last);
    static void RemoveFiles(const QStringList& files);

    const int m_workers;
    mutable std::mutex m_mutex;
    std::condition_variable m_wake;           // a job to start, or the end
    std::condition_variable m_changed;        // a job finished
    std::deque<std::shared_ptr<Job>> m_queue; // named and not taken, in writing order
    std::vector<std::thread> m_threads;
    bool m_stopping = false;
    int m_inFlight = 0;
    qint64 m_memoryBytes = 0;
    qint64 m_workFileBytes = 0;
    int m_workFilesInFlight = 0;
    qint64 m_peakMemoryBytes = 0;
    quint64 m_serial = 0;
};

} // namespace orvane
