#include "backup_displays.h"

#include "archive_context.h"
#include "platform/operator_interface.h"

#include <type_traits>

namespace orvane {

namespace {

constexpr int64_t Megabyte = 1048576;

// Puts `value` into `field` of the report when it differs from what was last shown.
template <typename T>
void TakeIfChanged(std::optional<T>& field, double& shown, std::type_identity_t<T> value) {
    if (shown == double(value))
        return;
    shown = double(value);
    field = value;
}

void ShowIfAny(OperatorInterface& op, const BackupProgress& progress) {
    if (progress.SourceMiB || progress.TapeMiB || progress.Files || progress.Skipped ||
        progress.Rate)
        op.ShowBackupProgress(progress);
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
    op.ShowBackupProgress({.SourceMiB = 0, .TapeMiB = 0, .Files = 0, .Skipped = 0, .Rate = 0});
}

void BackupDisplays::FileCounted(OperatorInterface& op, int64_t fileCount) {
    if (fileCount % 5 == 0)
        ShowFileCount(op, fileCount);
}

void BackupDisplays::ShowFileCount(OperatorInterface& op, int64_t fileCount) {
    m_files = double(fileCount);
    op.ShowBackupProgress({.Files = fileCount});
}

void BackupDisplays::BytesCounted(OperatorInterface& op, const RunCounters& counters) {
    BackupProgress progress;
    TakeIfChanged(progress.SourceMiB, m_megabytes, counters.SourceBytes / Megabyte);
    TakeIfChanged(progress.TapeMiB, m_compressedMegabytes, counters.TapeBytes / Megabyte);
    ShowIfAny(op, progress);
}

int64_t BackupDisplays::RateSeconds() const {
    const int64_t elapsed = m_clock.isValid() ? m_clock.elapsed() : 0;
    return (elapsed + 1000) / 1000;
}

void BackupDisplays::RateMeasured(OperatorInterface& op) {
    BackupProgress progress;
    TakeIfChanged(progress.Rate, m_rate, CutRate(int64_t(m_megabytes), RateSeconds()));
    ShowIfAny(op, progress);
}

void BackupDisplays::FileSkipped(OperatorInterface& op) {
    m_skipped += 1;
    op.ShowBackupProgress({.Skipped = int64_t(m_skipped)});
}

} // namespace orvane
