#include "end_marker_io.h"

#include "platform/date_time_text.h"
#include "platform/message_pump.h"
#include "platform/operator_interface.h"
#include "platform/protocol_log.h"
#include "platform/result_code.h"
#include "tape/block_stream.h"
#include "tape/end_marker.h"
#include "tape/tape_access.h"
#include "tape/tape_description_io.h"

#include <QFile>
#include <cstring>

namespace orvane {

namespace {

// The catalog lies whole on the last tape, before the marker's block or in it; the marker's
// fields come from tape and may hold anything.
bool CatalogStartFits(const StreamPosition& catalogStart, int64_t markerBlock) {
    return catalogStart.BlockOffset >= 0 && catalogStart.BlockOffset < int32_t(TapeBlockSize) &&
           catalogStart.BlockCounter >= 0 && catalogStart.BlockCounter <= markerBlock;
}

} // namespace

void ReportDamagedEndMarker(ArchiveContext& ctx, const StreamPosition& catalogStart) {
    ctx.CancelFlag = true;
    const QString text =
        QStringLiteral("The end marker of the tape set is damaged: the catalog start it names "
                       "(block %1, offset %2) lies outside the data on the tape.")
            .arg(catalogStart.BlockCounter)
            .arg(catalogStart.BlockOffset);
    ctx.Protocol.AddBlockOpening();
    ctx.Protocol.AddProtocolLine(QStringLiteral("Error: ") + NowText() + QStringLiteral(" : ") +
                                 text);
    ctx.Protocol.AddProtocolLine(ProtocolLog::Separator());
    ctx.Op.ShowError(text);
}

StreamPosition FindEndMarker(ArchiveContext& ctx) {
    for (;;) {
        TapeHandlePtr handle = OpenTape(ctx);
        if (!handle)
            return {};
        ctx.Op.SetStatus(QStringLiteral("Move Tape to End of Data"));
        PumpMessages(1);
        MoveHandleToEndOfData(*handle);
        PumpMessages(1);
        const int64_t last = ReadTapePosition(ctx, *handle) - 1;
        MoveHandleToBlock(ctx, *handle, last);
        TapeBlock block;
        if (last >= 0)
            handle->ReadBlock(block.Data(), TapeBlockSize);
        const StreamPosition found = FindMarkerInBlock(block.Data()).value_or(StreamPosition{});
        CloseTape(handle, 1);
        if (found.BlockOffset != 0 || found.BlockCounter != 0) {
            if (CatalogStartFits(found, last))
                return {found.BlockOffset, 0, found.BlockCounter};
            ReportDamagedEndMarker(ctx, found);
            return {};
        }

        EjectTape(ctx, false);
        TapeRequest request;
        request.Kind = TapeRequestKind::LastTapeOfSet;
        request.SetDate = ctx.CurrentTapeDescription.Date;
        request.Text = QStringLiteral(
            "Catalog not on this Tape! Please insert the last Tape of your Tapeset and press "
            "then ok!");
        if (ctx.Op.RequestTape(request) != MessageAnswer::Ok) {
            // The cartridge goes back in, so that the sequential load offered next can read it.
            ReloadTape(ctx);
            ctx.CancelFlag = true;
            return {};
        }
        ProbeTapeDrive(ctx);
        ctx.CurrentTapeDescription = ReadTapeDescription(ctx);
    }
}

bool WriteEndMarker(ArchiveContext& ctx, const StreamPosition& catalogStart) {
    // A marker that would not fit whole after the last byte starts a fresh block, so that the
    // last block of the tape always holds it.
    TapeHandlePtr handle = OpenTape(ctx);
    PumpMessages(10);
    bool written = false;
    // Blocks still waiting in the run go first: the drive stands where they belong.
    FlushStreamRun(ctx, handle);
    if (handle) {
        const auto writeBlock = [&ctx, &handle] {
            const ResultCode code = handle->WriteBlock(ctx.Stream.Block().Data(), TapeBlockSize);
            if (code != ResultCode::Success)
                LogTapeError(ctx, code);
            return code == ResultCode::Success;
        };
        BlockStream& stream = ctx.Stream;
        written = true;
        if (stream.Offset() + EndMarkerSize > int32_t(TapeBlockSize)) {
            stream.ClearRest();
            written = writeBlock();
            stream.StartBlock(stream.Counter() + 1);
        }
        stream.ClearRest();
        EncodeEndMarker(stream.Room().data(), catalogStart);
        written = writeBlock() && written;
        PumpMessages(10);
        written = CloseTape(ctx, handle, 1) == ResultCode::Success && written;
    }
    QFile::remove(ctx.Paths.CatalogFilePath);
    QFile::remove(ctx.Paths.SoftCompressionArchivePath);
    return written;
}

} // namespace orvane
