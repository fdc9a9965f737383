#include "tape_access.h"

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
    if (ms > 0 && drive.needsSettleTime())
        QThread::msleep(ulong(ms));
}

} // namespace

TapeHandlePtr OpenTapeDrive(TapeContext& ctx) {
    ResultCode failure = ResultCode::Success;
    return ctx.drive.open(failure);
}

TapeHandlePtr OpenTape(TapeContext& ctx) {
    ResultCode code = ResultCode::Success;
    TapeHandlePtr handle = ctx.drive.open(code);
    PumpMessages(1);
    if (handle) {
        TapeMediaParameters media;
        code = handle->getMediaParameters(media);
        if (MediaQueryAnswered(code))
            return handle;
    }
    // A failed open is reported the same way as a medium that does not answer.
    LogTapeError(ctx, code);
    CloseTape(handle, 10);
    return nullptr;
}

void CloseTape(TapeHandlePtr& handle, int delayMs) {
    if (handle && handle->needsSettleTime() && delayMs > 0)
        QThread::msleep(ulong(delayMs));
    handle.reset();
}

void LogTapeError(TapeContext& ctx, ResultCode code) {
    ctx.CancelFlag = true;
    const QString text = SystemMessage(code);
    ctx.protocol.AddBlockOpening();
    ctx.protocol.AddProtocolLine(QStringLiteral("Error: ") + NowText() + QStringLiteral(" : ") +
                                 text);
    ctx.protocol.AddProtocolLine(ProtocolLog::Separator());
    ctx.op.showError(text);
}

void ShowTapeResult(TapeContext& ctx, ResultCode code) {
    ctx.op.showMessage(TapeResultMessage(code));
}

void SetBusyCursor(TapeContext& ctx) {
    ctx.op.setBusyCursor(true);
    PumpMessages(1);
}

void RestoreCursor(TapeContext& ctx) {
    ctx.op.setBusyCursor(false);
    PumpMessages(1);
}

void EnterBusyMode(TapeContext& ctx) {
    ctx.op.setListEditingLocked(true);
    ctx.op.setBusyMode(true);
    PumpMessages(1);
}

void LeaveBusyMode(TapeContext& ctx) {
    ctx.op.setListEditingLocked(false);
    ctx.op.setBusyMode(false);
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
        if (handle->getDriveParameters(answer) == ResultCode::Success) {
            drive = answer;
            driveAnswered = true;
        }
        PumpMessages(10);
    }
    TapeMediaParameters media;
    if (MediaQueryAnswered(handle->getMediaParameters(media)))
        ctx.BlockLimit = media.Capacity / int64_t(TapeBlockSize) - 10;
    PumpMessages(10);
    if (driveAnswered) {
        const bool partitioned = drive.MaximumPartitionCount > 1;
        ctx.PositionMethod = partitioned ? 2 : 1;
        ctx.PositionType = partitioned ? 1 : 0;
    }
    CloseTape(handle, 1);
    SetBlockSize(ctx);
}

void SetBlockSize(TapeContext& ctx) {
    SetBusyCursor(ctx);
    TapeHandlePtr handle = OpenTape(ctx);
    if (handle) {
        if (const ResultCode code = handle->setMediaBlockSize(TapeBlockSize);
            code != ResultCode::Success)
            LogTapeError(ctx, code);
        CloseTape(handle, 1);
    }
    RestoreCursor(ctx);
}

QString RewindTape(TapeContext& ctx) {
    QString result = QStringLiteral("Rewind Ok");
    TapeHandlePtr handle = OpenTapeDrive(ctx);
    Settle(ctx.drive, 100);
    if (!handle)
        return DriveUnavailable;
    const ResultCode code = handle->setPosition(TapePositionMethod::Rewind, 0, 0);
    DrainMessages();
    CloseTape(handle, 10);
    if (const QString text = TapeErrorText(code); !text.isEmpty())
        result = text;
    return result;
}

bool RewindWithStatus(TapeContext& ctx) {
    ctx.op.setStatus(QStringLiteral("Rewind Tape "));
    Settle(ctx.drive, 100);
    const QString result = RewindTape(ctx);
    if (result != QLatin1String("Rewind Ok")) {
        ctx.op.setStatus(result);
        return false;
    }
    ctx.op.setStatus(QStringLiteral("Tape : At First pos"));
    return true;
}

QString EraseTapeShort(TapeContext& ctx) {
    QString result = QStringLiteral("Erase Ok");
    TapeHandlePtr handle = OpenTapeDrive(ctx);
    if (!handle)
        return DriveUnavailable;
    const ResultCode code = handle->erase(TapeEraseType::Short);
    DrainMessages();
    if (const QString text = TapeErrorText(code); !text.isEmpty())
        result = text;
    CloseTape(handle, 10);
    return result;
}

void MoveHandleToBlock(TapeContext& ctx, TapeHandle& handle, int64_t block) {
    handle.setPosition(uint32_t(ctx.PositionMethod), 0, block);
}

ResultCode MoveHandleToEndOfData(TapeHandle& handle) {
    return handle.setPosition(TapePositionMethod::SpaceEndOfData, 0, 0);
}

void MoveToBlock(TapeContext& ctx, const QString& blockText) {
    TapeHandlePtr handle = OpenTape(ctx);
    if (!handle)
        return;
    ctx.op.setStatus(QStringLiteral("Move Tape to Block ") + blockText);
    PumpMessages(1);
    bool ok = false;
    const int32_t block = blockText.trimmed().toInt(&ok);
    if (!ok) {
        ctx.op.showError(QStringLiteral("'%1' is not a valid integer value").arg(blockText));
    } else {
        MoveHandleToBlock(ctx, *handle, block);
    }
    CloseTape(handle, 10);
}

int64_t ReadTapePosition(TapeContext& ctx, TapeHandle& handle) {
    uint32_t partition = 0;
    int64_t offset = 0;
    handle.getPosition(uint32_t(ctx.PositionType), partition, offset);
    ctx.op.setStatus(QStringLiteral("Tape at pos: ") + QString::number(offset));
    return offset;
}

ResultCode EjectTape(TapeContext& ctx, bool showResult) {
    ctx.op.setStatus(QStringLiteral("Ejecting Tape"));
    SetBusyCursor(ctx);
    ResultCode result = ResultCode::InvalidFunction;
    if (RewindWithStatus(ctx)) {
        PumpMessages(1);
        TapeHandlePtr handle = OpenTape(ctx);
        if (handle) {
            PumpMessages(10);
            result = handle->prepare(TapePrepareOperation::Unload);
            if (showResult)
                ShowTapeResult(ctx, result);
            CloseTape(handle, 10);
        }
    }
    ctx.protocol.AddProtocolLine(ProtocolLog::Separator());
    if (result != ResultCode::Success) {
        const QString text = QStringLiteral("Tape not ejected !");
        ctx.protocol.AddProtocolLine(text);
        ctx.op.setStatus(text);
    } else {
        const QString text = QStringLiteral("Tape ") +
                             QString::number(ctx.CurrentTapeDescription.TapeNumber) +
                             QStringLiteral(" at ") + NowText() + QStringLiteral(" ejected !");
        ctx.protocol.AddProtocolLine(text);
        ctx.op.setStatus(text);
    }
    RestoreCursor(ctx);
    return result;
}

} // namespace orvane
