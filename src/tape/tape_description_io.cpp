#include "tape_description_io.h"

#include "platform/date_time_text.h"
#include "platform/message_pump.h"
#include "platform/operator_interface.h"
#include "platform/product.h"
#include "platform/result_code.h"
#include "tape_access.h"
#include "tape_date.h"

#include <QThread>
#include <cstring>

namespace orvane {

void WriteTapeDescription(TapeContext& ctx, const TapeDescription& description) {
    SetBusyCursor(ctx);
    RewindWithStatus(ctx);
    TapeHandlePtr handle = OpenTape(ctx);
    if (handle) {
        TapeBlock block;
        description.Encode(block.Data());
        if (const ResultCode code = handle->WriteBlock(block.Data(), TapeBlockSize);
            code != ResultCode::Success)
            LogTapeError(ctx, code);
        CloseTape(ctx, handle, 1);
    }
    ctx.Op.SetCaption(DescriptionCaption(ctx, description));
    RestoreCursor(ctx);
}

TapeDescription ReadTapeDescription(TapeContext& ctx) {
    SetBusyCursor(ctx);
    ctx.DescriptionValid = false;
    ctx.DescriptionUnreadable = false;
    ctx.LegacyTape = false;
    ctx.Op.SetStatus(QStringLiteral("Loading Tape Description"));
    if (ctx.Drive.NeedsSettleTime())
        QThread::msleep(100);
    RewindWithStatus(ctx);
    TapeHandlePtr handle = OpenTape(ctx);
    bool noMedium = false;
    std::vector<char> bytes(TapeDescription::Size, 0);
    if (handle) {
        TapeBlock block;
        const ResultCode code = handle->ReadBlock(block.Data(), TapeBlockSize);
        noMedium = code == ResultCode::NoMediaInDrive;
        ctx.DescriptionUnreadable = code != ResultCode::Success &&
                                    code != ResultCode::NoDataDetected &&
                                    code != ResultCode::FilemarkDetected && !noMedium;
        if (ctx.DescriptionUnreadable)
            LogTapeError(ctx, code, QStringLiteral("(tape block 0)"));
        else
            std::memcpy(bytes.data(), block.Data(), bytes.size());
    }
    CloseTape(handle, 1);
    RestoreCursor(ctx);

    TapeDescription result = TapeDescription::Decode(bytes.data());
    if (!noMedium) {
        if (result.Label.contains("header")) {
            if (ctx.ReadLegacyDescription)
                ctx.ReadLegacyDescription(result);
        } else if (result.Label.contains("Tape") || result.Label.contains("Disk")) {
            ctx.Op.SetStatus(QStringLiteral("Tape description loaded"));
        } else {
            ctx.Op.SetStatus(
                QStringLiteral("The Tape description could not found! Please format Tape."));
        }
    }
    ctx.Op.SetCaption(DescriptionCaption(ctx, result));
    return result;
}

QString DescriptionCaption(TapeContext& ctx, const TapeDescription& description) {
    const QString plain = ProductName();
    if (!(description.Date > 1.0))
        return plain;
    ctx.DescriptionValid = true;
    const QDateTime date = FromTapeDate(description.Date);
    if (!date.isValid())
        return plain;
    const QString number = description.TapeNumber == 255
                               ? QString()
                               : QStringLiteral(" %1 ").arg(description.TapeNumber);
    return plain + QStringLiteral("  <") + QString::fromUtf8(description.Label) + number +
           QStringLiteral("from: ") + DateTimeText(date) + QLatin1Char('>');
}

void LoadTapeDescription(TapeContext& ctx) {
    EnterBusyMode(ctx);
    ctx.CurrentTapeDescription = ReadTapeDescription(ctx);
    LeaveBusyMode(ctx);
}

} // namespace orvane
