#include "cli_app.h"
#include "jobs/backup_run.h"
#include "jobs/backup_scheduler.h"
#include "jobs/external_command_run.h"
#include "jobs/scheduled_backup.h"
#include "jobs/session.h"
#include "jobs/session_job_file.h"
#include "jobs/verify_run.h"
#include "stop_signals.h"
#include "terminal_operator.h"

#include <QEventLoop>
#include <QFileInfo>
#include <QTimer>

namespace orvane::cli {

namespace {

constexpr int DailyCheckIntervalMs = 60000;
constexpr int DelayedStartMs = 2000;

// The scheduler of the window without the window: the delayed start (tape description, and a
// backup when "Begin with  Backupprocedure at Start" asks for one), then the daily autostart,
// until SIGINT or SIGTERM. A signal during a backup cancels it as the Cancel button does: the
// run still writes its catalog and end marker, and the exit status is 1.
class HeadlessScheduler {
public:
    explicit HeadlessScheduler(Session& session) : m_session(session) {
        m_steps.VerifyBackup = VerifyAfterBackupStep(session);
        m_steps.RunExternalCommand = ExternalCommandStep(session.Op);
        // "Exit Orvane after Backup" ends a program with a window; a scheduler goes on.
    }

    int Run() {
        QObject::connect(&m_stop, &StopSignals::Received, [this] { Stop(); });
        QTimer daily;
        daily.setTimerType(Qt::PreciseTimer);
        daily.setInterval(DailyCheckIntervalMs);
        QObject::connect(&daily, &QTimer::timeout, [this] { Tick(); });
        daily.start();
        QTimer::singleShot(DelayedStartMs, [this] { Work([this] { DelayedStart(); }); });
        return m_loop.exec();
    }

private:
    void DelayedStart() {
        m_session.DelayedStart();
        if (ApplyStartArguments(m_session, QString(), QString()))
            RunBackup(m_session, m_steps);
    }

    void Tick() {
        const BackupScheduler::TickResult tick =
            m_scheduler.Tick(m_session.Settings, m_session.BackupRunning, m_working);
        if (tick.Action == BackupScheduler::Decision::StartBackup)
            Work([&] { CarryOutAutostart(m_session, tick, m_steps); });
        else
            CarryOutAutostart(m_session, tick, m_steps);
    }

    // Runs one piece of work; a stop that came meanwhile ends the loop after it, and an
    // autostart held back by it starts now.
    template <typename Job> void Work(Job job) {
        m_working = true;
        job();
        m_working = false;
        if (m_stopRequested) {
            m_loop.exit(m_session.CancelFlag ? 1 : 0);
            return;
        }
        Tick();
    }

    void Stop() {
        m_stopRequested = true;
        if (!m_working) {
            m_loop.exit(0);
            return;
        }
        m_session.Op.SetStatus(QStringLiteral("Stopping: the running job is cancelled."));
        m_session.CancelFlag = true;
    }

    Session& m_session;
    BackupRunSteps m_steps;
    BackupScheduler m_scheduler;
    StopSignals m_stop;
    QEventLoop m_loop;
    bool m_working = false;
    bool m_stopRequested = false;
};

} // namespace

int ScheduleCommand(CommandEnvironment& env) {
    Session& session = env.Session;
    QStringList args = env.Args;
    const QString job = TakeValue(args, QStringLiteral("--job"));
    if (!args.isEmpty())
        throw UsageError{QStringLiteral("schedule takes no arguments but --job FILE")};
    if (!job.isNull() && job.isEmpty())
        throw UsageError{QStringLiteral("--job needs a file")};
    if (!job.isNull()) {
        if (!QFileInfo(job).isFile()) {
            env.Op.Print(QStringLiteral("No job file ") + job);
            return 1;
        }
        session.JobFilePath = QFileInfo(job).absoluteFilePath();
        // An error has been said in the status and the protocol.
        if (!LoadSessionJobFile(session).isEmpty())
            return 1;
        // The --set values hold for this run, over the job file; their notices were shown once.
        QString shown;
        QTextStream notices(&shown);
        ApplyAssignments(session.Settings, env.Overrides, notices);
    }

    // Nobody answers questions here.
    env.Op.SetAssumeYes(true);
    HeadlessScheduler scheduler(session);
    session.Start();
    return scheduler.Run();
}

} // namespace orvane::cli
