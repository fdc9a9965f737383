#include "drive_model.h"

#include <QtGlobal>
#include <thread>

namespace orvane {

namespace {

double EnvironmentNumber(const char* name) {
    bool ok = false;
    const double value = qEnvironmentVariable(name).toDouble(&ok);
    return ok && value > 0 ? value : 0;
}

} // namespace

DriveModel::DriveModel()
    : DriveModel(
          EnvironmentNumber("ORVANE_VTAPE_RATE"),
          std::chrono::nanoseconds(int64_t(EnvironmentNumber("ORVANE_VTAPE_LATENCY_US") * 1000))) {}

DriveModel::DriveModel(double bytesPerSecond, std::chrono::nanoseconds latency)
    : m_rate(bytesPerSecond), m_latency(latency) {}

void DriveModel::Transfer(size_t bytes) {
    if (!IsOn())
        return;
    const auto now = Clock::now();
    const auto duration =
        m_latency + std::chrono::nanoseconds(int64_t(double(bytes) / m_rate * 1e9));
    auto start = now;
    if (!m_busyUntil) {
        m_stretchStart = now;
    } else if (now > *m_busyUntil) {
        const auto gap = now - *m_busyUntil;
        m_deepestGap = std::max<std::chrono::nanoseconds>(m_deepestGap, gap);
        if (gap > duration)
            ++m_starvations;
    } else {
        start = *m_busyUntil; // the drive is still busy with the command before
    }
    m_busyUntil = start + duration;
    ++m_commands;
    m_bytes += int64_t(bytes);
    std::this_thread::sleep_until(*m_busyUntil);
}

void DriveModel::Interrupt() {
    if (m_busyUntil && m_stretchStart)
        m_streamed += *m_busyUntil - *m_stretchStart;
    m_busyUntil.reset();
    m_stretchStart.reset();
}

int64_t DriveModel::DeepestBufferBytes() const {
    return int64_t(std::chrono::duration<double>(m_deepestGap).count() * m_rate);
}

QString DriveModel::Report() const {
    auto streamed = m_streamed;
    if (m_busyUntil && m_stretchStart)
        streamed += *m_busyUntil - *m_stretchStart;
    const double seconds = std::chrono::duration<double>(streamed).count();
    return QStringLiteral("bytes %1\ncommands %2\nseconds %3\nrate_mb_s %4\nstarvations %5\n"
                          "deepest_gap_ms %6\ndeepest_buffer_bytes %7\n")
        .arg(m_bytes)
        .arg(m_commands)
        .arg(seconds, 0, 'f', 3)
        .arg(seconds > 0 ? double(m_bytes) / seconds / 1e6 : 0.0, 0, 'f', 1)
        .arg(m_starvations)
        .arg(std::chrono::duration<double, std::milli>(m_deepestGap).count(), 0, 'f', 3)
        .arg(DeepestBufferBytes());
}

} // namespace orvane
