#include "tape_set.h"

#include "end_marker.h"
#include "platform/date_time_text.h"
#include "platform/operator_interface.h"
#include "platform/protocol_log.h"
#include "platform/result_code.h"
#include "tape_description_io.h"

namespace orvane {

namespace {

QString TapeEventLine(int number, const char* event) {
    return QStringLiteral("Tape %1 at ").arg(number) + NowText() + QLatin1String(event);
}

// True when a medium answers in the drive, without reporting anything.
bool MediumPresent(TapeContext& ctx) {
    ResultCode failure = ResultCode::Success;
    TapeHandlePtr handle = ctx.Drive.Open(failure);
    TapeMediaParameters media;
    if (!handle)
        return false;
    const ResultCode code = handle->GetMediaParameters(media);
    return code == ResultCode::Success || code == ResultCode::MoreData ||
           code == ResultCode::MediaChanged;
}

void GiveUp(TapeContext& ctx, TapeHandlePtr& handle, const QString& why) {
    ctx.CancelFlag = true;
    ctx.TapeSetAbandoned = true;
    handle.reset();
    ctx.Protocol.AddProtocolLine(why);
    ctx.Op.SetStatus(why);
}

} // namespace

void ChangeTapeForWrite(TapeContext& ctx, TapeHandlePtr& handle) {
    TapeBlock marker;
    EncodeEndMarker(marker.Data(), StreamPosition{});
    if (handle) {
        if (const ResultCode code = handle->WriteBlock(marker.Data(), TapeBlockSize);
            code != ResultCode::Success)
            LogTapeError(ctx, code);
        handle->Prepare(TapePrepareOperation::Unload);
    }
    CloseTape(ctx, handle, 1);

    const int number = ctx.CurrentTapeDescription.TapeNumber;
    ctx.Protocol.AddProtocolLine(ProtocolLog::Separator());
    ctx.Protocol.AddProtocolLine(TapeEventLine(number, " ejected !"));
    if (number + 1 > MaxTapesInSet) {
        GiveUp(ctx, handle,
               QStringLiteral("A tape set holds at most %1 tapes: the backup stops here.")
                   .arg(MaxTapesInSet));
        return;
    }
    ctx.CurrentTapeDescription.TapeNumber = uint8_t(number + 1);

    TapeRequest request;
    request.Kind = TapeRequestKind::NextTapeForWriting;
    request.TapeNumber = number + 1;
    request.SetDate = ctx.CurrentTapeDescription.Date;
    request.Text =
        QStringLiteral("Tape full! Please insert Tape %1 and press then ok!").arg(number + 1);
    // Asked again while the drive stays empty, so that an OK without a tape loses nothing.
    do {
        if (ctx.Op.RequestTape(request) != MessageAnswer::Ok) {
            GiveUp(
                ctx, handle,
                QStringLiteral("Tape change cancelled: Tape %1 was not inserted.").arg(number + 1));
            return;
        }
    } while (!MediumPresent(ctx));

    ProbeTapeDrive(ctx);
    ctx.Protocol.AddProtocolLine(TapeEventLine(number + 1, " loaded !"));
    ctx.Protocol.AddProtocolLine(ProtocolLog::Separator());
    WriteTapeDescription(ctx, ctx.CurrentTapeDescription);
    MoveToBlock(ctx, QStringLiteral("1"));
    ctx.Stream.StartBlock(1);
    handle = OpenTape(ctx);
    if (!handle)
        ctx.CancelFlag = true;
}

void ChangeTapeForRead(TapeContext& ctx, TapeHandlePtr& handle) {
    CloseTape(handle, 1);
    const int number = ctx.CurrentTapeDescription.TapeNumber;
    const int expectedNumber = number + 1;
    ctx.Protocol.AddProtocolLine(ProtocolLog::Separator());
    ctx.Protocol.AddProtocolLine(TapeEventLine(number, " ejected !"));
    const double expectedDate = ctx.CurrentTapeDescription.Date;
    ctx.CurrentTapeDescription.TapeNumber = uint8_t(std::min(expectedNumber, 255));

    TapeRequest request;
    request.Kind = TapeRequestKind::TapeOfSet;
    request.TapeNumber = expectedNumber;
    request.SetDate = expectedDate;
    request.Text =
        QStringLiteral("Tape at end! Please insert Tape %1 and press then ok!").arg(expectedNumber);
    // A wrong or missing tape met in the loop is reported there; it does not end the read.
    const bool cancelledBefore = ctx.CancelFlag;
    for (;;) {
        EjectTape(ctx, false);
        if (expectedNumber > MaxTapesInSet || ctx.Op.RequestTape(request) != MessageAnswer::Ok) {
            GiveUp(ctx, handle,
                   QStringLiteral("Tape change cancelled: Tape %1 was not inserted.")
                       .arg(expectedNumber));
            return;
        }
        ProbeTapeDrive(ctx);
        ctx.CurrentTapeDescription = ReadTapeDescription(ctx);
        if (ctx.CurrentTapeDescription.TapeNumber == expectedNumber &&
            ctx.CurrentTapeDescription.Date == expectedDate)
            break;
    }
    ctx.CancelFlag = cancelledBefore;
    ctx.Protocol.AddProtocolLine(TapeEventLine(expectedNumber, " loaded !"));
    ctx.Protocol.AddProtocolLine(ProtocolLog::Separator());
    MoveToBlock(ctx, QStringLiteral("1"));
    ctx.Stream.StartBlock(1);
    handle = OpenTape(ctx);
    if (!handle)
        ctx.CancelFlag = true;
}

} // namespace orvane
