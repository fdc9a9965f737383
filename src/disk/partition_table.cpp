#include "partition_table.h"

#include "disk_device.h"

#include <QHash>
#include <algorithm>
#include <vector>

namespace orvane {

namespace {

constexpr int MbrTableOffset = 446;
constexpr int MbrEntrySize = 16;
constexpr int GptProtectiveType = 0xEE;
// Far more than any GPT holds (128 by custom); a header from a damaged disk may claim anything.
constexpr uint32_t MostGptEntries = 1024;
constexpr uint32_t MostGptEntrySize = 4096;

uint64_t Little(std::span<const char> bytes, size_t at, size_t width) {
    uint64_t value = 0;
    for (size_t i = 0; i < width; ++i)
        value |= uint64_t(uint8_t(bytes[at + i])) << (8 * i);
    return value;
}

QString GuidText(std::span<const char> bytes) {
    auto hex = [&](size_t at, size_t width, bool little) {
        QString text;
        for (size_t i = 0; i < width; ++i)
            text += QStringLiteral("%1").arg(uint8_t(bytes[at + (little ? width - 1 - i : i)]), 2,
                                             16, QLatin1Char('0'));
        return text;
    };
    return (hex(0, 4, true) + QLatin1Char('-') + hex(4, 2, true) + QLatin1Char('-') +
            hex(6, 2, true) + QLatin1Char('-') + hex(8, 2, false) + QLatin1Char('-') +
            hex(10, 6, false))
        .toUpper();
}

QString GptTypeName(const QString& guid) {
    static const QHash<QString, QString> names = {
        {QStringLiteral("C12A7328-F81F-11D2-BA4B-00A0C93EC93B"), QStringLiteral("EFI System")},
        {QStringLiteral("21686148-6449-6E6F-744E-656564454649"), QStringLiteral("BIOS boot")},
        {QStringLiteral("0FC63DAF-8483-4772-8E79-3D69D8477DE4"),
         QStringLiteral("Linux filesystem")},
        {QStringLiteral("0657FD6D-A4AB-43C4-84E5-0933C84B4F4F"), QStringLiteral("Linux swap")},
        {QStringLiteral("E6D6D379-F507-44C2-A23C-238F2A3DF928"), QStringLiteral("Linux LVM")},
        {QStringLiteral("4F68BCE3-E8CD-4DB1-96E7-FBCAF984B709"),
         QStringLiteral("Linux root (x86-64)")},
        {QStringLiteral("EBD0A0A2-B9E5-4433-87C0-68B6B72699C7"),
         QStringLiteral("Microsoft basic data")},
        {QStringLiteral("E3C9E316-0B5C-4DB8-817D-F92DF00215AE"),
         QStringLiteral("Microsoft reserved")},
    };
    return names.value(guid, guid);
}

} // namespace

QStringList PartitionTable::GridHeader() {
    return {QStringLiteral("Partition"), QStringLiteral("Status"),   QStringLiteral("StartHd"),
            QStringLiteral("StartSec"),  QStringLiteral("StartCyl"), QStringLiteral("PartType"),
            QStringLiteral("EndHd"),     QStringLiteral("EndSec"),   QStringLiteral("EndCyl"),
            QStringLiteral("SecOfs"),    QStringLiteral("SecNum")};
}

QStringList PartitionTable::GridCells(const PartitionRow& row) const {
    QString first = QString::number(row.Number);
    if (!row.MountPoint.isEmpty())
        first += QStringLiteral(" = ") + row.MountPoint;
    if (Gpt)
        return {first,
                QString(),
                QString(),
                QString(),
                QString(),
                row.TypeName,
                QString(),
                QString(),
                QString(),
                QString::number(row.FirstSector),
                QString::number(row.SectorCount)};
    return {first,
            QString::number(row.Status),
            QString::number(row.StartHead),
            QString::number(row.StartSector),
            QString::number(row.StartCylinder),
            QString::number(row.Type),
            QString::number(row.EndHead),
            QString::number(row.EndSector),
            QString::number(row.EndCylinder),
            QString::number(row.FirstSector),
            QString::number(row.SectorCount)};
}

PartitionTable DecodeMbr(std::span<const char> sector0) {
    PartitionTable table;
    for (int i = 0; i < 4; ++i) {
        const std::span<const char> e = sector0.subspan(MbrTableOffset + i * MbrEntrySize);
        auto byte = [&](size_t at) { return int(uint8_t(e[at])); };
        PartitionRow row;
        row.Number = i + 1;
        row.Status = byte(0);
        row.StartHead = byte(1);
        row.StartSector = byte(2) & 0x3F;
        row.StartCylinder = (byte(2) & 0xC0) * 4 + byte(3);
        row.Type = byte(4);
        row.EndHead = byte(5);
        row.EndSector = byte(6) & 0x3F;
        row.EndCylinder = (byte(6) & 0xC0) * 4 + byte(7);
        row.FirstSector = Little(e, 8, 4);
        row.SectorCount = Little(e, 12, 4);
        if (row.FirstSector != 0)
            table.Rows.push_back(row);
    }
    return table;
}

bool DecodeGpt(std::span<const char> header, std::span<const char> entries, PartitionTable& table) {
    if (header.size() < 92 || std::string_view(header.data(), 8) != "EFI PART")
        return false;
    const uint64_t count = Little(header, 80, 4);
    const uint64_t size = Little(header, 84, 4);
    if (count > MostGptEntries || size < 128 || size > MostGptEntrySize)
        return false;
    table = PartitionTable();
    table.Gpt = true;
    for (uint64_t i = 0; i < count && (i + 1) * size <= entries.size(); ++i) {
        const std::span<const char> e = entries.subspan(i * size, size);
        if (std::all_of(e.begin(), e.begin() + 16, [](char c) { return c == 0; }))
            continue;
        PartitionRow row;
        row.Number = int(i + 1);
        row.FirstSector = Little(e, 32, 8);
        const uint64_t last = Little(e, 40, 8);
        row.SectorCount = last >= row.FirstSector ? last - row.FirstSector + 1 : 0;
        row.TypeName = GptTypeName(GuidText(e.first(16)));
        table.Rows.push_back(row);
    }
    return true;
}

bool ReadPartitionTable(DiskDevice& disk, PartitionTable& table, QString& error) {
    const int64_t sector = disk.SectorSize();
    std::vector<char> first(size_t(std::min<int64_t>(disk.ByteCount(), 32768)), 0);
    if (first.size() < 512 || !disk.ReadAt(0, first)) {
        error = first.size() < 512 ? QStringLiteral("the disk is smaller than one sector")
                                   : disk.ErrorText();
        return false;
    }
    table = DecodeMbr(first);
    const bool protective = std::any_of(table.Rows.begin(), table.Rows.end(), [](const auto& row) {
        return row.Type == GptProtectiveType;
    });
    if (!protective || disk.ByteCount() < 2 * sector)
        return true;
    std::vector<char> header(static_cast<size_t>(sector));
    if (!disk.ReadAt(sector, header))
        return true; // the protective entry stays what is shown
    const uint64_t entriesAt = Little(header, 72, 8);
    const uint64_t count = Little(header, 80, 4);
    const uint64_t size = Little(header, 84, 4);
    const uint64_t bytes =
        std::min<uint64_t>(count, MostGptEntries) * std::min<uint64_t>(size, MostGptEntrySize);
    if (entriesAt == 0 || entriesAt > uint64_t(disk.ByteCount() / sector) ||
        entriesAt * uint64_t(sector) + bytes > uint64_t(disk.ByteCount()))
        return true;
    std::vector<char> entries(bytes);
    if (disk.ReadAt(int64_t(entriesAt) * sector, entries)) {
        PartitionTable gpt;
        if (DecodeGpt(header, entries, gpt))
            table = gpt;
    }
    return true;
}

} // namespace orvane
