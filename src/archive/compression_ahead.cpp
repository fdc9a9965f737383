#include "compression_ahead.h"

#include "integrations/zip_pack.h"
#include "platform/message_pump.h"
#include "platform/path_bytes.h"

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

QString WorkFileName(quint64 serial) {
    return QStringLiteral("orvane_backup-%1.zip").arg(serial);
}

} // namespace

struct PackedAhead::Job {
    enum class State { Waiting, Packing, Done };

    QByteArray Path;
    qint64 Size = 0;
    int Level = SoftCompression::DefaultLevel;
    QString WorkFile; // empty: packed in memory

    State State = State::Waiting;
    bool Admitted = false; // counted among the results in flight
    bool Dropped = false;  // no longer wanted: its worker cleans up
    std::atomic<bool> Cancelled{false};

    FileStamp Stamp;
    ZipOutcome Outcome;
    MemoryArchive Memory;

    bool InMemory() const { return WorkFile.isEmpty(); }
};

FileStamp FileStamp::Of(const struct stat& info) {
    return {info.st_dev, info.st_ino, info.st_size, info.st_mtim};
}

bool FileStamp::operator==(const FileStamp& other) const {
    return Device == other.Device && Inode == other.Inode && Size == other.Size &&
           Modified.tv_sec == other.Modified.tv_sec && Modified.tv_nsec == other.Modified.tv_nsec;
}

PackedAhead::PackedAhead(CompressionAhead* owner, std::shared_ptr<Job> job)
    : m_owner(owner), m_job(std::move(job)) {}

PackedAhead::PackedAhead(PackedAhead&& other) noexcept
    : m_owner(other.m_owner), m_job(std::move(other.m_job)) {}

PackedAhead& PackedAhead::operator=(PackedAhead&& other) noexcept {
    if (this != &other) {
        Reset();
        m_owner = other.m_owner;
        m_job = std::move(other.m_job);
    }
    return *this;
}

const ZipOutcome& PackedAhead::Outcome() const {
    return m_job->Outcome;
}

MemoryArchive& PackedAhead::Memory() {
    return m_job->Memory;
}

const QString& PackedAhead::WorkFile() const {
    return m_job->WorkFile;
}

void PackedAhead::Reset() {
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
    job->Path = path;
    job->Size = size;
    job->Level = level;
    if (!SoftCompression::FitsInMemory(size)) {
        job->WorkFile = workDirectory + WorkFileName(++m_serial);
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
                                        [&](const auto& queued) { return queued->Path == path; });
        if (found == m_queue.end())
            return {};
        unwanted = DropLocked(m_queue.begin(), found);
        job = m_queue.front();
        bool restGivenUp = false;
        while (job->State != Job::State::Done) {
            if (cancelFlag && !restGivenUp) {
                unwanted += DropLocked(m_queue.begin() + 1, m_queue.end());
                restGivenUp = true;
            }
            m_changed.wait_for(lock, PumpInterval);
            if (job->State == Job::State::Done)
                break;
            lock.unlock();
            PumpMessages(1);
            lock.lock();
        }
        m_queue.pop_front();
    }
    RemoveFiles(unwanted);
    if (!(job->Stamp == FileStamp::Of(now))) {
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
        job->State = Job::State::Packing;
        Admit(*job);
        lock.unlock();

        struct stat info {};
        if (::stat(job->Path.constData(), &info) == 0)
            job->Stamp = FileStamp::Of(info);
        const PackControl control{false, &job->Cancelled};
        const QString filePath = PathFromBytes(job->Path);
        try {
            job->Outcome = job->InMemory()
                               ? PackFileInMemory(filePath, job->Level, job->Memory, control)
                               : PackFile(job->WorkFile, filePath, job->Level, control);
        } catch (...) {
            job->Memory = MemoryArchive();
            job->Outcome = ZipOutcome::FromCode(ZIP_ER_MEMORY);
        }

        lock.lock();
        job->State = Job::State::Done;
        if (job->Dropped) {
            const QString workFile = Unadmit(*job);
            MemoryArchive unwanted = std::move(job->Memory);
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
        return job->State == Job::State::Waiting;
    });
    if (waiting == m_queue.end() || m_inFlight >= Capacity())
        return nullptr;
    const Job& job = **waiting;
    const bool room =
        job.InMemory() ? m_memoryBytes == 0 || m_memoryBytes + job.Size <= MemoryBudget
                       : m_workFilesInFlight == 0 || m_workFileBytes + job.Size <= WorkFileBudget;
    return room ? *waiting : nullptr;
}

void CompressionAhead::Admit(Job& job) {
    job.Admitted = true;
    ++m_inFlight;
    if (job.InMemory()) {
        m_memoryBytes += job.Size;
        m_peakMemoryBytes = std::max(m_peakMemoryBytes, m_memoryBytes);
    } else {
        m_workFileBytes += job.Size;
        ++m_workFilesInFlight;
    }
}

QString CompressionAhead::Unadmit(Job& job) {
    if (!job.Admitted)
        return {};
    job.Admitted = false;
    --m_inFlight;
    if (job.InMemory()) {
        m_memoryBytes -= job.Size;
        return {};
    }
    m_workFileBytes -= job.Size;
    --m_workFilesInFlight;
    return job.WorkFile;
}

void CompressionAhead::Release(const std::shared_ptr<Job>& job) {
    QString workFile;
    MemoryArchive memory;
    {
        std::lock_guard lock(m_mutex);
        workFile = Unadmit(*job);
        memory = std::move(job->Memory);
    }
    m_wake.notify_all();
    RemoveFiles({workFile});
}

QStringList CompressionAhead::DropLocked(std::deque<std::shared_ptr<Job>>::iterator first,
                                         std::deque<std::shared_ptr<Job>>::iterator last) {
    QStringList workFiles;
    for (auto it = first; it != last; ++it) {
        Job& job = **it;
        job.Cancelled = true;
        if (job.State == Job::State::Packing) {
            job.Dropped = true;
        } else if (job.State == Job::State::Done) {
            if (const QString workFile = Unadmit(job); !workFile.isEmpty())
                workFiles << workFile;
            job.Memory = MemoryArchive();
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

} // namespace orvane
