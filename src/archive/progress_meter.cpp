#include "progress_meter.h"

#include "platform/operator_interface.h"
#include "platform/path_bytes.h"

#include <algorithm>

namespace orvane {

namespace {
constexpr int64_t ReportIntervalMs = 250;
// Below this the rate says little about the time still to go.
constexpr int64_t EstimateAfterMs = 1000;
} // namespace

void ProgressMeter::Start() {
    m_active = true;
    m_clock.start();
    m_lastReportMs = 0;
    m_done = 0;
    m_total = -1;
    m_totalSource = nullptr;
    m_path.clear();
    m_itemWeight = m_itemLength = m_itemStreamed = 0;
    Report(false);
}

void ProgressMeter::SetTotal(int64_t bytes) {
    m_total = bytes;
    m_totalSource = nullptr;
}

void ProgressMeter::SetTotalSource(std::function<int64_t()> source) {
    m_totalSource = std::move(source);
}

void ProgressMeter::BeginItem(const QByteArray& path, int64_t weight, int64_t streamLength) {
    if (!m_active)
        return;
    EndItem();
    m_path = path;
    m_itemWeight = std::max<int64_t>(weight, 0);
    m_itemLength = std::max<int64_t>(streamLength, 0);
    m_itemStreamed = 0;
    ReportIfDue();
}

void ProgressMeter::Streamed(int64_t bytes) {
    if (!m_active)
        return;
    m_itemStreamed = std::min(m_itemStreamed + bytes, m_itemLength);
    ReportIfDue();
}

void ProgressMeter::EndItem() {
    m_done += m_itemWeight;
    m_itemWeight = m_itemLength = m_itemStreamed = 0;
}

void ProgressMeter::Finish() {
    if (!m_active)
        return;
    EndItem();
    m_path.clear();
    Report(true);
    m_active = false;
}

int64_t ProgressMeter::DoneBytes() const {
    if (m_itemLength <= 0)
        return m_done;
    // In proportion: a packed file streams fewer bytes than it weighs.
    return m_done + int64_t(double(m_itemWeight) * double(m_itemStreamed) / double(m_itemLength));
}

void ProgressMeter::ReportIfDue() {
    if (m_clock.elapsed() - m_lastReportMs >= ReportIntervalMs)
        Report(false);
}

void ProgressMeter::Report(bool final) {
    const int64_t elapsedMs = m_clock.elapsed();
    m_lastReportMs = elapsedMs;
    if (m_totalSource)
        m_total = m_totalSource();
    RunProgress progress;
    progress.DoneBytes = DoneBytes();
    progress.TotalBytes = m_total >= 0 ? std::max(m_total, progress.DoneBytes) : -1;
    progress.ElapsedSeconds = elapsedMs / 1000;
    progress.BytesPerSecond =
        elapsedMs > 0 ? double(progress.DoneBytes) * 1000.0 / double(elapsedMs) : 0;
    if (progress.TotalBytes >= 0 && progress.BytesPerSecond > 0 && elapsedMs >= EstimateAfterMs)
        progress.SecondsLeft = int64_t(
            double(progress.TotalBytes - progress.DoneBytes) / progress.BytesPerSecond + 0.5);
    progress.Path = DisplayPath(QByteArrayView(m_path));
    progress.Final = final;
    m_op.ShowRunProgress(progress);
}

} // namespace orvane
