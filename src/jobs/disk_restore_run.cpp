#include "disk_restore_run.h"

#include "backup_summary.h"
#include "catalog_first_tape.h"
#include "disk/disk_image_restore.h"
#include "platform/date_time_text.h"
#include "platform/operator_interface.h"
#include "platform/protocol_log.h"
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
    EnsureFirstTape(session);
    if (!session.CancelFlag)
        RestoreDiskImage(session, diskNumber);

    const QString summary = QStringLiteral("Restore finished at: ") + NowText() +
                            QStringLiteral("  Elapsed Time: ") + ElapsedTimeText(clock.elapsed());
    op.SetStatus(summary);
    protocol.AddProtocolLine(QString());
    protocol.AddProtocolLine(DisplayValueText(double(session.Counters.FileCount)) +
                             QStringLiteral(" Files proceded."));
    protocol.AddProtocolLine(DisplayValueText(double(session.Counters.RestoredBytes / 1048576)) +
                             QStringLiteral(" MB."));
    protocol.AddProtocolLine(QString());
    protocol.AddProtocolLine(summary);
    protocol.AddProtocolLine(QString());
    RestoreCursor(session);
    LeaveBusyMode(session);
    op.ShowView(OperatorView::Protocol);
}

} // namespace orvane
