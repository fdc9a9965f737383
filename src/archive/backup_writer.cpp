#include "backup_writer.h"

#include "backup_entries_without_data.h"
#include "backup_file_record.h"
#include "backup_filler.h"
#include "backup_inclusion.h"
#include "backup_walk.h"
#include "end_marker_io.h"
#include "metadata_record_io.h"
#include "platform/message_pump.h"
#include "platform/operator_interface.h"
#include "platform/path_bytes.h"
#include "platform/protocol_log.h"
#include "tape/tape_access.h"
#include "tape_reader.h"

#include <QDir>
#include <QFile>
#include <fcntl.h>
#include <sys/stat.h>

namespace orvane {

namespace {

void ReportCatalogProblem(ArchiveContext& ctx, const QString& text) {
    ctx.CancelFlag = true;
    ctx.Protocol.AddProtocolLine(text);
    ctx.Op.ShowError(text);
}

void StartNewSet(ArchiveContext& ctx, BackupWriterState& state) {
    MoveToBlock(ctx, QStringLiteral("1"));
    ctx.Stream.StartBlock(1);
    QDir().mkpath(ctx.Paths.WorkDirectory);
    state.Catalog.close();
    state.Catalog.setFileName(ctx.Paths.CatalogFilePath);
    if (!state.Catalog.open(QIODevice::WriteOnly | QIODevice::Truncate)) {
        ReportCatalogProblem(ctx, QStringLiteral("The catalog file %1 cannot be created: %2")
                                      .arg(ctx.Paths.CatalogFilePath, state.Catalog.errorString()));
        return;
    }
    state.StreamReady = true;
}

// Reads the set's catalog back from its place before the end marker and opens it for more
// records; the stream then stands where the old catalog began, so that the appended files
// overwrite it and the old end marker. False when the record there is not a whole catalog.
bool ReopenCatalogAt(ArchiveContext& ctx, BackupWriterState& state, TapeHandlePtr& handle,
                     const StreamPosition& catalogStart) {
    MoveHandleToBlock(ctx, *handle, catalogStart.BlockCounter);
    LoadStreamBlock(ctx, *handle, catalogStart.BlockOffset);
    const TapeBlock startBlock = ctx.Stream.Block();
    // Reading the old catalog back is no part of what this run puts on tape.
    const int64_t tapeBytes = ctx.Counters.TapeBytes;
    const QByteArray path = ReadFileRecord(ctx, handle, false, true);
    ctx.Counters.TapeBytes = tapeBytes;
    PumpMessages(1);

    bool reopened = false;
    if (FileNamePart(path) == CatalogFileName) {
        state.Catalog.close();
        state.Catalog.setFileName(ctx.Paths.CatalogFilePath);
        reopened = state.Catalog.exists() && state.Catalog.size() % CatalogRecord::Size == 0 &&
                   state.Catalog.open(QIODevice::WriteOnly | QIODevice::Append);
    } else if (!path.isEmpty()) {
        QFile::remove(WorkFileFor(ctx, path));
    }
    // The set's metadata so far goes into the metadata record this run writes.
    if (reopened && ctx.LastHeader.MetadataRecord)
        if (auto metadata = ReadMetadataRecordAt(ctx, handle, *ctx.LastHeader.MetadataRecord))
            state.Metadata = std::move(*metadata);
    PumpMessages(1);

    const bool placed = ctx.Stream.SetPosition(catalogStart);
    ctx.Stream.Block() = startBlock;
    if (handle)
        MoveHandleToBlock(ctx, *handle, catalogStart.BlockCounter);
    return reopened && placed;
}

void PrepareAppend(ArchiveContext& ctx, BackupWriterState& state) {
    const StreamPosition catalogStart = FindEndMarker(ctx);
    if (ctx.CancelFlag)
        return; // no drive, a damaged end marker, or the operator gave up looking for the last tape
    if (!ctx.Stream.SetPosition(catalogStart)) {
        ReportDamagedEndMarker(ctx, catalogStart);
        return;
    }
    TapeHandlePtr handle = OpenTape(ctx);
    if (!handle)
        return;
    PumpMessages(1);
    const bool reopened = ReopenCatalogAt(ctx, state, handle, catalogStart);
    CloseTape(handle, 1);
    if (!reopened) {
        if (!ctx.CancelFlag)
            ReportCatalogProblem(
                ctx, QStringLiteral("Append not possible: the catalog of the tape set was not "
                                    "found at its end. Nothing was written to tape."));
        return;
    }
    state.StreamReady = true;
}

bool IsDirectoryEntry(const QString& entry) {
    return entry.endsWith(QLatin1Char('/'));
}

} // namespace

BackupWriterState::BackupWriterState(const QStringList& excludeList, bool shortProtocol)
    : ShortProtocol(shortProtocol) {
    for (const QString& line : excludeList)
        if (!line.isEmpty())
            ExcludePrefixes << PathToBytes(line);
}

namespace {

void PrepareStream(ArchiveContext& ctx, BackupWriterState& state, SaveMode mode) {
    SetBusyCursor(ctx);
    if (mode == SaveMode::NewSet)
        StartNewSet(ctx, state);
    else if (mode == SaveMode::Append && ctx.DescriptionValid)
        PrepareAppend(ctx, state);
    PumpMessages(1);
}

} // namespace

void SAVE_FILES_TO_TAPE(ArchiveContext& ctx, BackupWriterState& state, const QString& entry,
                        bool compress, SaveMode mode) {
    if (ctx.CancelFlag)
        return;
    PrepareStream(ctx, state, mode);

    if (state.StreamReady && !ctx.CancelFlag) {
        const QByteArray path = PathToBytes(entry);
        if (!QDir::isAbsolutePath(entry)) {
            // A relative path would name another file on every restore.
            ReportSkippedFile(ctx, state, path, 0);
        } else if (TapeHandlePtr handle = OpenTape(ctx); handle) {
            struct stat info {};
            if (IsDirectoryEntry(entry))
                WalkDirectory(ctx, state, path, handle, compress);
            else if (::lstat(path.constData(), &info) == 0 && S_ISLNK(info.st_mode))
                RecordSymbolicLink(ctx, state, path, AT_FDCWD, path, info);
            else
                WriteFileRecord(ctx, state, handle, path, compress);
            CloseTape(ctx, handle, 1);
        }
    }
    RestoreCursor(ctx);
}

void SaveDataToTape(ArchiveContext& ctx, BackupWriterState& state, const QString& path,
                    std::span<const char> data, SaveMode mode) {
    if (ctx.CancelFlag)
        return;
    PrepareStream(ctx, state, mode);
    if (state.StreamReady && !ctx.CancelFlag) {
        if (TapeHandlePtr handle = OpenTape(ctx); handle) {
            WriteDataRecord(ctx, state, handle, PathToBytes(path), data);
            CloseTape(ctx, handle, 1);
        }
    }
    RestoreCursor(ctx);
}

bool CloseCatalogFile(BackupWriterState& state) {
    const bool flushed = !state.Catalog.isOpen() || state.Catalog.flush();
    state.Catalog.close();
    return flushed;
}

StreamPosition SaveCatalogToTape(ArchiveContext& ctx, BackupWriterState& state, bool compress) {
    StreamPosition catalogStart = NextRecordStart(ctx);
    if (ctx.CancelFlag || !state.StreamReady)
        return catalogStart;
    SetBusyCursor(ctx);
    PumpMessages(1);
    if (TapeHandlePtr handle = OpenTape(ctx); handle) {
        WriteMetadataRecord(ctx, state, handle, CatalogBytesAtMost(ctx, compress));
        const auto placeCatalog = [&](uint64_t storedLength) {
            const uint64_t recordBytes = TapeFileHeader::Size + storedLength;
            if (const auto filler =
                    FillerLength(ctx.Stream.Position(), ctx.BlockLimit, recordBytes))
                WriteFillerRecord(ctx, handle, *filler);
            catalogStart = NextRecordStart(ctx);
        };
        state.WritingCatalog = true;
        WriteFileRecord(ctx, state, handle, PathToBytes(ctx.Paths.CatalogFilePath), compress,
                        placeCatalog);
        state.WritingCatalog = false;
        CloseTape(ctx, handle, 1);
    }
    RestoreCursor(ctx);
    return catalogStart;
}

} // namespace orvane
