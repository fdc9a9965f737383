#include "metadata_record_io.h"

#include "backup_file_record.h"
#include "backup_filler.h"
#include "platform/path_bytes.h"
#include "tape/tape_access.h"
#include "tape/tape_date.h"

#include <QDateTime>
#include <QFileInfo>

namespace orvane {

namespace {
// More than this is no metadata record of ours: the rest of such data is not kept in memory.
constexpr qsizetype MaxMetadataBytes = qsizetype(1) << 30;
} // namespace

uint64_t CatalogBytesAtMost(const ArchiveContext& ctx, bool compress) {
    const auto size = uint64_t(QFileInfo(ctx.Paths.CatalogFilePath).size());
    // Deflate grows data it cannot shrink by a few bytes per 16 KiB; the archive adds its
    // headers and the member's name.
    const uint64_t packing = compress ? size / 1000 + 4096 : 0;
    return TapeFileHeader::Size + size + packing;
}

void WriteMetadataRecord(ArchiveContext& ctx, BackupWriterState& state, TapeHandlePtr& handle,
                         uint64_t bytesAfter) {
    const QByteArray data = state.Metadata.Encode();
    const uint64_t recordBytes = TapeFileHeader::Size + uint64_t(data.size());
    if (const auto filler =
            FillerLength(ctx.Stream.Position(), ctx.BlockLimit, recordBytes + bytesAfter))
        WriteFillerRecord(ctx, handle, *filler);
    if (!handle)
        return;
    state.MetadataRecordPlace =
        TapeFileHeader::Place{NextRecordStart(ctx), ctx.CurrentTapeDescription.TapeNumber};

    TapeFileHeader header;
    header.Path = PathToBytes(ctx.Paths.WorkDirectory) + MetadataFileName;
    header.Date = ToTapeDate(QDateTime::currentDateTime());
    header.Permissions = uint16_t(0600);
    header.Kind = TapeFileHeader::RecordKind::Metadata;
    header.DataLength = uint64_t(data.size());
    char headerBytes[TapeFileHeader::Size];
    header.Encode(headerBytes);
    ctx.Counters.TapeBytes += int64_t(recordBytes);
    WriteStream(ctx, handle, headerBytes, TapeFileHeader::Size);
    WriteMemoryData(ctx, handle, data);
}

RecordSink MetadataCollector::Sink() {
    m_data.clear();
    m_tooLarge = false;
    return RecordSink::Consumer([this](std::span<const char> bytes) {
        if (m_tooLarge || m_data.size() + qsizetype(bytes.size()) > MaxMetadataBytes) {
            m_tooLarge = true;
            return;
        }
        m_data.append(bytes.data(), qsizetype(bytes.size()));
    });
}

void MetadataCollector::Finish() {
    if (!m_tooLarge)
        if (const auto metadata = SetMetadata::Decode(m_data))
            m_metadata.Merge(*metadata);
    m_data.clear();
}

std::optional<SetMetadata> ReadMetadataRecordAt(ArchiveContext& ctx, TapeHandlePtr& handle,
                                                const TapeFileHeader::Place& place) {
    if (!handle || place.TapeNumber != ctx.CurrentTapeDescription.TapeNumber ||
        place.At.BlockCounter < 1 || place.At.BlockOffset < 0 ||
        place.At.BlockOffset >= int32_t(TapeBlockSize))
        return std::nullopt;
    const int64_t tapeBytes = ctx.Counters.TapeBytes;
    MoveHandleToBlock(ctx, *handle, place.At.BlockCounter);
    LoadStreamBlock(ctx, *handle, place.At.BlockOffset);
    MetadataCollector collector;
    bool found = false;
    ReadFileRecord(ctx, handle, [&](const TapeFileHeader& header) {
        found = header.Kind == TapeFileHeader::RecordKind::Metadata;
        return found ? collector.Sink() : RecordSink::Skip();
    });
    ctx.Counters.TapeBytes = tapeBytes;
    if (!found || ctx.CancelFlag)
        return std::nullopt;
    collector.Finish();
    return collector.Metadata();
}

} // namespace orvane
