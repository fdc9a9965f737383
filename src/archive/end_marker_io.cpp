#include "end_marker_io.h"

#include "platform/message_pump.h"
#include "platform/operator_interface.h"
#include "platform/result_code.h"
#include "tape/end_marker.h"
#include "tape/tape_description_io.h"

#include <QFile>
#include <cstring>

namespace orvane {

StreamPosition FindEndMarker(ArchiveContext& ctx) {
    for (;;) {
        TapeHandlePtr handle = OpenTape(ctx);
        if (!handle)
            return {};
        ctx.op.setStatus(QStringLiteral("Move Tape to End of Data"));
        PumpMessages(1);
        MoveHandleToEndOfData(*handle);
        PumpMessages(1);
        const int64_t last = ReadTapePosition(ctx, *handle) - 1;
        MoveHandleToBlock(ctx, *handle, last);
        std::fill(ctx.BlockBuffer.begin(), ctx.BlockBuffer.end(), 0);
        if (last >= 0)
            handle->readBlock(ctx.BlockBuffer.data(), TapeBlockSize);
        const StreamPosition found =
            FindMarkerInBlock(ctx.BlockBuffer.data()).value_or(StreamPosition{});
        CloseTape(handle, 1);
        if (found.BlockOffset != 0 || found.BlockCounter != 0)
            return {found.BlockOffset, 0, found.BlockCounter};

        EjectTape(ctx, false);
        TapeRequest request;
        request.kind = TapeRequest::Kind::LastTapeOfSet;
        request.setDate = ctx.CurrentTapeDescription.Date;
        request.text = QStringLiteral(
            "Catalog not on this Tape! Please insert the last Tape of your Tapeset and press "
            "then ok!");
        if (ctx.op.requestTape(request) != MessageAnswer::Ok) {
            ctx.CancelFlag = true;
            return {};
        }
        ProbeTapeDrive(ctx);
        ctx.CurrentTapeDescription = ReadTapeDescription(ctx);
    }
}

void WriteEndMarker(ArchiveContext& ctx, const StreamPosition& catalogStart) {
    // A marker that would not fit whole after the last byte starts a fresh block, so that the
    // last block of the tape always holds it.
    TapeHandlePtr handle = OpenTape(ctx);
    PumpMessages(10);
    if (handle) {
        if (ctx.BlockOffset + EndMarkerSize > int32_t(TapeBlockSize)) {
            std::fill(ctx.BlockBuffer.begin() + ctx.BlockOffset, ctx.BlockBuffer.end(), 0);
            if (const ResultCode code = handle->writeBlock(ctx.BlockBuffer.data(), TapeBlockSize);
                code != ResultCode::Success)
                LogTapeError(ctx, code);
            std::fill(ctx.BlockBuffer.begin(), ctx.BlockBuffer.end(), 0);
            ctx.BlockOffset = 0;
            ctx.BlockCounter += 1;
        }
        EncodeEndMarker(ctx.BlockBuffer.data() + ctx.BlockOffset, catalogStart);
        std::fill(ctx.BlockBuffer.begin() + ctx.BlockOffset + EndMarkerSize, ctx.BlockBuffer.end(),
                  0);
        if (const ResultCode code = handle->writeBlock(ctx.BlockBuffer.data(), TapeBlockSize);
            code != ResultCode::Success)
            LogTapeError(ctx, code);
        PumpMessages(10);
        CloseTape(handle, 1);
    }
    QFile::remove(ctx.paths.CatalogFilePath);
    QFile::remove(ctx.paths.SoftCompressionArchivePath);
}

} // namespace orvane
