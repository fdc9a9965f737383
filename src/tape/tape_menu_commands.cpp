#include "tape_menu_commands.h"

#include "end_marker.h"
#include "platform/message_pump.h"
#include "platform/operator_interface.h"
#include "platform/protocol_log.h"
#include "tape_access.h"
#include "tape_date.h"
#include "tape_description_io.h"
#include "tape_result_codes.h"

#include <QByteArrayView>
#include <QDateTime>
#include <QThread>
#include <QTime>
#include <algorithm>
#include <vector>

namespace orvane {

namespace {

int CountEndMarkers(const std::vector<char>& block) {
    const QByteArrayView data(block.data(), qsizetype(block.size()));
    int found = 0;
    for (qsizetype at = data.indexOf(EndMarkerTag); at >= 0;
         at = data.indexOf(EndMarkerTag, at + 1))
        ++found;
    return found;
}

} // namespace

bool RewindTapeCommand(TapeContext& ctx) {
    SetBusyCursor(ctx);
    const bool rewound = RewindWithStatus(ctx);
    RestoreCursor(ctx);
    return rewound;
}

void MoveTapeToBlockCommand(TapeContext& ctx, std::optional<QString> block) {
    if (!block)
        block = ctx.Op.InputBox(QStringLiteral("Goto Block"), QStringLiteral("Move to"), QString());
    if (!block)
        return;
    TapeHandlePtr handle = OpenTape(ctx);
    if (!handle)
        return;
    ctx.Op.SetStatus(QStringLiteral("Move Tape to Block ") + *block);
    PumpMessages(1);
    bool isNumber = false;
    const int32_t number = block->trimmed().toInt(&isNumber);
    if (!isNumber) {
        // The drive stays where it is.
        ctx.Op.ShowError(QStringLiteral("'%1' is not a valid integer value").arg(*block));
        CloseTape(handle, 10);
        return;
    }
    MoveHandleToBlock(ctx, *handle, number);
    std::vector<char> buffer(TapeBlockSize, 0);
    if (const ResultCode code = handle->ReadBlock(buffer.data(), TapeBlockSize);
        code != ResultCode::Success) {
        LogTapeError(ctx, code);
        // Whatever a failed read left behind is not the block asked for.
        std::fill(buffer.begin(), buffer.end(), 0);
    }
    CloseTape(handle, 10);
    for (int i = CountEndMarkers(buffer); i > 0; --i)
        ctx.Op.ShowMessage(QStringLiteral("OK"));
    ctx.Op.SetStatus(QStringLiteral("Tape at Block ") + *block);
}

int64_t GetTapePositionCommand(TapeContext& ctx, ResultCode* answer) {
    SetBusyCursor(ctx);
    int64_t position = 0;
    ResultCode code = ResultCode::NotReady;
    if (TapeHandlePtr handle = OpenTape(ctx)) {
        uint32_t partition = 0;
        code = handle->GetPosition(uint32_t(ctx.PositionType), partition, position);
        if (code != ResultCode::Success) {
            position = 0;
            LogTapeError(ctx, code);
        }
        ctx.Op.SetStatus(QStringLiteral("Tape at pos: ") + QString::number(position));
        CloseTape(handle, 1);
    }
    RestoreCursor(ctx);
    ctx.Op.ShowMessage(QStringLiteral("Tape at Block: ") + QString::number(position));
    if (answer)
        *answer = code;
    return position;
}

namespace {

// One PrepareTape operation with the result box, between the busy cursor.
ResultCode PrepareWithResultBox(TapeContext& ctx, uint32_t operation) {
    SetBusyCursor(ctx);
    ResultCode result = ResultCode::NotReady;
    if (TapeHandlePtr handle = OpenTape(ctx)) {
        result = handle->Prepare(operation);
        ShowTapeResult(ctx, result);
        CloseTape(handle, 10);
    }
    return result;
}

} // namespace

ResultCode LoadTapeCommand(TapeContext& ctx) {
    ctx.Op.SetStatus(QStringLiteral("Loading Tape"));
    // A cartridge that was ejected is still in the drive's slot: the open must not refuse it
    // for want of a medium, so the load goes to the drive as it is.
    SetBusyCursor(ctx);
    ResultCode result = ResultCode::NotReady;
    ResultCode failure = ResultCode::Success;
    if (TapeHandlePtr handle = ctx.Drive.Open(failure)) {
        PumpMessages(1);
        result = handle->Prepare(TapePrepareOperation::Load);
        ShowTapeResult(ctx, result);
        CloseTape(handle, 10);
    } else {
        result = failure;
        LogTapeError(ctx, failure);
    }
    ctx.Op.SetStatus(QStringLiteral("Tape loaded"));
    RestoreCursor(ctx);
    return result;
}

ResultCode TensionTapeCommand(TapeContext& ctx) {
    ctx.Op.SetStatus(QStringLiteral("Tape tension"));
    const ResultCode result = PrepareWithResultBox(ctx, TapePrepareOperation::Tension);
    ctx.Op.SetStatus(QString());
    RestoreCursor(ctx);
    return result;
}

ResultCode MoveToEndOfDataCommand(TapeContext& ctx, int64_t* block) {
    ctx.Op.SetStatus(QStringLiteral("Moving Tape to end of Data"));
    SetBusyCursor(ctx);
    ResultCode result = ResultCode::NotReady;
    if (TapeHandlePtr handle = OpenTape(ctx)) {
        result = MoveHandleToEndOfData(*handle);
        ShowTapeResult(ctx, result);
        const int64_t position = ReadTapePosition(ctx, *handle);
        CloseTape(handle, 10);
        ctx.Op.SetStatus(QStringLiteral("Tape at end of Data <Block: ") +
                         QString::number(position) + QStringLiteral(">"));
        if (block)
            *block = position;
    }
    RestoreCursor(ctx);
    return result;
}

ResultCode DeleteTapeCommand(TapeContext& ctx) {
    SetBusyCursor(ctx);
    ctx.Op.SetStatus(QStringLiteral("Erasing Tape"));
    ResultCode result = ResultCode::Success;
    const QString text = EraseTapeShort(ctx, &result);
    // An error text names the drive it came from.
    const bool erased = text == QLatin1String("Erase Ok");
    ctx.Op.SetStatus(erased ? text : ctx.Drive.Name() + QStringLiteral(": ") + text);
    if (erased)
        result = ResultCode::Success; // a media change or bus reset on the way is no failure
    RestoreCursor(ctx);
    return result;
}

ResultCode FormatTapeCommand(TapeContext& ctx) {
    SetBusyCursor(ctx);
    ctx.Op.SetStatus(QStringLiteral("Formating Tape"));
    PumpMessages(1);
    TapeHandlePtr handle = OpenTape(ctx);
    if (!handle) {
        ctx.Op.SetStatus(QStringLiteral("Tape Error"));
        RestoreCursor(ctx);
        return ResultCode::NotReady;
    }
    ResultCode result = handle->CreatePartition(TapePartitionMethod::Fixed, 0, 0);
    handle->SetMediaBlockSize(TapeBlockSize);
    if (const ResultCode closed = CloseTape(ctx, handle, 1); result == ResultCode::Success)
        result = closed;
    if (result != ResultCode::Success) {
        // The drive's reason, with its name, besides the status of the tape description.
        if (!ctx.CancelFlag)
            LogTapeError(ctx, result);
        ctx.Op.SetStatus(QStringLiteral("Tape Error"));
        RestoreCursor(ctx);
        return result;
    }
    TapeDescription description;
    description.Label = QByteArrayLiteral("Empty Tape ");
    description.TapeNumber = 255;
    description.Date = ToTapeDate(QDateTime::currentDateTime());
    ctx.CurrentTapeDescription = description;
    const bool cancelledBefore = ctx.CancelFlag;
    ctx.CancelFlag = false;
    WriteTapeDescription(ctx, description);
    const bool written = !ctx.CancelFlag;
    ctx.CancelFlag = ctx.CancelFlag || cancelledBefore;
    if (!written) {
        ctx.Op.SetStatus(QStringLiteral("Tape Error"));
        RestoreCursor(ctx);
        return ResultCode::GenFailure;
    }
    ctx.Op.SetStatus(QStringLiteral("Tape Formated"));
    RestoreCursor(ctx);
    return ResultCode::Success;
}

ResultCode SetFilemarksCommand(TapeContext& ctx) {
    SetBusyCursor(ctx);
    ResultCode result = ResultCode::NotReady;
    if (RewindWithStatus(ctx)) {
        if (TapeHandlePtr handle = OpenTape(ctx)) {
            result = handle->WriteTapemarks(TapemarkType::Filemarks, 50);
            if (const ResultCode closed = CloseTape(ctx, handle, 10); result == ResultCode::Success)
                result = closed;
            ShowTapeResult(ctx, result);
        }
    }
    RestoreCursor(ctx);
    return result;
}

ResultCode SetTapeParametersCommand(TapeContext& ctx) {
    const bool cancelledBefore = ctx.CancelFlag;
    ctx.CancelFlag = false;
    SetBlockSize(ctx);
    const ResultCode result = ctx.CancelFlag ? ResultCode::InvalidBlockLength : ResultCode::Success;
    ctx.CancelFlag = ctx.CancelFlag || cancelledBefore;
    return result;
}

QString InitTapeStatus(int64_t blocks, bool final) {
    return QStringLiteral("Tape at Block Nr. ") + QString::number(blocks) +
           (final ? QStringLiteral("-> ") : QStringLiteral(" -> ")) + QString::number(blocks / 32) +
           QStringLiteral(" MB");
}

InitTapeResult InitTapeWithZeroCommand(TapeContext& ctx) {
    InitTapeResult run;
    SetBusyCursor(ctx);
    RewindWithStatus(ctx); // a failing rewind has said so; the writes start where the tape is
    ctx.Op.ShowBackupProgress({0, 0, 0, 0, 0.0});
    const QTime rateBase = QTime::currentTime().addSecs(-1);
    TapeHandlePtr handle = OpenTape(ctx);
    PumpMessages(10);
    ctx.CancelFlag = false;
    EnterBusyMode(ctx);
    const std::vector<char> zeros(TapeBlockSize + 1, 0);
    if (handle) {
        run.Opened = true;
        int64_t shownMiB = 0;
        for (;;) {
            run.End = handle->WriteBlock(zeros.data(), TapeBlockSize);
            if (run.End != ResultCode::Success || ctx.CancelFlag)
                break;
            ++run.Blocks;
            if (run.Blocks % 100 == 0) {
                ctx.Op.SetStatus(InitTapeStatus(run.Blocks, false));
                const int elapsed = std::max(1, rateBase.secsTo(QTime::currentTime()));
                BackupProgress progress;
                progress.Rate = double(shownMiB) / elapsed;
                if (const int64_t written = run.Blocks / 32; written != shownMiB) {
                    shownMiB = written;
                    progress.SourceMiB = written;
                    ctx.Op.ShowBackupProgress(progress);
                    PumpMessages(1);
                } else {
                    ctx.Op.ShowBackupProgress(progress);
                }
            }
        }
        ctx.Op.SetStatus(InitTapeStatus(run.Blocks, true));
        // The end of the medium is the normal end; its report, as every other, goes to the
        // protocol and into a box.
        LogTapeError(ctx, run.End);
        PumpMessages(10);
        if (const ResultCode closed = CloseTape(ctx, handle, 1); closed != ResultCode::Success)
            run.End = closed;
    }
    LeaveBusyMode(ctx);
    RestoreCursor(ctx);
    return run;
}

TapeInfo ReadTapeInfo(TapeContext& ctx) {
    TapeInfo info;
    TapeHandlePtr handle = OpenTape(ctx);
    if (!handle)
        return info;
    auto pause = [&](int ms) {
        if (ctx.Drive.NeedsSettleTime())
            QThread::msleep(ulong(ms));
    };
    auto answered = [](ResultCode code) {
        return code == ResultCode::Success || code == ResultCode::MoreData ||
               code == ResultCode::MediaChanged;
    };
    const auto queryDrive = [&] {
        TapeDriveParameters drive;
        if (const ResultCode code = handle->GetDriveParameters(drive); answered(code)) {
            info.Drive = drive;
            info.DriveKnown = true;
        } else {
            LogTapeError(ctx, code);
        }
    };
    pause(100);
    queryDrive();
    pause(100);
    TapeMediaParameters media;
    if (const ResultCode code = handle->GetMediaParameters(media); answered(code)) {
        info.Media = media;
        info.MediaKnown = true;
    } else {
        LogTapeError(ctx, code);
    }
    pause(10);
    queryDrive();
    pause(100);
    if (const QString reason = handle->TakeUnknownValuesReason(); !reason.isEmpty())
        ctx.Protocol.AddProtocolLine(ctx.Drive.Name() + QStringLiteral(": ") + reason);
    CloseTape(handle, 1);
    return info;
}

std::vector<std::pair<QString, QString>> TapeInfoValues(const TapeInfo& info) {
    const QString unknown = QStringLiteral("unknown");
    auto flag = [](bool on) { return on ? QStringLiteral("On") : QStringLiteral("Off"); };
    auto number = [](auto value) { return QString::number(value); };
    const TapeDriveParameters& d = info.Drive;
    const TapeMediaParameters& m = info.Media;
    const bool drive = info.DriveKnown;
    const bool details = drive && d.DetailsKnown;
    const bool media = info.MediaKnown;
    const bool capacity = media && m.CapacityKnown;
    return {
        {QStringLiteral("ECC"), drive ? flag(d.ECC) : unknown},
        {QStringLiteral("Compression"), details ? flag(d.Compression) : unknown},
        {QStringLiteral("DataPadding"), drive ? flag(d.DataPadding) : unknown},
        {QStringLiteral("ReportSetMarks"), drive ? flag(d.ReportSetmarks) : unknown},
        {QStringLiteral("DefaultBlockSize"), drive ? number(d.DefaultBlockSize) : unknown},
        {QStringLiteral("MaximumBlockSize"), details ? number(d.MaximumBlockSize) : unknown},
        {QStringLiteral("MinimumBlockSize"), details ? number(d.MinimumBlockSize) : unknown},
        {QStringLiteral("MaximumPartitionCount"),
         details ? number(d.MaximumPartitionCount) : unknown},
        {QStringLiteral("FeaturesLow"), drive ? number(d.FeaturesLow) : unknown},
        {QStringLiteral("FeaturesHigh"), drive ? number(d.FeaturesHigh) : unknown},
        {QStringLiteral("EOTWarningZoneSize"), drive ? number(d.EOTWarningZoneSize) : unknown},
        {QStringLiteral("Capacity"), capacity ? number(m.Capacity) : unknown},
        {QStringLiteral("Remaining"), capacity ? number(m.Remaining) : unknown},
        {QStringLiteral("BlockSize"), media ? number(m.BlockSize) : unknown},
        {QStringLiteral("PartitionCount"), capacity ? number(m.PartitionCount) : unknown},
        {QStringLiteral("WriteProtected"), media ? flag(m.WriteProtected) : unknown},
    };
}

} // namespace orvane
