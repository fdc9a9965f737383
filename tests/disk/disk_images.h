#pragma once

#include <QByteArray>
#include <QFile>
#include <QProcess>
#include <QRandomGenerator>
#include <QStandardPaths>
#include <QString>
#include <array>
#include <cstdint>
#include <vector>

namespace orvane::test {

struct MbrEntry {
    uint8_t Status = 0;
    uint8_t Type = 0;
    uint32_t First = 0;
    uint32_t Count = 0;
    std::array<uint8_t, 3> Chs{}; // start head, sector byte, cylinder byte
};

inline void PutLittle(QByteArray& bytes, qsizetype at, uint64_t value, int width) {
    for (int i = 0; i < width; ++i)
        bytes[at + i] = char(uint8_t(value >> (8 * i)));
}

inline void PutMbrEntry(QByteArray& sector, int index, const MbrEntry& entry) {
    const qsizetype at = 446 + index * 16;
    sector[at] = char(entry.Status);
    for (int i = 0; i < 3; ++i)
        sector[at + 1 + i] = char(entry.Chs[size_t(i)]);
    sector[at + 4] = char(entry.Type);
    PutLittle(sector, at + 8, entry.First, 4);
    PutLittle(sector, at + 12, entry.Count, 4);
    sector[510] = char(0x55);
    sector[511] = char(0xAA);
}

// Type GUIDs as they lie on disk (the first three fields little-endian).
inline const QByteArray EfiSystemType = QByteArray::fromHex("28732AC11FF8D211BA4B00A0C93EC93B");
inline const QByteArray LinuxFilesystemType =
    QByteArray::fromHex("AF3DC60F838472478E793D69D8477DE4");

struct GptEntry {
    uint64_t First, Last;
    QByteArray Type;
};

// A disk image of `sectors` 512-byte sectors with a protective MBR and a GPT at sector 1 whose
// entries lie at sector 2.
inline void WriteGptImage(const QString& path, int64_t sectors, const std::vector<GptEntry>& parts,
                          uint32_t entryCount = 128) {
    QFile file(path);
    file.open(QIODevice::WriteOnly | QIODevice::Truncate);
    file.resize(sectors * 512);
    QByteArray mbr(512, 0);
    PutMbrEntry(mbr, 0, {.Type = 0xEE, .First = 1, .Count = uint32_t(sectors - 1)});
    QByteArray header(512, 0);
    header.replace(0, 8, "EFI PART");
    PutLittle(header, 72, 2, 8);
    PutLittle(header, 80, entryCount, 4);
    PutLittle(header, 84, 128, 4);
    QByteArray entries(128 * 128, 0);
    for (size_t i = 0; i < parts.size(); ++i) {
        const qsizetype at = qsizetype(i) * 128;
        entries.replace(at, 16, parts[i].Type);
        PutLittle(entries, at + 32, parts[i].First, 8);
        PutLittle(entries, at + 40, parts[i].Last, 8);
    }
    file.write(mbr + header + entries);
}

// A disk image as an installed machine has one: an MBR with a FAT partition (a FAT boot sector
// and data) and an ext4 partition (made by mkfs.ext4 where the machine has it), random data in
// both and zeros around them. `sectors` (at least 2048) of 512 bytes; the partitions take about
// the first 3/4.
inline void WriteSampleDisk(const QString& path, int64_t sectors) {
    const int64_t fatFirst = sectors / 16, fatCount = (sectors * 3 / 8) - fatFirst;
    const int64_t extFirst = fatFirst + fatCount, extCount = sectors * 3 / 8;
    QFile file(path);
    file.open(QIODevice::ReadWrite | QIODevice::Truncate);
    file.resize(sectors * 512);
    QByteArray mbr(512, 0);
    PutMbrEntry(
        mbr, 0,
        {.Status = 0x80, .Type = 0x0C, .First = uint32_t(fatFirst), .Count = uint32_t(fatCount)});
    PutMbrEntry(mbr, 1, {.Type = 0x83, .First = uint32_t(extFirst), .Count = uint32_t(extCount)});
    file.write(mbr);

    QByteArray boot(512, 0);
    boot.replace(0, 3, QByteArray::fromHex("EB5890"));
    boot.replace(82, 5, "FAT32");
    PutLittle(boot, 67, 0x1234ABCD, 4);
    file.seek(fatFirst * 512);
    file.write(boot);
    auto randomBytes = [](qsizetype size) {
        QByteArray bytes(size, Qt::Uninitialized);
        QRandomGenerator generator(size);
        generator.fillRange(reinterpret_cast<quint32*>(bytes.data()), size / 4);
        return bytes;
    };
    file.seek(fatFirst * 512 + 65536);
    file.write(randomBytes(fatCount * 512 / 3));
    file.close();

    const QString mkfs = QStandardPaths::findExecutable("mkfs.ext4", {"/usr/sbin", "/sbin"});
    const QString extImage = path + ".ext4";
    QFile ext(extImage);
    if (!mkfs.isEmpty()) {
        ext.open(QIODevice::WriteOnly | QIODevice::Truncate);
        ext.resize(extCount * 512);
        ext.close();
        QProcess::execute(mkfs, {"-q", "-F", extImage});
    }
    QByteArray extBytes;
    if (ext.open(QIODevice::ReadOnly))
        extBytes = ext.readAll();
    ext.remove();
    file.open(QIODevice::ReadWrite);
    file.seek(extFirst * 512);
    file.write(extBytes);
    file.seek(extFirst * 512 + extCount * 512 / 2);
    file.write(randomBytes(extCount * 512 / 4));
}

inline QByteArray ReadAll(const QString& path) {
    QFile file(path);
    file.open(QIODevice::ReadOnly);
    return file.readAll();
}

} // namespace orvane::test
