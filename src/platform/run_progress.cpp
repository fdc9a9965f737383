#include "run_progress.h"

#include <algorithm>

namespace orvane {

namespace {

constexpr double KiB = 1024.0;
constexpr double MiB = KiB * 1024;
constexpr double GiB = MiB * 1024;
constexpr double TiB = GiB * 1024;

struct SizeUnit {
    double Bytes;
    const char* Name;
};

// One unit for both figures, so that "12.3 of 40.0 GiB" reads at a glance.
SizeUnit UnitFor(int64_t bytes) {
    if (bytes >= TiB)
        return {TiB, "TiB"};
    if (bytes >= GiB)
        return {GiB, "GiB"};
    if (bytes >= MiB)
        return {MiB, "MiB"};
    return {KiB, "KiB"};
}

QString Amount(int64_t bytes, const SizeUnit& unit) {
    return QString::number(double(bytes) / unit.Bytes, 'f', 1);
}

// The rate in the unit of the window's "MB/s" counter (MiB per second).
QString RateText(double bytesPerSecond) {
    const double mib = bytesPerSecond / MiB;
    return QString::number(mib, 'f', mib < 10 ? 1 : 0) + QStringLiteral(" MB/s");
}

} // namespace

int RunProgress::Percent() const {
    if (TotalBytes <= 0)
        return TotalBytes == 0 ? 100 : -1;
    return int(std::clamp<int64_t>(DoneBytes * 100 / TotalBytes, 0, 100));
}

QString ClockDurationText(int64_t seconds) {
    seconds = std::max<int64_t>(seconds, 0);
    const int64_t hours = seconds / 3600;
    const QString minutesAndSeconds = QStringLiteral("%1:%2")
                                          .arg(hours > 0 ? (seconds / 60) % 60 : seconds / 60,
                                               hours > 0 ? 2 : 1, 10, QLatin1Char('0'))
                                          .arg(seconds % 60, 2, 10, QLatin1Char('0'));
    return hours > 0 ? QString::number(hours) + QLatin1Char(':') + minutesAndSeconds
                     : minutesAndSeconds;
}

QString RunProgressText(const RunProgress& progress) {
    const QString dot = QStringLiteral(" \u00b7 ");
    const bool totalKnown = progress.TotalBytes >= 0;
    const SizeUnit unit = UnitFor(totalKnown ? std::max(progress.TotalBytes, progress.DoneBytes)
                                             : progress.DoneBytes);
    QString text = Amount(progress.DoneBytes, unit);
    if (totalKnown)
        text += QStringLiteral(" of ") +
                Amount(std::max(progress.TotalBytes, progress.DoneBytes), unit);
    text += QLatin1Char(' ') + QLatin1String(unit.Name) + dot + RateText(progress.BytesPerSecond);
    if (progress.Final)
        return text + dot + ClockDurationText(progress.ElapsedSeconds) + QStringLiteral(" elapsed");
    if (progress.SecondsLeft >= 0)
        text += dot + ClockDurationText(progress.SecondsLeft) + QStringLiteral(" left");
    if (!progress.Path.isEmpty())
        text += dot + progress.Path;
    return text;
}

} // namespace orvane
