#include "disk_restore_run.h"

#include "archive/backup_writer_state.h"
#include "catalog_first_tape.h"
#include "disk/disk_image_backup.h"
#include "disk/disk_image_restore.h"
#include "platform/date_time_text.h"
#include "platform/operator_interface.h"
#include "platform/protocol_log.h"
#include "restore_run.h"
#include "session.h"
#include "tape/tape_access.h"
#include "work_directory_claim.h"

#include <QElapsedTimer>

namespace orvane {

void RunDiskRestore(Session& session, int diskNumber) {
    OperatorInterface& op = session.Op;
    session.CancelFlag = false;
    session.ReadFailed = false;
    const WorkDirectoryClaim claim(session);
    if (!claim)
        return;
    QElapsedTimer clock;
    clock.start();
    op.ShowView(OperatorView::RestoreRun);
    EnterBusyMode(session);
    SetBusyCursor(session);
    ProtocolLog& protocol = session.Protocol;
    protocol.AddBlockOpening();
    protocol.AddProtocolLine(QStringLiteral("Restore startet at: ") + NowText());
    protocol.AddProtocolLine(QString());

    session.Counters.FileCount = 0;
    session.Counters.RestoredBytes = 0;
    session.Counters.NotRestoredCount = 0;
    EnsureFirstTape(session);
    if (!session.CancelFlag)
        RestoreDiskImage(session, diskNumber);

    WriteRestoreSummary(session, clock);
    RestoreCursor(session);
    LeaveBusyMode(session);
    op.ShowView(OperatorView::Protocol);
}

void RunDiskImageBackup(Session& session, int diskNumber) {
    session.CancelFlag = false;
    session.WriteFailed = false;
    const WorkDirectoryClaim claim(session);
    if (!claim)
        return;
    OperatorInterface& op = session.Op;
    op.ShowView(OperatorView::BackupRun);
    EnterBusyMode(session);
    SetBusyCursor(session);
    session.BackupRunning = true;
    const Settings& settings = session.Settings;
    BackupWriterState state(settings.ExcludeList, settings.ShortProtocol);
    state.Displays.Reset(op);
    session.Counters.FileCount = 0;
    session.Counters.SourceBytes = 0;
    session.Counters.TapeBytes = 0;
    session.Compression.SetLevel(settings.CompressionLevel);
    BackupDiskImage(session, state, diskNumber,
                    {.Append = false, .SoftCompression = settings.SoftCompression});
    session.TapeSetSealed = !session.CancelFlag;
    RestoreCursor(session);
    LeaveBusyMode(session);
    session.BackupRunning = false;
}

} // namespace orvane
