#include "tape_access.h"

#include "block_stream.h"
#include "platform/date_time_text.h"
#include "platform/message_pump.h"
#include "platform/operator_interface.h"
#include "platform/protocol_log.h"
#include "platform/result_code.h"
#include "tape_result_codes.h"

#include <QThread>

namespace orvane {

namespace {

const QString DriveUnavailable =
    QStringLiteral("Unable to find tape drive on system or tape drive in use");

bool MediaQueryAnswered(ResultCode code) {
    return code == ResultCode::Success || code == ResultCode::MoreData ||
           code == ResultCode::MediaChanged;
}

void Settle(const TapeDevice& drive, int ms) {
    if (ms > 0 && drive.NeedsSettleTime())
        QThread::msleep(ulong(ms));
}

} // namespace

TapeHandlePtr OpenTapeDrive(TapeContext& ctx) {
    ResultCode failure = ResultCode::Success;
    return ctx.Drive.Open(failure);
}

TapeHandlePtr OpenTape(TapeContext& ctx) {
    ResultCode code = ResultCode::Success;
    TapeHandlePtr handle = ctx.Drive.Open(code);
    PumpMessages(1);
    if (handle) {
        TapeMediaParameters media;
        code = handle->GetMediaParameters(media);
        if (MediaQueryAnswered(code))
            return handle;
    }
    // A failed open is reported the same way as a medium that does not answer.
    LogTapeError(ctx, code);
    CloseTape(handle, 10);
    return nullptr;
}

void CloseTape(TapeHandlePtr& handle, int delayMs) {
    if (handle && handle->NeedsSettleTime() && delayMs > 0)
        QThread::msleep(ulong(delayMs));
    handle.reset();
}

ResultCode CloseTape(TapeContext& ctx, TapeHandlePtr& handle, int delayMs) {
    if (!handle)
        return ResultCode::Success;
    FlushStreamRun(ctx, handle);
    if (handle->NeedsSettleTime() && delayMs > 0)
        QThread::msleep(ulong(delayMs));
    const ResultCode code = handle->Close();
    handle.reset();
    if (code != ResultCode::Success)
        LogTapeError(ctx, code);
    return code;
}

QString TapeErrorMessage(const TapeContext& ctx, ResultCode code) {
    return ctx.Drive.Name() + QStringLiteral(": ") + SystemMessage(code);
}

namespace {

void ReportError(TapeContext& ctx, const QString& text) {
    ctx.CancelFlag = true;
    ctx.Protocol.AddBlockOpening();
    ctx.Protocol.AddProtocolLine(QStringLiteral("Error: ") + NowText() + QStringLiteral(" : ") +
                                 text);
    ctx.Protocol.AddProtocolLine(ProtocolLog::Separator());
    ctx.Op.ShowError(text);
}

} // namespace

void LogTapeError(TapeContext& ctx, ResultCode code) {
    LogTapeError(ctx, code, QString());
}

void LogTapeError(TapeContext& ctx, ResultCode code, const QString& detail) {
    const QString text = TapeErrorMessage(ctx, code);
    ReportError(ctx, detail.isEmpty() ? text : text + QStringLiteral(" ") + detail);
}

void LogFileError(TapeContext& ctx, ResultCode code, const QString& path) {
    ReportError(ctx, path.isEmpty() ? SystemMessage(code)
                                    : SystemMessage(code) + QStringLiteral(" ") + path);
}

void ShowTapeResult(TapeContext& ctx, ResultCode code) {
    // A failure names the drive it came from.
    ctx.Op.ShowMessage(code == ResultCode::Success
                           ? TapeResultMessage(code)
                           : ctx.Drive.Name() + QStringLiteral(": ") + TapeResultMessage(code));
}

void SetBusyCursor(TapeContext& ctx) {
    ctx.Op.SetBusyCursor(true);
    PumpMessages(1);
}

void RestoreCursor(TapeContext& ctx) {
    ctx.Op.SetBusyCursor(false);
    PumpMessages(1);
}

void EnterBusyMode(TapeContext& ctx) {
    ctx.Op.SetListEditingLocked(true);
    ctx.Op.SetBusyMode(true);
    PumpMessages(1);
}

void LeaveBusyMode(TapeContext& ctx) {
    ctx.Op.SetListEditingLocked(false);
    ctx.Op.SetBusyMode(false);
    PumpMessages(1);
}

void ProbeTapeDrive(TapeContext& ctx) {
    TapeHandlePtr handle = OpenTape(ctx);
    PumpMessages(10);
    if (!handle) {
        // OpenTape has reported the failure already; setting the block size would only report
        // it a second time.
        return;
    }
    bool driveAnswered = false;
    TapeDriveParameters drive;
    for (int i = 0; i < 3; ++i) {
        TapeDriveParameters answer;
        if (handle->GetDriveParameters(answer) == ResultCode::Success) {
            drive = answer;
            driveAnswered = true;
        }
        PumpMessages(10);
    }
    TapeMediaParameters media;
    if (MediaQueryAnswered(handle->GetMediaParameters(media)))
        ctx.BlockLimit = media.Capacity / int64_t(TapeBlockSize) - 10;
    PumpMessages(10);
    if (driveAnswered) {
        const bool partitioned = drive.MaximumPartitionCount > 1;
        ctx.PositionMethod = partitioned ? 2 : 1;
        ctx.PositionType = partitioned ? 1 : 0;
    }
    // Values the drive keeps to itself are said once, with the reason.
    if (const QString reason = handle->TakeUnknownValuesReason(); !reason.isEmpty())
        ctx.Protocol.AddProtocolLine(ctx.Drive.Name() + QStringLiteral(": ") + reason);
    CloseTape(handle, 1);
    SetBlockSize(ctx);
}

void SetBlockSize(TapeContext& ctx) {
    SetBusyCursor(ctx);
    TapeHandlePtr handle = OpenTape(ctx);
    if (handle) {
        if (const ResultCode code = handle->SetMediaBlockSize(TapeBlockSize);
            code != ResultCode::Success)
            LogTapeError(ctx, code);
        CloseTape(handle, 1);
    }
    RestoreCursor(ctx);
}

QString RewindTape(TapeContext& ctx) {
    QString result = QStringLiteral("Rewind Ok");
    TapeHandlePtr handle = OpenTapeDrive(ctx);
    Settle(ctx.Drive, 100);
    if (!handle)
        return DriveUnavailable;
    const ResultCode code = handle->SetPosition(TapePositionMethod::Rewind, 0, 0);
    DrainMessages();
    CloseTape(handle, 10);
    if (const QString text = TapeErrorText(code); !text.isEmpty())
        result = text;
    return result;
}

bool RewindWithStatus(TapeContext& ctx) {
    ctx.Op.SetStatus(QStringLiteral("Rewind Tape "));
    Settle(ctx.Drive, 100);
    const QString result = RewindTape(ctx);
    if (result != QLatin1String("Rewind Ok")) {
        ctx.Op.SetStatus(result);
        return false;
    }
    ctx.Op.SetStatus(QStringLiteral("Tape : At First pos"));
    return true;
}

QString EraseTapeShort(TapeContext& ctx, ResultCode* answer) {
    QString result = QStringLiteral("Erase Ok");
    ResultCode failure = ResultCode::Success;
    TapeHandlePtr handle = ctx.Drive.Open(failure);
    if (!handle) {
        if (answer)
            *answer = failure == ResultCode::Success ? ResultCode::BadUnit : failure;
        return DriveUnavailable;
    }
    ResultCode code = handle->Erase(TapeEraseType::Short);
    DrainMessages();
    if (const ResultCode closed = CloseTape(ctx, handle, 10); code == ResultCode::Success)
        code = closed;
    if (const QString text = TapeErrorText(code); !text.isEmpty())
        result = text;
    else if (code != ResultCode::Success && code != ResultCode::MediaChanged &&
             code != ResultCode::BusReset)
        result = SystemMessage(code); // a failure the status table has no words for
    if (answer)
        *answer = code;
    return result;
}

void MoveHandleToBlock(TapeContext& ctx, TapeHandle& handle, int64_t block) {
    handle.SetPosition(uint32_t(ctx.PositionMethod), 0, block);
}

ResultCode MoveHandleToEndOfData(TapeHandle& handle) {
    return handle.SetPosition(TapePositionMethod::SpaceEndOfData, 0, 0);
}

void MoveToBlock(TapeContext& ctx, const QString& blockText) {
    TapeHandlePtr handle = OpenTape(ctx);
    if (!handle)
        return;
    ctx.Op.SetStatus(QStringLiteral("Move Tape to Block ") + blockText);
    PumpMessages(1);
    bool ok = false;
    const int32_t block = blockText.trimmed().toInt(&ok);
    if (!ok) {
        ctx.Op.ShowError(QStringLiteral("'%1' is not a valid integer value").arg(blockText));
    } else {
        MoveHandleToBlock(ctx, *handle, block);
    }
    CloseTape(handle, 10);
}

int64_t ReadTapePosition(TapeContext& ctx, TapeHandle& handle) {
    uint32_t partition = 0;
    int64_t offset = 0;
    handle.GetPosition(uint32_t(ctx.PositionType), partition, offset);
    ctx.Op.SetStatus(QStringLiteral("Tape at pos: ") + QString::number(offset));
    return offset;
}

ResultCode EjectTape(TapeContext& ctx, bool showResult) {
    ctx.Op.SetStatus(QStringLiteral("Ejecting Tape"));
    SetBusyCursor(ctx);
    ResultCode result = ResultCode::InvalidFunction;
    if (RewindWithStatus(ctx)) {
        PumpMessages(1);
        TapeHandlePtr handle = OpenTape(ctx);
        if (handle) {
            PumpMessages(10);
            result = handle->Prepare(TapePrepareOperation::Unload);
            if (showResult)
                ShowTapeResult(ctx, result);
            CloseTape(handle, 10);
        }
    }
    ctx.Protocol.AddProtocolLine(ProtocolLog::Separator());
    if (result != ResultCode::Success) {
        const QString text = QStringLiteral("Tape not ejected !");
        ctx.Protocol.AddProtocolLine(text);
        ctx.Op.SetStatus(text);
    } else {
        const QString text = QStringLiteral("Tape ") +
                             QString::number(ctx.CurrentTapeDescription.TapeNumber) +
                             QStringLiteral(" at ") + NowText() + QStringLiteral(" ejected !");
        ctx.Protocol.AddProtocolLine(text);
        ctx.Op.SetStatus(text);
    }
    RestoreCursor(ctx);
    return result;
}

ResultCode ReloadTape(TapeContext& ctx) {
    TapeHandlePtr handle = OpenTapeDrive(ctx);
    if (!handle)
        return ResultCode::Busy;
    const ResultCode result = handle->Prepare(TapePrepareOperation::Load);
    CloseTape(handle, 10);
    return result;
}

} // namespace orvane
