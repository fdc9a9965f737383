#pragma once

#include <QByteArray>
#include <QList>
#include <QStringList>
#include <cstdint>
#include <functional>

namespace orvane {

class Session;

// What a backup of the settings' lists would write, found without a tape.
struct BackupPlan {
    int64_t Files = 0;
    int64_t Bytes = 0;        // the files' sizes
    int64_t TapeBytes = 0;    // with their headers and catalog records, before compression
    QStringList Missing;      // list entries that name nothing
    int64_t TapeCapacity = 0; // bytes a tape of the drive holds; 0 when it does not say
    // Tapes needed at most (soft compression may need fewer); 0 without a capacity.
    int64_t Tapes() const;
};

// Walks the backup list by the writer's rules and hands every file it would write to `file`.
BackupPlan PlanBackup(Session& session,
                      const std::function<void(const QByteArray& path, int64_t size)>& file);

// The absolute paths of the backup list as the writer takes them; a relative one is skipped there.
QList<QByteArray> EntryPaths(const QStringList& list);

} // namespace orvane
