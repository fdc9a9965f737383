#include "disk_image_backup.h"

#include "archive/backup_filler.h"
#include "archive/backup_writer.h"
#include "archive/end_marker_io.h"
#include "disk_device.h"
#include "disk_geometry.h"
#include "disk_list.h"
#include "platform/operator_interface.h"
#include "platform/protocol_log.h"
#include "tape/tape_access.h"
#include "tape/tape_date.h"
#include "tape/tape_description_io.h"

#include <QDateTime>
#include <QFile>
#include <vector>

namespace orvane {

namespace {

// Tells the operator and the protocol why the image stops here.
void Fail(ArchiveContext& ctx, const QString& text) {
    ctx.CancelFlag = true;
    ctx.Protocol.AddProtocolLine(text);
    ctx.Op.ShowError(text);
}

QString ReadErrorText(int diskNumber, const QString& reason) {
    return QStringLiteral("Error: From Drive %1 could not read! (%2)").arg(diskNumber).arg(reason);
}

void StartDiskTapeSet(ArchiveContext& ctx, const DiskGeometry& geometry) {
    TapeDescription& description = ctx.CurrentTapeDescription;
    description.Label = QByteArrayLiteral("Disk");
    description.Date = ToTapeDate(QDateTime::currentDateTime());
    description.TapeNumber = 1;
    description.Geometry = geometry.Encode();
    WriteTapeDescription(ctx, description);
}

// One chunk to tape: straight from memory, or with soft compression through the work file that
// the zip component packs.
void SaveChunk(ArchiveContext& ctx, BackupWriterState& state, std::span<const char> data,
               bool compress, SaveMode mode, int diskNumber) {
    const QString workFile = ChunkWorkFilePath(ctx);
    if (!compress) {
        SaveDataToTape(ctx, state, workFile, data, mode);
        return;
    }
    QFile file(workFile);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate) ||
        file.write(data.data(), qint64(data.size())) != qint64(data.size()) || !file.flush()) {
        Fail(ctx, ReadErrorText(diskNumber, file.errorString()));
        return;
    }
    file.close();
    SAVE_FILES_TO_TAPE(ctx, state, workFile, true, mode);
}

} // namespace

QString ChunkWorkFilePath(const ArchiveContext& ctx) {
    return ctx.Paths.ProgramDirectory + QStringLiteral("diskdata.dat");
}

void BackupDiskImage(ArchiveContext& ctx, BackupWriterState& state, int diskNumber,
                     const DiskImageChoices& choices) {
    const std::optional<DiskEntry> entry = FindDisk(diskNumber);
    if (!entry) {
        Fail(ctx, QStringLiteral("Error: Harddisk %1 does not exist (orvane-cli disks lists the "
                                 "disks).")
                      .arg(diskNumber));
        return;
    }
    DiskDevice disk;
    if (!disk.Open(entry->Path, DiskDevice::Access::Read)) {
        Fail(ctx, ReadErrorText(diskNumber, entry->Path + QStringLiteral(": ") + disk.ErrorText()));
        return;
    }
    const uint32_t sectorSize = disk.SectorSize();
    if (disk.ByteCount() == 0 || disk.ByteCount() % sectorSize != 0) {
        Fail(ctx, QStringLiteral("Error: %1 is not a whole number (at least one) of %2-byte "
                                 "sectors: it is not imaged.")
                      .arg(entry->Path)
                      .arg(sectorSize));
        return;
    }
    const DiskGeometry geometry =
        DiskGeometry::ForSectors(disk.ByteCount() / sectorSize, sectorSize);
    const std::optional<ChunkPlan> plan = ChunkPlan::For(geometry.Cylinders, sectorSize);
    if (!plan) {
        Fail(ctx, QStringLiteral("Error: Harddisk %1 reports a sector size of %2 bytes, which "
                                 "cannot be imaged.")
                      .arg(diskNumber)
                      .arg(sectorSize));
        return;
    }

    TapeHandlePtr probe = OpenTape(ctx);
    const bool driveReady = probe != nullptr;
    CloseTape(probe, 1);
    if (!driveReady)
        return;
    if (choices.Append && (ctx.DescriptionValid || ctx.DescriptionUnreadable)) {
        Fail(ctx, QStringLiteral("A disk image is never appended to a tape set: clear \"Append\". "
                                 "Nothing was written to tape."));
        return;
    }
    StartDiskTapeSet(ctx, geometry);

    std::vector<char> imageBuffer;
    int64_t sectorsDone = 0;
    for (int64_t index = 0; index < plan->ChunkCount() && !ctx.CancelFlag; ++index) {
        const int64_t sectors = plan->SectorsOfChunk(index);
        imageBuffer.resize(size_t(sectors) * sectorSize);
        if (!disk.ReadAt(sectorsDone * sectorSize, imageBuffer)) {
            Fail(ctx, ReadErrorText(diskNumber, disk.ErrorText()));
            break;
        }
        SaveChunk(ctx, state, imageBuffer, choices.SoftCompression,
                  index == 0 ? SaveMode::NewSet : SaveMode::Continue, diskNumber);
        sectorsDone += sectors;
        if (!state.StreamReady || ctx.WriteFailed || ctx.TapeSetAbandoned)
            break;
    }
    disk.Close();
    CloseCatalogFile(state); // a disk image has no catalog
    QFile::remove(ctx.Paths.CatalogFilePath);
    QFile::remove(ChunkWorkFilePath(ctx));

    if (!state.StreamReady || ctx.WriteFailed || ctx.TapeSetAbandoned) {
        ctx.CancelFlag = true;
        return;
    }
    // A cancelled image still ends with the marker after its last chunk.
    const bool cancelled = ctx.CancelFlag;
    ctx.CancelFlag = false;
    const bool sealed = WriteEndMarker(ctx, NextRecordStart(ctx));
    ctx.CancelFlag = cancelled || !sealed;
}

} // namespace orvane
