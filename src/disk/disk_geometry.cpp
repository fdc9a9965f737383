#include "disk_geometry.h"

#include <QLocale>

namespace orvane {

namespace {

template <typename T> void Put(std::array<uint8_t, DiskGeometry::Size>& bytes, int at, T value) {
    for (size_t i = 0; i < sizeof(T); ++i)
        bytes[size_t(at) + i] = uint8_t(uint64_t(value) >> (8 * i));
}

template <typename T> T Get(const std::array<uint8_t, DiskGeometry::Size>& bytes, int at) {
    uint64_t value = 0;
    for (size_t i = 0; i < sizeof(T); ++i)
        value |= uint64_t(bytes[size_t(at) + i]) << (8 * i);
    return T(value);
}

} // namespace

DiskGeometry DiskGeometry::ForSectors(int64_t sectorCount, uint32_t bytesPerSector) {
    return {.Cylinders = sectorCount,
            .MediaType = 0,
            .TracksPerCylinder = 1,
            .SectorsPerTrack = 1,
            .BytesPerSector = bytesPerSector};
}

std::optional<int64_t> DiskGeometry::SectorCount() const {
    int64_t count = 0;
    if (Cylinders < 0 || __builtin_mul_overflow(Cylinders, int64_t(TracksPerCylinder), &count) ||
        __builtin_mul_overflow(count, int64_t(SectorsPerTrack), &count))
        return std::nullopt;
    return count;
}

std::optional<int64_t> DiskGeometry::ByteCount() const {
    const std::optional<int64_t> sectors = SectorCount();
    int64_t bytes = 0;
    if (!sectors || __builtin_mul_overflow(*sectors, int64_t(BytesPerSector), &bytes))
        return std::nullopt;
    return bytes;
}

QString DiskGeometry::MegabytesText() const {
    const std::optional<int64_t> bytes = ByteCount();
    return QLocale().toString(bytes ? double(*bytes) / 1048576.0 : 0.0, 'f', 2);
}

std::array<uint8_t, DiskGeometry::Size> DiskGeometry::Encode() const {
    std::array<uint8_t, Size> bytes{};
    Put(bytes, 0, Cylinders);
    Put(bytes, 8, MediaType);
    Put(bytes, 12, TracksPerCylinder);
    Put(bytes, 16, SectorsPerTrack);
    Put(bytes, 20, BytesPerSector);
    return bytes;
}

DiskGeometry DiskGeometry::Decode(const std::array<uint8_t, Size>& bytes) {
    return {.Cylinders = Get<int64_t>(bytes, 0),
            .MediaType = Get<uint32_t>(bytes, 8),
            .TracksPerCylinder = Get<uint32_t>(bytes, 12),
            .SectorsPerTrack = Get<uint32_t>(bytes, 16),
            .BytesPerSector = Get<uint32_t>(bytes, 20)};
}

std::optional<ChunkPlan> ChunkPlan::For(int64_t sectorCount, uint32_t bytesPerSector) {
    if (bytesPerSector == 0 || bytesPerSector > ImageChunkBytes || sectorCount < 0)
        return std::nullopt;
    ChunkPlan plan;
    plan.ChunkSectors = ImageChunkBytes / bytesPerSector;
    plan.FullChunks = sectorCount / plan.ChunkSectors;
    plan.Remainder = sectorCount - plan.FullChunks * plan.ChunkSectors;
    return plan;
}

} // namespace orvane
