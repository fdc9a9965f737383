#include "compression_ahead.h"

#include "integrations/zip_pack.h"
#include "platform/message_pump.h"

#include <QDir>
#include <QFile>
#include <QThread>
#include <algorithm>
#include <chrono>
#include <system_error>
#include <zip.h>

namespace orvane {

namespace {

// How often the window is kept alive while the writer waits for a result.
constexpr std::chrono::milliseconds PumpInterval(20);

const QString StaleWorkFilePattern = QStringLiteral("orvane_backup-*.zip");

QString WorkFileName(quint64 serial) {
    return QStringLiteral("orvane_backup-%1.zip").arg(serial);
}

} // namespace

struct PackedAhead::Job {
    enum class State { Waiting, Packing, Done };

    QByteArray path;
    qint64 size = 0;
    int level = SoftCompression::DefaultLevel;
    QString workFile; // empty: packed in memory

    State state = State::Waiting;
    bool admitted = false; // counted among the results in flight
    bool dropped = false;  // no longer wanted: its worker cleans up
    std::atomic<bool> cancelled{false};

    FileStamp stamp;
    ZipOutcome outcome;
    MemoryArchive memory;

    bool inMemory() const { return workFile.isEmpty(); }
};

FileStamp FileStamp::Of(const struct stat& info) {
    return {info.st_dev, info.st_ino, info.st_size, info.st_mtim};
}

bool FileStamp::operator==(const FileStamp& other) const {
    return device == other.device && inode == other.inode && size == other.size &&
           modified.tv_sec == other.modified.tv_sec && modified.tv_nsec == other.modified.tv_nsec;
}

PackedAhead::PackedAhead(CompressionAhead* owner, std::shared_ptr<Job> job)
    : m_owner(owner), m_job(std::move(job)) {}

PackedAhead::PackedAhead(PackedAhead&& other) noexcept
    : m_owner(other.m_owner), m_job(std::move(other.m_job)) {}

PackedAhead& PackedAhead::operator=(PackedAhead&& other) noexcept {
    if (this != &other) {
        reset();
        m_owner = other.m_owner;
        m_job = std::move(other.m_job);
    }
    return *this;
}

const ZipOutcome& PackedAhead::outcome() const {
    return m_job->outcome;
}

MemoryArchive& PackedAhead::memory() {
    return m_job->memory;
}

const QString& PackedAhead::workFile() const {
    return m_job->workFile;
}

void PackedAhead::reset() {
    if (m_job)
        m_owner->Release(m_job);
    m_job.reset();
}

int CompressionAhead::DefaultWorkerCount() {
    return qBound(1, QThread::idealThreadCount(), MaxWorkers);
}

CompressionAhead::CompressionAhead(int workers) : m_workers(qBound(1, workers, MaxWorkers)) {}

CompressionAhead::~CompressionAhead() {
    Stop();
}

void CompressionAhead::Prepare(const QByteArray& path, qint64 size, int level,
                               const QString& workDirectory) {
    auto job = std::make_shared<Job>();
    job->path = path;
    job->size = size;
    job->level = level;
    if (!SoftCompression::FitsInMemory(size)) {
        RemoveStaleWorkFiles(workDirectory);
        job->workFile = workDirectory + WorkFileName(++m_serial);
    }
    {
        std::lock_guard lock(m_mutex);
        m_queue.push_back(std::move(job));
    }
    if (m_threads.empty()) {
        try {
            for (int i = 0; i < m_workers; ++i)
                m_threads.emplace_back([this] { Work(); });
        } catch (const std::system_error&) {
            // Without a worker nothing is packed ahead: the writer packs every file itself.
            if (m_threads.empty()) {
                std::lock_guard lock(m_mutex);
                m_queue.clear();
                return;
            }
        }
    }
    m_wake.notify_one();
}

PackedAhead CompressionAhead::Take(const QByteArray& path, const struct stat& now,
                                   const bool& cancelFlag) {
    QStringList unwanted;
    std::shared_ptr<Job> job;
    {
        std::unique_lock lock(m_mutex);
        const auto found = std::find_if(m_queue.begin(), m_queue.end(),
                                        [&](const auto& queued) { return queued->path == path; });
        if (found == m_queue.end())
            return {};
        unwanted = DropLocked(m_queue.begin(), found);
        job = m_queue.front();
        bool restGivenUp = false;
        while (job->state != Job::State::Done) {
            if (cancelFlag && !restGivenUp) {
                unwanted += DropLocked(m_queue.begin() + 1, m_queue.end());
                restGivenUp = true;
            }
            m_changed.wait_for(lock, PumpInterval);
            if (job->state == Job::State::Done)
                break;
            lock.unlock();
            PumpMessages(1);
            lock.lock();
        }
        m_queue.pop_front();
    }
    RemoveFiles(unwanted);
    if (!(job->stamp == FileStamp::Of(now))) {
        Release(job);
        return {};
    }
    return PackedAhead(this, std::move(job));
}

void CompressionAhead::Stop() {
    QStringList unwanted;
    {
        std::lock_guard lock(m_mutex);
        unwanted = DropLocked(m_queue.begin(), m_queue.end());
        m_stopping = true;
    }
    m_wake.notify_all();
    for (std::thread& thread : m_threads)
        thread.join();
    m_threads.clear();
    {
        std::lock_guard lock(m_mutex);
        m_stopping = false;
    }
    RemoveFiles(unwanted);
}

int CompressionAhead::ThreadCount() const {
    std::lock_guard lock(m_mutex);
    return int(m_threads.size());
}

qint64 CompressionAhead::PeakMemoryBytes() const {
    std::lock_guard lock(m_mutex);
    return m_peakMemoryBytes;
}

void CompressionAhead::Work() {
    std::unique_lock lock(m_mutex);
    for (;;) {
        std::shared_ptr<Job> job;
        m_wake.wait(lock, [&] { return m_stopping || (job = NextToStart()) != nullptr; });
        if (m_stopping)
            return;
        job->state = Job::State::Packing;
        Admit(*job);
        lock.unlock();

        struct stat info {};
        if (::stat(job->path.constData(), &info) == 0)
            job->stamp = FileStamp::Of(info);
        const PackControl control{false, &job->cancelled};
        const QString filePath = QFile::decodeName(job->path);
        try {
            job->outcome = job->inMemory()
                               ? PackFileInMemory(filePath, job->level, job->memory, control)
                               : PackFile(job->workFile, filePath, job->level, control);
        } catch (...) {
            job->memory = MemoryArchive();
            job->outcome = ZipOutcome::fromCode(ZIP_ER_MEMORY);
        }

        lock.lock();
        job->state = Job::State::Done;
        if (job->dropped) {
            const QString workFile = Unadmit(*job);
            MemoryArchive unwanted = std::move(job->memory);
            lock.unlock();
            RemoveFiles({workFile});
            unwanted = MemoryArchive();
            lock.lock();
            m_wake.notify_all();
        }
        m_changed.notify_all();
    }
}

// The first job not started, when the results in flight leave room for it. Jobs start in writing
// order only, so that the one the writer waits for is never held up by later ones.
std::shared_ptr<PackedAhead::Job> CompressionAhead::NextToStart() const {
    const auto waiting = std::find_if(m_queue.begin(), m_queue.end(), [](const auto& job) {
        return job->state == Job::State::Waiting;
    });
    if (waiting == m_queue.end() || m_inFlight >= Capacity())
        return nullptr;
    const Job& job = **waiting;
    const bool room =
        job.inMemory() ? m_memoryBytes == 0 || m_memoryBytes + job.size <= MemoryBudget
                       : m_workFilesInFlight == 0 || m_workFileBytes + job.size <= WorkFileBudget;
    return room ? *waiting : nullptr;
}

void CompressionAhead::Admit(Job& job) {
    job.admitted = true;
    ++m_inFlight;
    if (job.inMemory()) {
        m_memoryBytes += job.size;
        m_peakMemoryBytes = std::max(m_peakMemoryBytes, m_memoryBytes);
    } else {
        m_workFileBytes += job.size;
        ++m_workFilesInFlight;
    }
}

QString CompressionAhead::Unadmit(Job& job) {
    if (!job.admitted)
        return {};
    job.admitted = false;
    --m_inFlight;
    if (job.inMemory()) {
        m_memoryBytes -= job.size;
        return {};
    }
    m_workFileBytes -= job.size;
    --m_workFilesInFlight;
    return job.workFile;
}

void CompressionAhead::Release(const std::shared_ptr<Job>& job) {
    QString workFile;
    MemoryArchive memory;
    {
        std::lock_guard lock(m_mutex);
        workFile = Unadmit(*job);
        memory = std::move(job->memory);
    }
    m_wake.notify_all();
    RemoveFiles({workFile});
}

QStringList CompressionAhead::DropLocked(std::deque<std::shared_ptr<Job>>::iterator first,
                                         std::deque<std::shared_ptr<Job>>::iterator last) {
    QStringList workFiles;
    for (auto it = first; it != last; ++it) {
        Job& job = **it;
        job.cancelled = true;
        if (job.state == Job::State::Packing) {
            job.dropped = true;
        } else if (job.state == Job::State::Done) {
            if (const QString workFile = Unadmit(job); !workFile.isEmpty())
                workFiles << workFile;
            job.memory = MemoryArchive();
        }
    }
    m_queue.erase(first, last);
    m_wake.notify_all();
    return workFiles;
}

void CompressionAhead::RemoveFiles(const QStringList& files) {
    for (const QString& file : files)
        if (!file.isEmpty())
            QFile::remove(file);
}

// Work files left by a run that ended without cleaning up are never used again.
void CompressionAhead::RemoveStaleWorkFiles(const QString& workDirectory) {
    if (m_staleRemoved)
        return;
    m_staleRemoved = true;
    const QDir directory(workDirectory);
    for (const QString& name : directory.entryList({StaleWorkFilePattern}, QDir::Files))
        QFile::remove(directory.filePath(name));
}

} // namespace orvane
