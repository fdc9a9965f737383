#pragma once

#include <QString>
#include <QStringList>
#include <cstdint>
#include <span>
#include <vector>

namespace orvane {

class DiskDevice;

// One used partition entry of a disk, as its grid row shows it.
struct PartitionRow {
    int Number = 0; // the entry's place in its table, from 1
    int Status = 0; // boot indicator: 128 active, 0 inactive
    int StartHead = 0, StartSector = 0, StartCylinder = 0;
    int Type = 0; // the MBR partition type
    int EndHead = 0, EndSector = 0, EndCylinder = 0;
    uint64_t FirstSector = 0;
    uint64_t SectorCount = 0;
    QString TypeName; // a GPT partition's type: its name, or its type GUID when unknown
    QString MountPoint;
};

// The partitions of a disk: the four primary entries of its MBR, or, on a disk whose MBR only
// protects a GUID partition table (an entry of type 0xEE), the entries of that table.
struct PartitionTable {
    bool Gpt = false;
    std::vector<PartitionRow> Rows; // the used entries only (first sector not 0)

    static QStringList GridHeader();
    QStringList GridCells(const PartitionRow& row) const;
};

// The entries of the MBR in `sector0` (at least 512 bytes); the 0x55 0xAA signature is not
// checked. Unused entries (first sector 0) are left out.
PartitionTable DecodeMbr(std::span<const char> sector0);
// The entries of a GPT from its header sector and its entry array, every field range-checked;
// false when the header is not one.
bool DecodeGpt(std::span<const char> header, std::span<const char> entries, PartitionTable& table);

// Reads the MBR of an open disk and, behind a protective entry, its GPT. False with the error in
// `error` when the disk cannot be read.
bool ReadPartitionTable(DiskDevice& disk, PartitionTable& table, QString& error);

} // namespace orvane
