#pragma once

#include <QString>
#include <array>
#include <cstdint>
#include <optional>

namespace orvane {

// A disk's geometry as the tape description of a disk image holds it (bytes 272..295). Linux
// knows no cylinders: the geometry of a disk is one sector per track and one track per
// cylinder, so that it multiplies out to exactly the disk's sector count.
struct DiskGeometry {
    static constexpr int Size = 24;

    int64_t Cylinders = 0;
    uint32_t MediaType = 0;
    uint32_t TracksPerCylinder = 0;
    uint32_t SectorsPerTrack = 0;
    uint32_t BytesPerSector = 0;

    static DiskGeometry ForSectors(int64_t sectorCount, uint32_t bytesPerSector);

    // Cylinders x TracksPerCylinder x SectorsPerTrack; nothing when the product overflows or a
    // factor is negative (a geometry read from tape may hold anything).
    std::optional<int64_t> SectorCount() const;
    // SectorCount() x BytesPerSector, nothing on overflow.
    std::optional<int64_t> ByteCount() const;
    // The capacity in MiB with two decimals, as the disk dialog and the source-disk lines show.
    QString MegabytesText() const;

    std::array<uint8_t, Size> Encode() const;
    static DiskGeometry Decode(const std::array<uint8_t, Size>& bytes);

    bool operator==(const DiskGeometry&) const = default;
};

// A disk image goes to tape in pieces of 50 MiB, each one file record.
inline constexpr int64_t ImageChunkBytes = 52428800;

// How a disk of `SectorCount` sectors is cut into chunks.
struct ChunkPlan {
    int64_t ChunkSectors = 0; // every chunk but the last
    int64_t FullChunks = 0;
    int64_t Remainder = 0; // the sectors of a last, shorter chunk; 0 when there is none

    // Nothing for a sector size of 0 or one larger than a chunk.
    static std::optional<ChunkPlan> For(int64_t sectorCount, uint32_t bytesPerSector);
    int64_t ChunkCount() const { return FullChunks + (Remainder > 0 ? 1 : 0); }
    int64_t SectorsOfChunk(int64_t index) const {
        return index < FullChunks ? ChunkSectors : Remainder;
    }
};

} // namespace orvane
