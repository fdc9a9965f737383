#include "catalog_stream.h"

#include "archive/tape_reader.h"
#include "platform/date_time_text.h"
#include "platform/message_pump.h"
#include "platform/operator_interface.h"
#include "platform/protocol_log.h"
#include "tape/block_stream.h"
#include "tape/end_marker.h"

#include <QFile>

namespace orvane {

TapeHandlePtr OpenStreamAtFirstRecord(ArchiveContext& ctx) {
    if (!RewindWithStatus(ctx))
        return nullptr;
    PumpMessages(100);
    if (!ctx.LegacyTape)
        MoveToBlock(ctx, QStringLiteral("1"));
    TapeHandlePtr handle = OpenTape(ctx);
    if (handle) {
        const ResultCode code = LoadStreamBlock(ctx, *handle, 0);
        // A tape without data there (blank, or filemarks set) holds no record: the block counts
        // as used up (a position the stream always holds), so the first header read meets the
        // end of the data, not a zero header.
        const bool noData =
            code == ResultCode::NoDataDetected || code == ResultCode::FilemarkDetected;
        if (noData && !ctx.Stream.SetPosition({int32_t(TapeBlockSize), 0, ctx.Stream.Counter()}))
            return nullptr;
    }
    return handle;
}

namespace {

// The end marker where the next record would begin. A marker close to the end of its block
// leaves less room than a record header, so the reader's header read runs into the end of the
// data there instead of meeting the marker.
bool AtEndMarker(const TapeContext& ctx) {
    return IsEndMarkerAt(ctx.Stream.Block().Data(), ctx.Stream.Offset());
}

} // namespace

QByteArray ReadNextRecord(ArchiveContext& ctx, TapeHandlePtr& handle, bool skip, bool unpack) {
    const RecordSink sink = skip ? RecordSink::Skip() : RecordSink::WorkFile(unpack);
    return ReadNextRecord(ctx, handle, [&sink](const TapeFileHeader&) { return sink; });
}

QByteArray ReadNextRecord(ArchiveContext& ctx, TapeHandlePtr& handle,
                          const RecordSinkChooser& choose) {
    if (AtEndMarker(ctx)) {
        ctx.LastHeader = TapeFileHeader();
        ctx.LastHeader.Path = EndMarkerTag.toByteArray();
        return {};
    }
    ctx.LastHeader = TapeFileHeader();
    const QByteArray path = ReadFileRecord(ctx, handle, choose);
    if (path.isEmpty() && !ctx.CancelFlag && !IsEndMarkerPath(ctx.LastHeader.Path)) {
        const QString text =
            QStringLiteral("The tape data ends before the end marker: the backup on this tape "
                           "set is incomplete.");
        ctx.Protocol.AddBlockOpening();
        ctx.Protocol.AddProtocolLine(QStringLiteral("Error: ") + NowText() + QStringLiteral(" : ") +
                                     text);
        ctx.Protocol.AddProtocolLine(ProtocolLog::Separator());
        ctx.Op.ShowError(text);
    }
    return path;
}

void RemoveBrokenWorkCopy(ArchiveContext& ctx) {
    if (const QByteArray broken = ctx.LastHeader.Path;
        ctx.CancelFlag && !broken.isEmpty() && !IsEndMarkerPath(broken))
        QFile::remove(WorkFileFor(ctx, broken));
}

} // namespace orvane
