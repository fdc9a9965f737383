#include "config/settings.h"
#include "jobs/backup_scheduler.h"

#include <gtest/gtest.h>

using namespace orvane;

namespace {

// A scheduler on a clock the test moves, with a backup that lasts as long as the test says.
class SchedulerClock {
public:
    explicit SchedulerClock(const QDateTime& start)
        : Now(start), Scheduler([this] { return Now; }) {
        Settings.AutostartHour = 21;
        Settings.AutostartMinute = 30;
    }

    // Ticks every `stepSeconds` until `until`; returns the times at which backups started.
    QList<QDateTime> RunUntil(const QDateTime& until, int stepSeconds = 60) {
        QList<QDateTime> starts;
        while (Now < until) {
            Now = Now.addSecs(stepSeconds);
            const bool operation = OperationUntil.isValid() && Now < OperationUntil;
            const bool backup = BackupUntil.isValid() && Now < BackupUntil;
            const auto tick = Scheduler.Tick(Settings, backup, operation);
            Decisions.push_back(tick.Action);
            if (tick.Action == BackupScheduler::Decision::StartBackup)
                starts << Now;
        }
        return starts;
    }

    QDateTime Now;
    BackupScheduler Scheduler;
    orvane::Settings Settings;
    QDateTime BackupUntil;    // a backup started by hand runs until then
    QDateTime OperationUntil; // a restore or tape command runs until then
    std::vector<BackupScheduler::Decision> Decisions;
};

// Thursday, 10 December 2026.
QDateTime At(int day, int hour, int minute, int second = 0) {
    return QDateTime(QDate(2026, 12, day), QTime(hour, minute, second));
}

TEST(BackupScheduler, StartsExactlyOnceInTheSetMinuteOnEveryDayWhateverTheTickPhase) {
    for (const int phase : {0, 1, 29, 59}) {
        SchedulerClock clock(At(7, 0, 0, phase)); // a Monday
        const QList<QDateTime> starts = clock.RunUntil(At(14, 0, 0, phase));
        ASSERT_EQ(starts.size(), 7) << "phase " << phase;
        for (const QDateTime& start : starts) {
            EXPECT_EQ(start.time().hour(), 21);
            EXPECT_EQ(start.time().minute(), 30) << start.toString().toStdString();
        }
    }
}

TEST(BackupScheduler, UncheckedDaysAndAnUncheckedAutostartStartNothing) {
    SchedulerClock clock(At(7, 0, 0)); // Monday
    clock.Settings.BackupDays = {true, false, true, false, false, false, false};
    const QList<QDateTime> starts = clock.RunUntil(At(14, 0, 0));
    ASSERT_EQ(starts.size(), 2);
    EXPECT_EQ(starts[0].date().dayOfWeek(), 1);
    EXPECT_EQ(starts[1].date().dayOfWeek(), 3);

    SchedulerClock off(At(7, 0, 0));
    off.Settings.AutostartBackup = false;
    EXPECT_TRUE(off.RunUntil(At(14, 0, 0)).isEmpty());
}

TEST(BackupScheduler, ABackupStartedByHandBeforeTheSetTimeGetsNoSecondRun) {
    SchedulerClock clock(At(10, 21, 0, 20));
    clock.BackupUntil = At(10, 21, 45);
    EXPECT_TRUE(clock.RunUntil(At(11, 0, 0), 7).isEmpty());
    EXPECT_EQ(std::count(clock.Decisions.begin(), clock.Decisions.end(),
                         BackupScheduler::Decision::BackupAlreadyRunning),
              1)
        << "said once, not left without a word";
}

TEST(BackupScheduler, ASetTimeDuringAnotherOperationStartsOnceItEnds) {
    SchedulerClock clock(At(10, 21, 0, 10));
    clock.OperationUntil = At(10, 21, 42, 15);
    const QList<QDateTime> starts = clock.RunUntil(At(11, 0, 0), 5);
    ASSERT_EQ(starts.size(), 1);
    EXPECT_EQ(starts[0], At(10, 21, 42, 15));
    EXPECT_FALSE(clock.Scheduler.HeldSlot());
}

TEST(BackupScheduler, ClockJumpsStartTheSetTimeOnce) {
    struct Case {
        const char* Name;
        QDateTime JumpTo;
        int Starts;
    };
    const Case cases[] = {
        {"over the set minute", At(10, 22, 15), 1},
        {"suspended for three days", At(13, 9, 0), 1},
    };
    for (const Case& c : cases) {
        SchedulerClock clock(At(10, 21, 0));
        clock.RunUntil(At(10, 21, 10));
        clock.Now = c.JumpTo;
        const auto tick = clock.Scheduler.Tick(clock.Settings, false, false);
        const int started = tick.Action == BackupScheduler::Decision::StartBackup ? 1 : 0;
        EXPECT_EQ(started + clock.RunUntil(c.JumpTo.addSecs(30)).size(), c.Starts) << c.Name;
    }
}

TEST(BackupScheduler, AClockSetBackOverTheSetTimeDoesNotStartItAgain) {
    SchedulerClock clock(At(10, 21, 0));
    ASSERT_EQ(clock.RunUntil(At(10, 21, 40)).size(), 1);
    clock.Now = At(10, 21, 20);
    EXPECT_TRUE(clock.RunUntil(At(10, 23, 0)).isEmpty());
    EXPECT_EQ(clock.RunUntil(At(11, 22, 0)).size(), 1) << "the next day starts again";
}

} // namespace
