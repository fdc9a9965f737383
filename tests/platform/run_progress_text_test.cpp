#include "platform/run_progress.h"

#include <gtest/gtest.h>

using namespace orvane;

namespace {

constexpr int64_t MiB = 1048576;
constexpr int64_t GiB = 1024 * MiB;

struct TextCase {
    RunProgress Progress;
    const char* Text;
};

class RunProgressTextTest : public ::testing::TestWithParam<TextCase> {};

TEST_P(RunProgressTextTest, ReadsAsOneLine) {
    EXPECT_EQ(RunProgressText(GetParam().Progress), QString::fromUtf8(GetParam().Text));
}

INSTANTIATE_TEST_SUITE_P(
    Cases, RunProgressTextTest,
    ::testing::Values(TextCase{{.DoneBytes = int64_t(12.3 * GiB),
                                .TotalBytes = 40 * GiB,
                                .BytesPerSecond = 251.0 * MiB,
                                .SecondsLeft = 161,
                                .Path = "/home/a.txt"},
                               "12.3 of 40.0 GiB · 251 MB/s · 2:41 left · /home/a.txt"},
                      // Before the size walk has ended: no total, no estimate.
                      TextCase{
                          {.DoneBytes = 300 * MiB, .BytesPerSecond = 4.2 * MiB, .Path = "/etc/x"},
                          "300.0 MiB · 4.2 MB/s · /etc/x"},
                      // One unit for both figures, chosen by the larger.
                      TextCase{{.DoneBytes = 512 * MiB,
                                .TotalBytes = 2 * GiB,
                                .BytesPerSecond = 100.0 * MiB,
                                .SecondsLeft = 3 * 3600 + 2 * 60 + 5},
                               "0.5 of 2.0 GiB · 100 MB/s · 3:02:05 left"},
                      TextCase{{.DoneBytes = 2048, .TotalBytes = 0}, "2.0 of 2.0 KiB · 0.0 MB/s"},
                      // The last report: the time it took, no path.
                      TextCase{{.DoneBytes = 40 * GiB,
                                .TotalBytes = 40 * GiB,
                                .BytesPerSecond = 251.0 * MiB,
                                .ElapsedSeconds = 163,
                                .Path = "/home/z",
                                .Final = true},
                               "40.0 of 40.0 GiB · 251 MB/s · 2:43 elapsed"}));

TEST(RunProgressPercent, IsWholeAndBounded) {
    EXPECT_EQ((RunProgress{.DoneBytes = 1, .TotalBytes = 3}).Percent(), 33);
    EXPECT_EQ((RunProgress{.DoneBytes = 5, .TotalBytes = 3}).Percent(), 100);
    EXPECT_EQ((RunProgress{.DoneBytes = 5}).Percent(), -1);
    EXPECT_EQ((RunProgress{.DoneBytes = 0, .TotalBytes = 0}).Percent(), 100);
}

} // namespace
