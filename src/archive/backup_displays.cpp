#include "backup_displays.h"

#include "archive_context.h"
#include "platform/operator_interface.h"

namespace orvane {

namespace {

constexpr int64_t Megabyte = 1048576;

void ShowIfChanged(OperatorInterface& op, int display, double& shown, double value) {
    if (shown == value)
        return;
    shown = value;
    op.setCounter(display, value);
}

} // namespace

double CutRate(int64_t megabytes, int64_t seconds) {
    if (seconds <= 0)
        seconds = 1;
    // Integer hundredths, so that 0.29 does not come out as 0.28.
    return double(megabytes * 100 / seconds) / 100.0;
}

void BackupDisplays::Reset(OperatorInterface& op) {
    m_clock.start();
    m_megabytes = m_compressedMegabytes = m_files = m_skipped = m_rate = 0;
    for (int display : {BackupDisplay::MB, BackupDisplay::CMB, BackupDisplay::Files,
                        BackupDisplay::Skipped, BackupDisplay::Rate})
        op.setCounter(display, 0);
}

void BackupDisplays::FileCounted(OperatorInterface& op, int64_t fileCount) {
    if (fileCount % 5 == 0)
        ShowFileCount(op, fileCount);
}

void BackupDisplays::ShowFileCount(OperatorInterface& op, int64_t fileCount) {
    m_files = double(fileCount);
    op.setCounter(BackupDisplay::Files, m_files);
}

void BackupDisplays::BytesCounted(OperatorInterface& op, const RunCounters& counters) {
    ShowIfChanged(op, BackupDisplay::MB, m_megabytes, double(counters.SourceBytes / Megabyte));
    ShowIfChanged(op, BackupDisplay::CMB, m_compressedMegabytes,
                  double(counters.TapeBytes / Megabyte));
}

int64_t BackupDisplays::RateSeconds() const {
    const int64_t elapsed = m_clock.isValid() ? m_clock.elapsed() : 0;
    return (elapsed + 1000) / 1000;
}

void BackupDisplays::RateMeasured(OperatorInterface& op) {
    ShowIfChanged(op, BackupDisplay::Rate, m_rate, CutRate(int64_t(m_megabytes), RateSeconds()));
}

void BackupDisplays::FileSkipped(OperatorInterface& op) {
    m_skipped += 1;
    op.setCounter(BackupDisplay::Skipped, m_skipped);
}

} // namespace orvane
