#pragma once

#include <QString>
#include <cstdint>

namespace orvane {

// Where a run stands against the whole of its work, for a progress bar and a time estimate.
struct RunProgress {
    int64_t DoneBytes = 0;
    int64_t TotalBytes = -1; // -1 while the run does not know it yet
    double BytesPerSecond = 0;
    int64_t SecondsLeft = -1; // -1 while there is no estimate
    int64_t ElapsedSeconds = 0;
    QString Path{};     // the file at work, as shown
    bool Final = false; // the last report of the run

    // Whole percent done, or -1 without a total.
    int Percent() const;
};

// "12.3 of 40.0 GiB · 251 MB/s · 2:41 left · /path"; without a total "12.3 GiB · 251 MB/s ·
// /path"; the last report of a run shows its elapsed time in place of the time left and no path.
QString RunProgressText(const RunProgress& progress);

// "2:41", "1:02:41".
QString ClockDurationText(int64_t seconds);

} // namespace orvane
