#include "restore_run.h"

#include "archive/backup_inclusion.h"
#include "archive/tape_reader.h"
#include "backup_summary.h"
#include "catalog_first_tape.h"
#include "catalog_load.h"
#include "catalog_paths.h"
#include "catalog_stream.h"
#include "config/path_list.h"
#include "own_records.h"
#include "platform/date_time_text.h"
#include "platform/message_pump.h"
#include "platform/operator_interface.h"
#include "platform/protocol_log.h"
#include "restore_match.h"
#include "restore_one_file.h"
#include "restore_place.h"
#include "restore_seek.h"
#include "session.h"
#include "work_directory_claim.h"

#include <QElapsedTimer>
#include <QFile>

namespace orvane {

namespace {

constexpr int64_t Megabyte = 1048576;

void ShowDisplays(Session& session) {
    const RunCounters& counters = session.Counters;
    session.Op.ShowRestoreProgress({.RestoredMiB = counters.RestoredBytes / Megabyte,
                                    .TapeMiB = counters.TapeBytes / Megabyte});
}

// The first line that selects the file decides; `used` marks the lines that selected one.
RestoreSelection SelectionFor(const QStringList& lines, const QByteArray& tapePath,
                              QList<bool>& used) {
    for (qsizetype i = 0; i < lines.size(); ++i) {
        if (const RestoreSelection selection = MatchRestoreLine(tapePath, lines.at(i));
            selection != RestoreSelection::NotSelected) {
            used[i] = true;
            return selection;
        }
    }
    return RestoreSelection::NotSelected;
}

// "Skip the rest": the operator wants no more files, so the tape need not be read further.
bool SkipsTheRest(const Session& session) {
    return session.RestoreQuestionsLeft == Session::RestoreQuestions::SkipAll;
}

// A line that selected nothing in the whole set is a mistake the operator must hear of; only a
// set that was read to its end can tell.
void ReportUnusedLines(Session& session, const QStringList& lines, const QList<bool>& used) {
    for (qsizetype i = 0; i < lines.size(); ++i)
        if (!used.at(i))
            ReportNotRestored(session, QStringLiteral("Not found on tape: ") + lines.at(i));
}

// A selected record that may be the writer's own, waiting in the work directory.
OwnRecordWatch::Actions HeldRestore(Session& session, const QByteArray& tapePath,
                                    RestorePlace place) {
    auto kept = std::make_shared<RestorePlace>(std::move(place));
    return {[&session, tapePath, kept] { RestoreOneFile(session, tapePath, *kept); },
            [&session, tapePath] {
                session.PackedRecord.reset();
                QFile::remove(WorkFileFor(session, tapePath));
            }};
}

// Reads the next record and restores it when `select` picks it. Only the data of selected files
// that may be written is read; the rest is passed over. The record's path; empty at the end of
// the set and when the read failed.
QByteArray RestoreNextRecord(Session& session, TapeHandlePtr& handle, OwnRecordWatch& watch,
                             const std::function<RestoreSelection(const TapeFileHeader&)>& select) {
    RestoreSelection selection = RestoreSelection::NotSelected;
    RestorePlace place;
    bool mayBeHeld = false;
    const QByteArray tapePath = ReadNextRecord(session, handle, [&](const TapeFileHeader& header) {
        watch.Next(header);
        selection = select(header);
        if (selection != RestoreSelection::Selected)
            return RecordSink::Skip();
        place = RestorePlace::For(session.Settings.RestoreTarget, header.Path);
        if (!place.Refusal().isEmpty())
            return RecordSink::Skip();
        if (KeptByOverwriteNever(session, place)) {
            selection = RestoreSelection::NotSelected;
            return RecordSink::Skip();
        }
        // A plain record goes straight into a copy beside its destination, unless it may be the
        // writer's own: that waits in the work directory until it is known.
        mayBeHeld = OwnRecordWatch::MayBeHeld(header);
        if (!header.Compressed && !mayBeHeld && place.StartCopy(header.Permissions))
            return RecordSink::Consumer(
                [&place](std::span<const char> piece) { place.WriteCopy(piece); });
        return RecordSink::WorkFile(false);
    });
    ShowDisplays(session);
    if (tapePath.isEmpty() || session.CancelFlag)
        place.DropCopy(); // the partial copy of a read that was broken off
    else if (selection == RestoreSelection::Selected && !place.Refusal().isEmpty())
        ReportNotRestored(session, place.Refusal());
    else if (selection == RestoreSelection::Selected && !mayBeHeld)
        RestoreOneFile(session, tapePath, place);
    else if (selection == RestoreSelection::Selected)
        watch.Take(session.LastHeader, HeldRestore(session, tapePath, std::move(place)));
    else if (selection == RestoreSelection::Refused)
        ReportNotRestored(session,
                          QStringLiteral("Not restored, the path leads out of its directory: ") +
                              TapePathText(tapePath));
    PumpMessages(1);
    return tapePath;
}

struct SeekOutcome {
    size_t Done = 0;    // selected records handled, in writing order
    bool Whole = false; // false: a place did not hold its record, the set is to be walked
};

// Restores the selected records by going straight to each, through the places of the catalog
// kept for the set. A place that does not hold its record ends it with a protocol line. Nothing
// when no catalog is kept for the set.
std::optional<SeekOutcome> RestoreBySeeking(Session& session, const QStringList& lines,
                                            QList<bool>& used) {
    // Tapes are counted from tape 1 of a numbered set, which the run has asked for.
    if (session.CurrentTapeDescription.TapeNumber != 1 || session.LegacyTape)
        return std::nullopt;
    const std::optional<std::vector<RecordPlace>> places =
        PlacesFromKeptCatalog(session, [&](const QByteArray& path) {
            return SelectionFor(lines, path, used) != RestoreSelection::NotSelected;
        });
    if (!places)
        return std::nullopt;
    SeekOutcome outcome;
    TapeHandlePtr handle = OpenTape(session);
    if (!handle)
        return outcome;
    // The window gets its turn now, as the walk gives it while the tape rewinds.
    DrainMessages();
    QList<bool> again(lines.size(), false); // the lines' use is known from the catalog already
    OwnRecordWatch watch(session);
    session.Stream.StartBlock(0); // nothing read yet: the first record is positioned to
    outcome.Whole = true;
    int tape = 1; // where the last record read ended
    for (const RecordPlace& place : *places) {
        PumpMessages(1);
        if (session.CancelFlag || SkipsTheRest(session))
            break;
        if (!SeekRecord(session, handle, place, tape + place.TapeChanges)) {
            outcome.Whole = session.CancelFlag;
            if (!session.CancelFlag)
                session.Protocol.AddProtocolLine(
                    QStringLiteral("The catalog's place of %1 does not hold it: the set is read "
                                   "from its start.")
                        .arg(TapePathText(place.Path)));
            break;
        }
        const QByteArray tapePath =
            RestoreNextRecord(session, handle, watch, [&](const TapeFileHeader& header) {
                return SelectionFor(lines, header.Path, again);
            });
        if (tapePath.isEmpty() || session.CancelFlag)
            break;
        ++outcome.Done;
        tape = session.CurrentTapeDescription.TapeNumber;
    }
    watch.Finish();
    session.Stream.LimitRunsTo(-1);
    CloseTape(handle, 1);
    RemoveBrokenWorkCopy(session);
    return outcome;
}

// Reads the whole set from tape 1 on and restores what the lines select, passing over the first
// `alreadyDone` selected records.
void RestoreByWalking(Session& session, const QStringList& lines, QList<bool>& used,
                      size_t alreadyDone) {
    TapeHandlePtr handle = OpenStreamAtFirstRecord(session);
    if (!handle)
        return;
    OwnRecordWatch watch(session);
    size_t passed = 0;
    for (;;) {
        PumpMessages(1);
        const QByteArray tapePath =
            RestoreNextRecord(session, handle, watch, [&](const TapeFileHeader& header) {
                if (watch.IsFiller(header))
                    return RestoreSelection::NotSelected;
                const RestoreSelection selection = SelectionFor(lines, header.Path, used);
                if (selection != RestoreSelection::NotSelected && passed < alreadyDone) {
                    ++passed;
                    return RestoreSelection::NotSelected;
                }
                return selection;
            });
        if (tapePath.isEmpty() || session.CancelFlag || SkipsTheRest(session))
            break;
    }
    watch.Finish();
    CloseTape(handle, 1);
    RemoveBrokenWorkCopy(session);
}

void RestoreFromTape(Session& session, const QStringList& lines) {
    QList<bool> used(lines.size(), false);
    const std::optional<SeekOutcome> sought = RestoreBySeeking(session, lines, used);
    if (!sought || (!sought->Whole && !session.CancelFlag && !SkipsTheRest(session))) {
        if (sought)
            EnsureFirstTape(session);
        if (!session.CancelFlag)
            RestoreByWalking(session, lines, used, sought ? sought->Done : 0);
    }
    if (!session.CancelFlag && !session.ReadFailed && !SkipsTheRest(session))
        ReportUnusedLines(session, lines, used);
}

} // namespace

void WriteRestoreSummary(Session& session, const QElapsedTimer& clock) {
    const QString summary = QStringLiteral("Restore finished at: ") + NowText() +
                            QStringLiteral("  Elapsed Time: ") + ElapsedTimeText(clock.elapsed());
    session.Op.SetStatus(summary);
    ProtocolLog& protocol = session.Protocol;
    protocol.AddProtocolLine(QString());
    protocol.AddProtocolLine(DisplayValueText(double(session.Counters.FileCount)) +
                             QStringLiteral(" Files proceded."));
    if (session.Counters.NotRestoredCount > 0)
        protocol.AddProtocolLine(DisplayValueText(double(session.Counters.NotRestoredCount)) +
                                 QStringLiteral(" Files not restored."));
    protocol.AddProtocolLine(DisplayValueText(double(session.Counters.RestoredBytes / Megabyte)) +
                             QStringLiteral(" MB."));
    protocol.AddProtocolLine(QString());
    protocol.AddProtocolLine(summary);
    protocol.AddProtocolLine(QString());
}

void RunRestore(Session& session) {
    OperatorInterface& op = session.Op;
    QStringList lines = session.Settings.RestoreList;
    NormalizePathList(lines);
    if (lines.isEmpty()) {
        op.ShowMessage(QStringLiteral("No Files or Directories selected!"));
        return;
    }

    session.CancelFlag = false;
    session.ReadFailed = false;
    session.RestoreQuestionsLeft = Session::RestoreQuestions::Ask;
    const WorkDirectoryClaim claim(session);
    if (!claim)
        return;
    QElapsedTimer clock;
    clock.start();
    op.ShowView(OperatorView::RestoreRun);
    EnterBusyMode(session);
    SetBusyCursor(session);
    session.Protocol.AddBlockOpening();
    session.Protocol.AddProtocolLine(QStringLiteral("Restore startet at: ") + NowText());
    session.Protocol.AddProtocolLine(QString());

    EnsureFirstTape(session);
    if (!session.CancelFlag)
        SetBlockSize(session);
    session.Counters.RestoredBytes = 0;
    session.Counters.TapeBytes = 0;
    session.Counters.FileCount = 0;
    session.Counters.NotRestoredCount = 0;
    op.ShowRestoreProgress({.Files = 0});
    ShowDisplays(session);
    if (!session.CancelFlag)
        RestoreFromTape(session, lines);

    WriteRestoreSummary(session, clock);
    RestoreCursor(session);
    QFile::remove(session.Paths.CatalogFilePath);
    QFile::remove(session.Paths.SoftCompressionArchivePath);
    LeaveBusyMode(session);
    op.ShowView(OperatorView::Protocol);
}

} // namespace orvane
