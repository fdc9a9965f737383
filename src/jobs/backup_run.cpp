#include "backup_run.h"

#include "archive/backup_inclusion.h"
#include "archive/backup_size_walk.h"
#include "archive/backup_writer.h"
#include "archive/end_marker_io.h"
#include "backup_plan.h"
#include "backup_summary.h"
#include "config/path_list.h"
#include "disk/disk_image_backup.h"
#include "external_command_run.h"
#include "mail_report.h"
#include "platform/date_time_text.h"
#include "platform/message_pump.h"
#include "platform/operator_interface.h"
#include "platform/path_bytes.h"
#include "session.h"
#include "tape/tape_access.h"
#include "tape/tape_date.h"
#include "tape/tape_description_io.h"
#include "work_directory_claim.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <cerrno>
#include <optional>
#include <sys/stat.h>

namespace orvane {

namespace {

constexpr int64_t Megabyte = 1048576;

void AddErrorBlock(Session& session, const QString& text) {
    session.Protocol.AddBlockOpening();
    session.Protocol.AddProtocolLine(text);
    session.Protocol.AddProtocolLine(QString());
}

// A wait time in whole seconds; nothing, after the error was shown, when the text is not one.
std::optional<int> WaitSeconds(Session& session, const QString& text) {
    const WaitTime wait = ParseWaitTime(text);
    if (!wait.Seconds) {
        session.Op.ShowError(wait.Error);
        AddErrorBlock(session, wait.Error);
    }
    return wait.Seconds;
}

// The wait after a started command; the window stays alive and its Cancel is heard. False when
// the run was cancelled meanwhile.
bool WaitAfterCommand(Session& session, int seconds) {
    return WaitDispatching(qint64(seconds) * 1000, [&session] { return session.CancelFlag; });
}

// Ends a run that stops before any tape access, leaving the window idle. The run failed: the
// cancel flag says so to whoever started it (the exit status of the command line).
void EndEarly(Session& session) {
    RestoreCursor(session);
    LeaveBusyMode(session);
    session.BackupRunning = false;
    session.CancelFlag = true;
}

// "harddisk N": the disk number, or nothing for any other line. A number that is not one names
// no disk (-1), rather than disk 0.
std::optional<int> DiskImageEntry(const QStringList& list) {
    if (list.isEmpty() || !list.first().startsWith(QLatin1String("harddisk")))
        return std::nullopt;
    bool ok = false;
    const int number = list.first().mid(9).trimmed().toInt(&ok);
    return ok && number >= 0 ? number : -1;
}

void StartNewTapeSet(Session& session) {
    TapeDescription& description = session.CurrentTapeDescription;
    description.Label = QByteArrayLiteral("Tape");
    description.Date = ToTapeDate(QDateTime::currentDateTime());
    description.TapeNumber = 1;
    WriteTapeDescription(session, description);
}

// The list entries that name nothing on the disk (a disk line is not a path). Each gets a
// protocol line and counts as skipped; the rest of the list is written without them.
QStringList MissingEntries(Session& session, BackupWriterState& state, const QStringList& list) {
    QStringList missing;
    for (const QString& entry : list) {
        struct stat info;
        if (QDir::isAbsolutePath(entry) && ::lstat(PathToBytes(entry).constData(), &info) != 0 &&
            (errno == ENOENT || errno == ENOTDIR)) {
            missing << entry;
            session.Protocol.AddProtocolLine(QStringLiteral("Not found: ") + entry);
            state.Displays.FileSkipped(session.Op);
        }
    }
    return missing;
}

// Writes every list entry, then the catalog and the end marker. Returns whether the run was
// cancelled (or failed) before the catalog went to tape.
bool WriteTapeSet(Session& session, BackupWriterState& state, const QStringList& list) {
    const Settings& settings = session.Settings;
    const bool compress = settings.SoftCompression;
    session.TapeSetAbandoned = false;
    if (settings.Append && session.DescriptionUnreadable) {
        // The set to append to may be on this tape: a new set would overwrite it.
        AddErrorBlock(session, QStringLiteral("Append not possible: the tape description could "
                                              "not be read. Nothing was written to tape."));
        session.Op.ShowError(QStringLiteral("Append not possible: the tape description could "
                                            "not be read."));
        return true;
    }
    if (settings.Append && session.DescriptionValid) {
        SAVE_FILES_TO_TAPE(session, state, list.first(), compress, SaveMode::Append);
    } else {
        StartNewTapeSet(session);
        SAVE_FILES_TO_TAPE(session, state, list.first(), compress, SaveMode::NewSet);
    }
    PumpMessages(1);
    for (qsizetype i = 1; i < list.size(); ++i) {
        SAVE_FILES_TO_TAPE(session, state, list.at(i), compress, SaveMode::Continue);
        PumpMessages(1);
    }

    const bool catalogComplete = CloseCatalogFile(state);
    const bool cancelled = session.CancelFlag;
    // A cancelled run still seals what it wrote, so that its catalog can be loaded.
    session.CancelFlag = false;
    // Without a tape to go on with (a refused append, a given-up tape change, a failed write)
    // nothing more can be written: the tapes written so far still read sequentially.
    if (!state.StreamReady || session.TapeSetAbandoned || session.WriteFailed) {
        if (session.WriteFailed)
            AddErrorBlock(session, QStringLiteral("The tape set was not closed: a block could not "
                                                  "be written. Its files up to the failure can "
                                                  "be read with a sequential catalog load."));
        QFile::remove(session.Paths.CatalogFilePath);
        return true;
    }
    if (!catalogComplete)
        AddErrorBlock(session, QStringLiteral("The catalog file could not be written completely."));
    const StreamPosition catalogStart = SaveCatalogToTape(session, state, compress);
    PumpMessages(10);
    session.TapeSetSealed = WriteEndMarker(session, catalogStart);
    return cancelled || !catalogComplete;
}

void WriteSummary(Session& session, BackupWriterState& state, const QElapsedTimer& clock) {
    const QString summary =
        QStringLiteral("Backup finished at: ") + NowText() + QStringLiteral("  Elapsed Time: ") +
        ElapsedTimeText(clock.elapsed()) + QStringLiteral("  <") +
        QString::number(session.Counters.SourceBytes / Megabyte) + QStringLiteral("MB>");
    session.Op.SetStatus(summary);

    ProtocolLog& protocol = session.Protocol;
    protocol.AddProtocolLine(QString());
    state.Displays.ShowFileCount(session.Op, session.Counters.FileCount);
    const BackupDisplays& displays = state.Displays;
    protocol.AddProtocolLine(DisplayValueText(displays.Files()) +
                             QStringLiteral(" Files proceded."));
    protocol.AddProtocolLine(DisplayValueText(displays.Skipped()) +
                             QStringLiteral(" Files skipped."));
    protocol.AddProtocolLine(DisplayValueText(displays.Megabytes()) +
                             QStringLiteral(" MB proceded."));
    protocol.AddProtocolLine(DisplayValueText(displays.CompressedMegabytes()) +
                             QStringLiteral(" Compressed MB proceded."));
    protocol.AddProtocolLine(DisplayValueText(displays.Rate()) + QStringLiteral(" MB/s"));
    protocol.AddProtocolLine(QString());
    protocol.AddProtocolLine(summary);
}

// False when the run ends here: a wait time that is not a whole number.
bool RunPostBackupCommand(Session& session, const BackupRunSteps& steps) {
    const Settings& settings = session.Settings;
    if (settings.CommandAfter.isEmpty() || !steps.RunExternalCommand)
        return true;
    if (steps.RunExternalCommand(settings.CommandAfter)) {
        const auto seconds = WaitSeconds(session, settings.CommandAfterWait);
        if (!seconds)
            return false;
        WaitAfterCommand(session, *seconds);
        return true;
    }
    session.CancelFlag = true;
    AddErrorBlock(session, QStringLiteral("Error in after Backup Parameter"));
    return true;
}

} // namespace

void RunBackup(Session& session, const BackupRunSteps& steps) {
    Settings& settings = session.Settings;
    OperatorInterface& op = session.Op;
    NormalizePathList(settings.ExcludeList);
    NormalizePathList(settings.BackupList);

    if (steps.ClearMailBody)
        steps.ClearMailBody();
    session.CancelFlag = false;
    session.WriteFailed = false;
    session.TapeSetSealed = false;
    const WorkDirectoryClaim claim(session);
    if (!claim)
        return;
    session.BackupRunning = true;
    op.ShowView(OperatorView::BackupRun);
    BackupWriterState state(settings.ExcludeList, settings.ShortProtocol);
    state.Displays.Reset(op);
    session.Counters.FileCount = 0;
    session.Counters.MissingEntries = 0;

    QElapsedTimer runClock;
    runClock.start();
    session.Counters.SourceBytes = 0;
    session.Counters.TapeBytes = 0;
    session.Compression.SetLevel(settings.CompressionLevel);
    EnterBusyMode(session);
    SetBusyCursor(session);

    session.Protocol.AddBlockOpening();
    session.Protocol.AddProtocolLine(QStringLiteral("Backup startet at: ") + NowText());
    session.Protocol.AddProtocolLine(QString());

    if (!settings.CommandBefore.isEmpty() && steps.RunExternalCommand) {
        if (!steps.RunExternalCommand(settings.CommandBefore)) {
            EndEarly(session);
            AddErrorBlock(session, QStringLiteral("Error in before Backup Parameter"));
            return;
        }
        const auto seconds = WaitSeconds(session, settings.CommandBeforeWait);
        if (!seconds) {
            EndEarly(session);
            return;
        }
        if (!WaitAfterCommand(session, *seconds)) {
            EndEarly(session);
            AddErrorBlock(session, QStringLiteral("Backup cancelled during the wait time of the "
                                                  "before Backup command: nothing was written."));
            return;
        }
    }

    bool cancelled = false;
    if (const auto disk = DiskImageEntry(settings.BackupList)) {
        BackupDiskImage(session, state, *disk,
                        {.Append = settings.Append, .SoftCompression = settings.SoftCompression});
        cancelled = session.CancelFlag;
        session.TapeSetSealed = !cancelled;
    } else if (settings.BackupList.isEmpty()) {
        const QString text =
            QStringLiteral("The backup list is empty: nothing was written to tape.");
        session.Protocol.AddProtocolLine(text);
        cancelled = true;
    } else {
        QStringList list = settings.BackupList;
        const QStringList missing = MissingEntries(session, state, list);
        session.Counters.MissingEntries = missing.size();
        for (const QString& entry : missing)
            list.removeOne(entry);
        if (list.isEmpty()) {
            // A mistyped path must not cost the set that is on the tape.
            session.Protocol.AddProtocolLine(QStringLiteral(
                "None of the paths of the backup list exists: nothing was written to tape."));
            cancelled = true;
        } else {
            TapeHandlePtr probe = OpenTape(session);
            const bool driveReady = probe != nullptr;
            CloseTape(probe, 1);
            if (driveReady) {
                BackupSizeWalk sizes(EntryPaths(list), OwnPathsOf(session, state),
                                     state.ExcludePrefixes);
                // The clock starts here, so that a before-command's wait does not count.
                session.Progress.Start();
                session.Progress.SetTotalSource([&sizes] { return sizes.Total(); });
                cancelled = WriteTapeSet(session, state, list);
                session.Progress.SetTotal(cancelled ? sizes.Total() : sizes.WaitForTotal());
            }
        }
    }

    session.Progress.Finish();
    WriteSummary(session, state, runClock);
    RestoreCursor(session);
    LeaveBusyMode(session);
    if (cancelled)
        session.CancelFlag = true;

    if (!session.CancelFlag && settings.VerifyAfterBackup && steps.VerifyBackup)
        steps.VerifyBackup();
    op.ShowView(OperatorView::Protocol);
    if (!session.CancelFlag && settings.EjectAfterBackup)
        EjectTape(session, false);
    session.BackupRunning = false;
    if (!RunPostBackupCommand(session, steps))
        return;
    if (settings.MailAfterBackup) {
        if (steps.SendMailReport)
            steps.SendMailReport();
        else
            SendMailReport(session, LastRunProtocol(session));
    }
    if (!session.CancelFlag && settings.ExitAfterBackup && steps.ExitApplication)
        steps.ExitApplication();
}

void ConfirmCancel(OperatorInterface& op, bool& cancelFlag) {
    if (op.MessageBox(QStringLiteral("Do you want to cancel this operation?"), QString(),
                      MessageIcon::Question, MessageButtons::YesNo) != MessageAnswer::Yes)
        return;
    op.MessageBox(QStringLiteral("canceld."), QString(), MessageIcon::Information,
                  MessageButtons::Ok);
    cancelFlag = true;
}

} // namespace orvane
