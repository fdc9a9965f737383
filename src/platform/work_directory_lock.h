#pragma once

#include <QString>

namespace orvane {

// The claim of one run on a program directory's work files: an exclusive flock on a lock file
// beside the work directory (ProgramPaths::WorkLockPath). Whoever holds it is the only job using
// the work files, so any work file found then was left by a run that ended without cleaning up. The
// kernel drops the lock when its holder dies, a kill -9 included. Claims nest within one object;
// two objects (two sessions, two processes) exclude each other.
class WorkDirectoryLock {
public:
    explicit WorkDirectoryLock(QString lockPath);
    WorkDirectoryLock(const WorkDirectoryLock&) = delete;
    WorkDirectoryLock& operator=(const WorkDirectoryLock&) = delete;
    ~WorkDirectoryLock();

    // Takes the lock without waiting. True when held now (the first claim, or a nested one);
    // false when another holder has it or the lock file cannot be made (`error` says which).
    bool TryAcquire(QString& error);
    // Gives up one claim; the last one releases the lock.
    void Release();
    bool Held() const { return m_claims > 0; }

private:
    QString m_path;
    int m_fd = -1;
    int m_claims = 0;
};

} // namespace orvane
