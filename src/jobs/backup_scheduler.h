#pragma once

#include <QDateTime>
#include <functional>
#include <optional>

namespace orvane {

struct Settings;

// The daily autostart ("Autostart Backup at:" on the days of "Backup Days"). It keeps no thread
// and no timer: whoever drives it calls Tick now and then (the window once a minute and after
// every command, the command line once a minute). Each tick looks at every minute since the
// previous one, so every minute of the day is checked exactly once however the ticks fall: a
// late tick, a clock that jumps forward or a machine suspended over the set minute still finds
// it, and starts one backup, not one per day missed. A minute that comes round again because
// the clock was set back does not start a second backup.
class BackupScheduler {
public:
    using Clock = std::function<QDateTime()>;

    enum class Decision {
        Nothing,
        StartBackup,          // start the backup for Slot now
        BackupAlreadyRunning, // Slot came while a backup runs: that run stands for it
        Held,                 // Slot came during another tape operation; it starts once that ends
    };
    struct TickResult {
        Decision Action = Decision::Nothing;
        QDateTime Slot; // the set time the decision is about (local time, whole minute)
    };

    // The minutes before the one `clock` shows at construction count as checked.
    explicit BackupScheduler(Clock clock = &QDateTime::currentDateTime);

    // `backupRunning`: BackupRunning. `operationRunning`: another tape operation (a restore,
    // verify, catalog load or tape command) is at work, and no backup may start inside it.
    TickResult Tick(const Settings& settings, bool backupRunning, bool operationRunning);

    // A set time that came during another tape operation and waits for its end.
    std::optional<QDateTime> HeldSlot() const { return m_held; }

private:
    // The latest set time in (m_checkedUpTo, upTo] on an allowed day.
    std::optional<QDateTime> DueSlot(const Settings& settings, const QDateTime& upTo) const;
    TickResult Start(const QDateTime& slot);

    Clock m_clock;
    QDateTime m_checkedUpTo;
    QDateTime m_lastHandled;
    std::optional<QDateTime> m_held;
};

} // namespace orvane
