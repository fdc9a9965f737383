#include "scheduled_backup.h"

#include "backup_run.h"
#include "platform/message_pump.h"
#include "platform/operator_interface.h"
#include "session.h"
#include "session_job_file.h"
#include "tape/tape_access.h"

#include <QFileInfo>
#include <QLocale>

namespace orvane {

namespace {

QString SlotText(const QDateTime& slot) {
    return QLocale().toString(slot, QLocale::ShortFormat);
}

} // namespace

void CarryOutAutostart(Session& session, const BackupScheduler::TickResult& tick,
                       const BackupRunSteps& steps) {
    switch (tick.Action) {
    case BackupScheduler::Decision::Nothing:
    case BackupScheduler::Decision::Held:
        return;
    case BackupScheduler::Decision::BackupAlreadyRunning:
        session.Protocol.AddProtocolLine(QStringLiteral("Autostart Backup at ") +
                                         SlotText(tick.Slot) +
                                         QStringLiteral(": a backup is running, none more "
                                                        "started."));
        return;
    case BackupScheduler::Decision::StartBackup:
        break;
    }
    const QDateTime now = QDateTime::currentDateTime();
    if (tick.Slot.secsTo(now) >= 60)
        session.Protocol.AddProtocolLine(QStringLiteral("Autostart Backup at ") +
                                         SlotText(tick.Slot) + QStringLiteral(" starts late, at ") +
                                         SlotText(now) + QLatin1Char('.'));
    RewindWithStatus(session);
    PumpMessages(10);
    RunBackup(session, steps);
}

bool ApplyStartArguments(Session& session, const QString& jobFile, const QString& startWord) {
    if (jobFile.isEmpty() || !QFileInfo(jobFile).isFile())
        return session.Settings.BackupAtStart;
    PumpMessages(10);
    session.JobFilePath = jobFile;
    LoadSessionJobFile(session);
    return startWord.toLower() == QLatin1String("start") || session.Settings.BackupAtStart;
}

} // namespace orvane
