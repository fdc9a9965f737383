#include "backup_scheduler.h"

#include "config/settings.h"

namespace orvane {

namespace {

QDateTime WholeMinute(const QDateTime& time) {
    const QTime clock = time.time();
    return QDateTime(time.date(), QTime(clock.hour(), clock.minute()));
}

// The weekly day pattern repeats: the latest set time of a long gap lies in its last week.
constexpr int DaysLookedBack = 7;

} // namespace

BackupScheduler::BackupScheduler(Clock clock)
    : m_clock(std::move(clock)), m_checkedUpTo(WholeMinute(m_clock()).addSecs(-60)) {}

std::optional<QDateTime> BackupScheduler::DueSlot(const Settings& settings,
                                                  const QDateTime& upTo) const {
    const QTime setTime(settings.AutostartHour, settings.AutostartMinute);
    if (!setTime.isValid())
        return std::nullopt;
    const QDate first = std::max(m_checkedUpTo.date(), upTo.date().addDays(-DaysLookedBack));
    for (QDate day = upTo.date(); day >= first; day = day.addDays(-1)) {
        const QDateTime slot(day, setTime);
        if (slot > m_checkedUpTo && slot <= upTo &&
            settings.BackupDays[size_t(day.dayOfWeek() - 1)])
            return slot;
    }
    return std::nullopt;
}

BackupScheduler::TickResult BackupScheduler::Start(const QDateTime& slot) {
    m_held.reset();
    m_lastHandled = slot;
    return {Decision::StartBackup, slot};
}

BackupScheduler::TickResult BackupScheduler::Tick(const Settings& settings, bool backupRunning,
                                                  bool operationRunning) {
    const QDateTime now = WholeMinute(m_clock());
    std::optional<QDateTime> due;
    if (now > m_checkedUpTo)
        due = DueSlot(settings, now);
    // Set back, the clock checks its minutes again; m_lastHandled keeps a set time from
    // being handled twice.
    m_checkedUpTo = now;

    if (!settings.AutostartBackup) {
        m_held.reset();
        return {};
    }
    if (due && *due == m_lastHandled)
        due.reset();
    if (due)
        m_held = due;
    if (!m_held)
        return {};
    const QDateTime slot = *m_held;
    if (backupRunning) {
        m_held.reset();
        m_lastHandled = slot;
        return {Decision::BackupAlreadyRunning, slot};
    }
    if (operationRunning)
        return {due ? Decision::Held : Decision::Nothing, slot};
    return Start(slot);
}

} // namespace orvane
