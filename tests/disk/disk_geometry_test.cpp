#include "disk/disk_geometry.h"

#include <gtest/gtest.h>

using namespace orvane;

namespace {

struct ChunkCase {
    int64_t Sectors;
    uint32_t SectorSize;
    int64_t ChunkSectors, Records, LastSectors;
};

class ChunkPlanTest : public ::testing::TestWithParam<ChunkCase> {};

TEST_P(ChunkPlanTest, CutsTheDiskIntoFiftyMebibyteRecords) {
    const ChunkCase c = GetParam();
    const std::optional<ChunkPlan> plan = ChunkPlan::For(c.Sectors, c.SectorSize);
    ASSERT_TRUE(plan);
    EXPECT_EQ(plan->ChunkSectors, c.ChunkSectors);
    EXPECT_EQ(plan->ChunkCount(), c.Records);
    EXPECT_EQ(plan->SectorsOfChunk(plan->ChunkCount() - 1), c.LastSectors);
    int64_t total = 0;
    for (int64_t i = 0; i < plan->ChunkCount(); ++i) {
        EXPECT_GT(plan->SectorsOfChunk(i), 0) << "no empty record";
        total += plan->SectorsOfChunk(i);
    }
    EXPECT_EQ(total, c.Sectors);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, ChunkPlanTest,
    ::testing::Values(ChunkCase{1000000, 512, 102400, 10, 78400}, // the last one shorter
                      ChunkCase{204800, 512, 102400, 2, 102400},  // exact multiple
                      ChunkCase{50000, 512, 102400, 1, 50000},    // less than one chunk
                      ChunkCase{30000, 4096, 12800, 3, 4400},     // 4096-byte sectors
                      ChunkCase{25600, 4096, 12800, 2, 12800},    // exact, 4096-byte sectors
                      ChunkCase{int64_t(5) << 32, 512, 102400, 209716, 20480})); // past 32 bits

TEST(ChunkPlan, RefusesSectorSizesNoChunkCanHold) {
    EXPECT_FALSE(ChunkPlan::For(100, 0));
    EXPECT_FALSE(ChunkPlan::For(100, uint32_t(ImageChunkBytes) + 1));
}

TEST(DiskGeometry, MultipliesOutToTheSectorCountAndRoundTrips) {
    const DiskGeometry geometry = DiskGeometry::ForSectors(int64_t(3) << 33, 4096);
    EXPECT_EQ(geometry.SectorCount(), int64_t(3) << 33);
    EXPECT_EQ(DiskGeometry::Decode(geometry.Encode()), geometry);
    const auto bytes = geometry.Encode();
    EXPECT_EQ(bytes[20], 0x00);
    EXPECT_EQ(bytes[21], 0x10) << "BytesPerSector at byte 20, little-endian";
}

TEST(DiskGeometry, AGeometryFromTapeThatOverflowsHasNoSectorCount) {
    DiskGeometry geometry{.Cylinders = int64_t(1) << 62,
                          .TracksPerCylinder = 255,
                          .SectorsPerTrack = 63,
                          .BytesPerSector = 512};
    EXPECT_FALSE(geometry.SectorCount());
    geometry.Cylinders = -5;
    EXPECT_FALSE(geometry.SectorCount());
    geometry = DiskGeometry::ForSectors(int64_t(1) << 60, 512);
    EXPECT_TRUE(geometry.SectorCount());
    EXPECT_FALSE(geometry.ByteCount());
}

} // namespace
