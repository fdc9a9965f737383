#pragma once

#include <QElapsedTimer>
#include <cstdint>

namespace orvane {

class OperatorInterface;
struct RunCounters;

// The progress a backup shows the operator: "MB" (source MiB), "CMB" (tape MiB), "Files",
// "Skiped" (excluded and skipped files) and "MB/s". A counter is reported only when its value
// changes, "Files" only on every fifth file, so that the counters cost nothing while the tape
// streams.
class BackupDisplays {
public:
    // Reports all five counters as 0 and starts the rate clock. The rate counts from one second
    // before the start, so its divisor is never 0; the clock is monotonic, so a run across
    // midnight or a clock change never shows a negative rate.
    void Reset(OperatorInterface& op);

    void FileCounted(OperatorInterface& op, int64_t fileCount);
    void BytesCounted(OperatorInterface& op, const RunCounters& counters);
    // "MB/s": the shown "MB" divided by the whole seconds since the rate base, cut to two
    // decimals.
    void RateMeasured(OperatorInterface& op);
    void FileSkipped(OperatorInterface& op);
    // The exact count at the end of a run, whatever the last multiple of five was.
    void ShowFileCount(OperatorInterface& op, int64_t fileCount);

    double Megabytes() const { return m_megabytes; }
    double CompressedMegabytes() const { return m_compressedMegabytes; }
    double Files() const { return m_files; }
    double Skipped() const { return m_skipped; }
    double Rate() const { return m_rate; }

    // Whole seconds since the rate base (at least 1).
    int64_t RateSeconds() const;

private:
    QElapsedTimer m_clock;
    double m_megabytes = 0;
    double m_compressedMegabytes = 0;
    double m_files = 0;
    double m_skipped = 0;
    double m_rate = 0;
};

// megabytes / seconds with two decimals, cut rather than rounded.
double CutRate(int64_t megabytes, int64_t seconds);

} // namespace orvane
