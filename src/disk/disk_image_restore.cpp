#include "disk_image_restore.h"

#include "archive/tape_reader.h"
#include "disk_device.h"
#include "disk_list.h"
#include "disk_use.h"
#include "platform/message_pump.h"
#include "platform/operator_interface.h"
#include "platform/protocol_log.h"
#include "tape/tape_access.h"

#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QLocale>
#include <vector>

namespace orvane {

namespace {

constexpr int64_t Megabyte = 1048576;

void Fail(ArchiveContext& ctx, const QString& text) {
    ctx.CancelFlag = true;
    ctx.Protocol.AddProtocolLine(text);
    ctx.Op.ShowError(text);
}

bool IsSectorSize(uint32_t size) {
    return size >= 512 && size <= 65536 && (size & (size - 1)) == 0;
}

void ShowDisplays(ArchiveContext& ctx, int64_t chunks) {
    ctx.Op.ShowRestoreProgress({.RestoredMiB = ctx.Counters.RestoredBytes / Megabyte,
                                .TapeMiB = ctx.Counters.TapeBytes / Megabyte,
                                .Files = chunks});
}

// Takes the next chunk record off the tape into `chunk`, which must come out `expected` bytes
// long. False at the end of the image, for a record that is not such a chunk (reported) and on
// a tape error or cancel.
bool ReadChunk(ArchiveContext& ctx, TapeHandlePtr& handle, int64_t expected,
               std::vector<char>& chunk) {
    chunk.clear();
    bool wrongLength = false;
    const QByteArray path = ReadFileRecord(ctx, handle, [&](const TapeFileHeader& header) {
        if (header.Compressed)
            return RecordSink::WorkFile(true);
        if (header.DataLength != uint64_t(expected)) {
            wrongLength = true;
            return RecordSink::Skip();
        }
        return RecordSink::Consumer([&chunk](std::span<const char> piece) {
            chunk.insert(chunk.end(), piece.begin(), piece.end());
        });
    });
    if (path.isEmpty())
        return false;
    if (ctx.LastHeader.Compressed) {
        // The reader has unpacked it into its work file.
        const QString workFile = WorkFileFor(ctx, path);
        QFile file(workFile);
        if (file.open(QIODevice::ReadOnly) && file.size() == expected) {
            chunk.resize(size_t(expected));
            wrongLength = file.read(chunk.data(), expected) != expected;
        } else {
            wrongLength = true;
        }
        file.close();
        QFile::remove(workFile);
    }
    if (wrongLength || int64_t(chunk.size()) != expected) {
        Fail(ctx, QStringLiteral("Error: the record %1 on tape is not a chunk of this disk image "
                                 "(%2 bytes expected). The restore stops here.")
                      .arg(QString::fromUtf8(path))
                      .arg(expected));
        return false;
    }
    return true;
}

// Opens the target for writing once everything says it may be written; the reason otherwise.
QString OpenTarget(const DiskEntry& target, const QString& programDirectory, DiskDevice& disk) {
    if (const QString refusal = WriteRefusal(FindDiskUse(target.Path, programDirectory));
        !refusal.isEmpty())
        return refusal;
    if (!disk.Open(target.Path, DiskDevice::Access::WriteExclusive))
        return QStringLiteral("Harddisk %1 (%2) can not be written: %3%4")
            .arg(target.Number)
            .arg(target.Path, disk.ErrorText(),
                 disk.IsBlockDevice() ? QStringLiteral(" (mounted, or in use by another program)")
                                      : QString());
    return QString();
}

} // namespace

std::optional<DiskGeometry> SourceDiskGeometry(const TapeContext& ctx) {
    if (ctx.CurrentTapeDescription.Label != "Disk")
        return std::nullopt;
    return DiskGeometry::Decode(ctx.CurrentTapeDescription.Geometry);
}

QStringList SourceDiskLines(const DiskGeometry& geometry) {
    return {QStringLiteral("  Cylinder:\t\t\t") + QString::number(geometry.Cylinders),
            QStringLiteral("  Tracks per Cylinder:\t") +
                QString::number(geometry.TracksPerCylinder),
            QStringLiteral("  Sectors per Track:\t\t") + QString::number(geometry.SectorsPerTrack),
            QStringLiteral("  Bytes per Sector:\t\t") + QString::number(geometry.BytesPerSector),
            QStringLiteral("  Mega Bytes Capacity:\t") + geometry.MegabytesText()};
}

void RestoreDiskImage(ArchiveContext& ctx, int diskNumber) {
    const std::optional<DiskGeometry> source = SourceDiskGeometry(ctx);
    const std::optional<int64_t> sourceSectors =
        source ? source->SectorCount() : std::optional<int64_t>();
    if (!sourceSectors || !IsSectorSize(source->BytesPerSector) || !source->ByteCount()) {
        Fail(ctx, source ? QStringLiteral("Error: the disk geometry on this tape is damaged.")
                         : QStringLiteral("Error: the loaded tape holds no disk image."));
        return;
    }
    if (ctx.Op.MessageBox(QStringLiteral("Attention : Do you will lost all old Datas on Harddisk "
                                         "%1 during Restore ! Continue?")
                              .arg(diskNumber),
                          QString(), MessageIcon::Warning,
                          MessageButtons::YesNo) != MessageAnswer::Yes) {
        ctx.CancelFlag = true;
        return;
    }
    const std::optional<DiskEntry> target = FindDisk(diskNumber);
    if (!target) {
        Fail(ctx, QStringLiteral("Error: Harddisk %1 does not exist.").arg(diskNumber));
        return;
    }
    DiskDevice disk;
    if (const QString refusal = OpenTarget(*target, ctx.Paths.ProgramDirectory, disk);
        !refusal.isEmpty()) {
        Fail(ctx, refusal);
        return;
    }
    if (disk.SectorSize() != source->BytesPerSector) {
        Fail(ctx, QStringLiteral("The selected Harddisk has %1-byte sectors, the image %2-byte "
                                 "sectors: it can not be restored there.")
                      .arg(disk.SectorSize())
                      .arg(source->BytesPerSector));
        return;
    }
    if (disk.ByteCount() / disk.SectorSize() < *sourceSectors) {
        ctx.CancelFlag = true;
        ctx.Protocol.AddProtocolLine(
            QStringLiteral("The selected Harddisk is to small to restore !"));
        ctx.Op.ShowMessage(QStringLiteral("The selected Harddisk is to small to restore !"));
        return;
    }
    const ChunkPlan plan = *ChunkPlan::For(*sourceSectors, source->BytesPerSector);

    SetBlockSize(ctx);
    ctx.Counters.TapeBytes = 0;
    ctx.Counters.RestoredBytes = 0;
    ShowDisplays(ctx, 0);
    if (!RewindWithStatus(ctx)) {
        ctx.CancelFlag = true;
        return;
    }
    PumpMessages(100);
    if (!ctx.LegacyTape)
        MoveToBlock(ctx, QStringLiteral("1"));
    TapeHandlePtr handle = OpenTape(ctx);
    if (!handle) {
        ctx.CancelFlag = true;
        return;
    }
    LoadStreamBlock(ctx, *handle, 0);

    std::vector<char> chunk;
    int64_t sectorsDone = 0;
    int64_t index = 0;
    for (; index < plan.ChunkCount() && !ctx.CancelFlag; ++index) {
        PumpMessages(1);
        const int64_t sectors = plan.SectorsOfChunk(index);
        if (!ReadChunk(ctx, handle, sectors * source->BytesPerSector, chunk))
            break;
        if (!disk.WriteAt(sectorsDone * source->BytesPerSector, chunk)) {
            Fail(ctx, QStringLiteral("Error: Harddisk %1 could not be written: %2")
                          .arg(diskNumber)
                          .arg(disk.ErrorText()));
            break;
        }
        sectorsDone += sectors;
        ctx.Counters.RestoredBytes += int64_t(chunk.size());
        ShowDisplays(ctx, index + 1);
        PumpMessages(10);
    }
    CloseTape(handle, 1);
    if (!disk.Flush())
        Fail(ctx, QStringLiteral("Error: Harddisk %1 could not be written: %2")
                      .arg(diskNumber)
                      .arg(disk.ErrorText()));
    disk.Close();
    ctx.Counters.FileCount = index;
    if (sectorsDone < *sourceSectors) {
        ctx.CancelFlag = true;
        ctx.Protocol.AddProtocolLine(
            QStringLiteral("Harddisk %1: %2 of %3 sectors restored; the rest of the disk keeps "
                           "its old content.")
                .arg(diskNumber)
                .arg(sectorsDone)
                .arg(*sourceSectors));
    } else {
        ctx.Protocol.AddProtocolLine(QStringLiteral("Harddisk %1: all %2 sectors restored.")
                                         .arg(diskNumber)
                                         .arg(sectorsDone));
    }
    QFile::remove(ctx.Paths.CatalogFilePath);
    QFile::remove(ctx.Paths.SoftCompressionArchivePath);
}

namespace {

bool ConfirmOverwrite(ArchiveContext& ctx, int diskNumber) {
    return ctx.Op.MessageBox(QStringLiteral("Attention : all old Datas on Harddisk %1 will be "
                                            "lost ! Continue?")
                                 .arg(diskNumber),
                             QString(), MessageIcon::Warning,
                             MessageButtons::YesNo) == MessageAnswer::Yes;
}

// The disk by number, or nothing with the failure reported.
std::optional<DiskEntry> ExistingDisk(ArchiveContext& ctx, int diskNumber) {
    std::optional<DiskEntry> disk = FindDisk(diskNumber);
    if (!disk)
        Fail(ctx, QStringLiteral("Error: Harddisk %1 does not exist.").arg(diskNumber));
    return disk;
}

// The operator's yes to losing the disk's data, then the target opened for writing; false (the run
// cancelled or failed, and said so) otherwise.
bool OpenConfirmedTarget(ArchiveContext& ctx, const DiskEntry& entry, int diskNumber,
                         DiskDevice& disk) {
    if (!ConfirmOverwrite(ctx, diskNumber)) {
        ctx.CancelFlag = true;
        return false;
    }
    if (const QString refusal = OpenTarget(entry, ctx.Paths.ProgramDirectory, disk);
        !refusal.isEmpty()) {
        Fail(ctx, refusal);
        return false;
    }
    return true;
}

} // namespace

void ZeroFirstSector(ArchiveContext& ctx, int diskNumber) {
    ctx.CancelFlag = false;
    const std::optional<DiskEntry> target = ExistingDisk(ctx, diskNumber);
    if (!target)
        return;
    DiskDevice disk;
    if (!OpenConfirmedTarget(ctx, *target, diskNumber, disk))
        return;
    const std::vector<char> zeros(disk.SectorSize(), 0);
    if (!disk.WriteAt(0, zeros) || !disk.Flush())
        Fail(ctx, QStringLiteral("Error: Harddisk %1 could not be written: %2")
                      .arg(diskNumber)
                      .arg(disk.ErrorText()));
}

void CopyDisk(ArchiveContext& ctx, int source, int target) {
    ctx.CancelFlag = false;
    const std::optional<DiskEntry> from = ExistingDisk(ctx, source);
    const std::optional<DiskEntry> to = from ? ExistingDisk(ctx, target) : std::nullopt;
    if (!to)
        return;
    if (QFileInfo(from->Path).canonicalFilePath() == QFileInfo(to->Path).canonicalFilePath()) {
        Fail(ctx, QStringLiteral("Error: Harddisk %1 can not be copied onto itself.").arg(source));
        return;
    }
    DiskDevice in;
    if (!in.Open(from->Path, DiskDevice::Access::Read)) {
        Fail(ctx, QStringLiteral("Error: Harddisk %1 could not be read: %2")
                      .arg(source)
                      .arg(in.ErrorText()));
        return;
    }
    DiskDevice out;
    if (!OpenConfirmedTarget(ctx, *to, target, out))
        return;
    const uint32_t sectorSize = in.SectorSize();
    const int64_t sectors = in.ByteCount() / sectorSize;
    if (out.SectorSize() != sectorSize) {
        Fail(ctx, QStringLiteral("Harddisk %1 has %2-byte sectors, Harddisk %3 %4-byte sectors: "
                                 "it can not be copied there.")
                      .arg(target)
                      .arg(out.SectorSize())
                      .arg(source)
                      .arg(sectorSize));
        return;
    }
    if (out.ByteCount() / sectorSize < sectors) {
        Fail(ctx, QStringLiteral("The selected Harddisk is to small to restore !"));
        return;
    }
    const std::optional<ChunkPlan> plan = ChunkPlan::For(sectors, sectorSize);
    if (!plan) {
        Fail(ctx, QStringLiteral("Error: Harddisk %1 has no usable sector size.").arg(source));
        return;
    }
    QElapsedTimer clock;
    clock.start();
    ctx.Op.ShowBackupProgress({.SourceMiB = 0, .Files = 0});
    std::vector<char> chunk;
    int64_t done = 0;
    for (int64_t index = 0; index < plan->ChunkCount() && !ctx.CancelFlag; ++index) {
        chunk.resize(size_t(plan->SectorsOfChunk(index) * sectorSize));
        if (!in.ReadAt(done * sectorSize, chunk)) {
            Fail(ctx, QStringLiteral("Error: Harddisk %1 could not be read: %2")
                          .arg(source)
                          .arg(in.ErrorText()));
            break;
        }
        if (!out.WriteAt(done * sectorSize, chunk)) {
            Fail(ctx, QStringLiteral("Error: Harddisk %1 could not be written: %2")
                          .arg(target)
                          .arg(out.ErrorText()));
            break;
        }
        done += plan->SectorsOfChunk(index);
        const int64_t mib = done * sectorSize / Megabyte;
        const double seconds = std::max<double>(double(clock.elapsed()) / 1000.0, 1.0);
        ctx.Op.ShowBackupProgress(
            {.SourceMiB = mib, .Files = index + 1, .Rate = double(mib) / seconds});
        PumpMessages(10);
    }
    if (!out.Flush())
        Fail(ctx, QStringLiteral("Error: Harddisk %1 could not be written: %2")
                      .arg(target)
                      .arg(out.ErrorText()));
    if (done < sectors) {
        ctx.CancelFlag = true;
        ctx.Protocol.AddProtocolLine(
            QStringLiteral("Harddisk %1: %2 of %3 sectors copied from Harddisk %4.")
                .arg(target)
                .arg(done)
                .arg(sectors)
                .arg(source));
    } else {
        ctx.Protocol.AddProtocolLine(
            QStringLiteral("Harddisk %1: all %2 sectors copied from Harddisk %3.")
                .arg(target)
                .arg(done)
                .arg(source));
    }
}

} // namespace orvane
