#include "verify_run.h"

#include "archive/backup_inclusion.h"
#include "archive/metadata_record_io.h"
#include "archive/tape_reader.h"
#include "backup_summary.h"
#include "catalog_first_tape.h"
#include "catalog_paths.h"
#include "catalog_stream.h"
#include "own_records.h"
#include "platform/date_time_text.h"
#include "platform/message_pump.h"
#include "platform/operator_interface.h"
#include "platform/protocol_log.h"
#include "session.h"
#include "tape/tape_description_io.h"
#include "verify_compare.h"
#include "verify_metadata.h"
#include "work_directory_claim.h"

#include <QElapsedTimer>
#include <QFile>
#include <optional>

namespace orvane {

namespace {

constexpr int64_t Megabyte = 1048576;

// The older description file belongs to the tape and is not compared; the writer's catalog and
// filler are told apart by where they stand (OwnRecordWatch).
bool IsComparedRecord(const QByteArray& tapePath) {
    return FileNamePart(tapePath) != "header.tap";
}

void CountVerdict(Session& session, VerifyResult& result, const QByteArray& tapePath, bool equal,
                  QSet<QByteArray>& verifiedOk) {
    const QString diskPath = TapePathText(tapePath);
    if (equal) {
        verifiedOk.insert(tapePath);
        const QString line = diskPath + QStringLiteral("   OK");
        session.Op.AppendVerifyLine(line);
        if (!session.Settings.ShortProtocol)
            session.Protocol.AddProtocolLine(line);
        result.VerifiedOk += 1;
    } else {
        result.VerifiedDefect += 1;
    }
}

void VerifyFromTape(Session& session, VerifyResult& result) {
    TapeHandlePtr handle = OpenStreamAtFirstRecord(session);
    if (!handle)
        return;
    session.Counters.TapeBytes = 0;
    int64_t files = 0;
    OwnRecordWatch watch(session);
    MetadataCollector metadata;
    QSet<QByteArray> verifiedOk;
    for (;;) {
        // A plain record is compared with the disk while it streams past; a compressed one is
        // unpacked into the work directory first, as is one that may be the writer's own.
        std::optional<DiskComparison> comparison;
        bool filler = false;
        bool metadataRecord = false;
        const QByteArray tapePath =
            ReadNextRecord(session, handle, [&](const TapeFileHeader& header) {
                watch.Next(header);
                if (header.Kind == TapeFileHeader::RecordKind::Metadata) {
                    metadataRecord = true;
                    return metadata.Sink();
                }
                filler = watch.IsFiller(header);
                if (filler || !IsComparedRecord(header.Path))
                    return RecordSink::Skip();
                if (header.Compressed || OwnRecordWatch::MayBeHeld(header))
                    return RecordSink::WorkFile(true);
                comparison.emplace(TapePathText(header.Path), WorkFileFor(session, header.Path),
                                   int64_t(header.DataLength));
                return RecordSink::Consumer(
                    [&comparison](std::span<const char> bytes) { comparison->Feed(bytes); });
            });
        session.Op.ShowVerifyProgress({.TapeMiB = session.Counters.TapeBytes / Megabyte});
        PumpMessages(1);
        if (metadataRecord) {
            if (!tapePath.isEmpty() && !session.CancelFlag)
                metadata.Finish();
        } else if (!tapePath.isEmpty() && !filler && IsComparedRecord(tapePath)) {
            const QString diskPath = TapePathText(tapePath);
            if (comparison) {
                session.Op.ShowVerifyProgress({.Files = ++files});
                CountVerdict(session, result, tapePath, comparison->Finish(session), verifiedOk);
            } else {
                const QString workFile = WorkFileFor(session, tapePath);
                const auto compare = [&session, &result, &files, &verifiedOk, tapePath, diskPath,
                                      workFile] {
                    session.Op.ShowVerifyProgress({.Files = ++files});
                    CountVerdict(session, result, tapePath,
                                 CompareFiles(session, diskPath, workFile), verifiedOk);
                    QFile::remove(workFile);
                };
                watch.Take(session.LastHeader, {compare, [workFile] { QFile::remove(workFile); }});
            }
        }
        if (tapePath.isEmpty() || session.CancelFlag)
            break;
    }
    watch.Finish();
    CloseTape(handle, 1);
    RemoveBrokenWorkCopy(session);
    if (!session.CancelFlag)
        VerifyMetadata(session, result, metadata.Metadata(), verifiedOk);
    session.Op.SetStatus(QStringLiteral("Verify finished !"));
}

} // namespace

VerifyResult VerifyTape(Session& session) {
    OperatorInterface& op = session.Op;
    VerifyResult result;
    LoadTapeDescription(session);
    if (session.CurrentTapeDescription.Label == "Disk") {
        op.ShowMessage(QStringLiteral("Disk Data could not verifyed!"));
        return result;
    }
    session.CancelFlag = false;
    session.ReadFailed = false;
    const WorkDirectoryClaim claim(session);
    if (!claim)
        return result;
    result.Verified = true;
    SetBusyCursor(session);
    op.ShowView(OperatorView::VerifyRun);
    EnterBusyMode(session);
    op.ClearVerifyReport();
    QElapsedTimer clock;
    clock.start();
    const QString start = QStringLiteral("Verify startet at: ") + NowText();
    op.AppendVerifyLine(start);
    op.AppendVerifyLine(QString());
    session.Protocol.AddBlockOpening();
    session.Protocol.AddProtocolLine(start);
    session.Protocol.AddProtocolLine(QString());

    EnsureFirstTape(session);
    if (!session.CancelFlag)
        SetBlockSize(session);
    op.ShowVerifyProgress({.Files = 0});
    session.Counters.TapeBytes = 0;
    session.Progress.Start();
    if (!session.CancelFlag)
        VerifyFromTape(session, result);
    session.Progress.Finish();
    QFile::remove(session.Paths.SoftCompressionArchivePath);

    const QStringList summary = {
        QString(),
        DisplayValueText(double(session.Counters.TapeBytes / Megabyte)) +
            QStringLiteral(" MB Tape Data"),
        QString::number(result.VerifiedOk + result.VerifiedDefect) +
            QStringLiteral(" Files checked"),
        QString::number(result.VerifiedOk) + QStringLiteral(" Files OK"),
        QString::number(result.VerifiedDefect) + QStringLiteral(" Files Defect"),
        QString(),
        QStringLiteral("Verify finished at: ") + NowText() + QStringLiteral("  Elapsed Time: ") +
            ElapsedTimeText(clock.elapsed()),
        QString(),
    };
    for (const QString& line : summary)
        op.AppendVerifyLine(line);
    for (const QString& line : summary)
        session.Protocol.AddProtocolLine(line);
    LeaveBusyMode(session);
    RestoreCursor(session);
    return result;
}

std::function<void()> VerifyAfterBackupStep(Session& session) {
    return [&session] { VerifyTape(session); };
}

} // namespace orvane
