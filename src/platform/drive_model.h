#pragma once

#include <QString>
#include <chrono>
#include <cstddef>
#include <cstdint>
#include <optional>

namespace orvane {

// A model of a streaming drive for the virtual library, for benchmarks: every transfer command
// takes as long as a drive of the given native rate and per-command latency would need, and the
// model counts the times the drive would have run dry between two commands. Switched on by
// $ORVANE_VTAPE_RATE (bytes per second) and $ORVANE_VTAPE_LATENCY_US (microseconds per
// command); off without a rate.
class DriveModel {
public:
    DriveModel();
    DriveModel(double bytesPerSecond, std::chrono::nanoseconds latency);

    bool IsOn() const { return m_rate > 0; }
    // One transfer command of `bytes`: returns when the drive would be done with it.
    void Transfer(size_t bytes);
    // A positioning command: the drive stops streaming there anyway.
    void Interrupt();

    int64_t Bytes() const { return m_bytes; }
    int64_t Commands() const { return m_commands; }
    // Gaps between two transfers longer than the drive needs for one command's bytes: each
    // would stop a real drive (shoe-shining).
    int64_t Starvations() const { return m_starvations; }
    // The buffer a writer would need to cover the longest gap.
    int64_t DeepestBufferBytes() const;
    // "key value" lines of the figures above, the rate in MB/s over the streaming time.
    QString Report() const;

private:
    using Clock = std::chrono::steady_clock;

    double m_rate = 0;
    std::chrono::nanoseconds m_latency{0};
    std::optional<Clock::time_point> m_busyUntil;
    std::chrono::nanoseconds m_streamed{0}; // the stretches of commands before the current one
    std::chrono::nanoseconds m_deepestGap{0};
    std::optional<Clock::time_point> m_stretchStart;
    int64_t m_bytes = 0;
    int64_t m_commands = 0;
    int64_t m_starvations = 0;
};

} // namespace orvane
