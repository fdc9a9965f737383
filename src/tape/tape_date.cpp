#include "tape_date.h"

#include <cmath>

namespace orvane {

namespace {
const QDate Epoch(1899, 12, 30);
constexpr double MsPerDay = 86400000.0;
} // namespace

double ToTapeDate(const QDateTime& moment) {
    const QDateTime local = moment.toLocalTime();
    return double(Epoch.daysTo(local.date())) + local.time().msecsSinceStartOfDay() / MsPerDay;
}

std::optional<double> ToTapeDate(const timespec& moment) {
    struct tm local {};
    const time_t seconds = moment.tv_sec;
    if (!::localtime_r(&seconds, &local))
        return std::nullopt;
    const QDate day(local.tm_year + 1900, local.tm_mon + 1, local.tm_mday);
    if (!day.isValid())
        return std::nullopt;
    const qint64 ms = ((qint64(local.tm_hour) * 60 + local.tm_min) * 60 + local.tm_sec) * 1000 +
                      moment.tv_nsec / 1000000;
    return double(Epoch.daysTo(day)) + double(ms) / MsPerDay;
}

QDateTime FromTapeDate(double days) {
    if (!std::isfinite(days) || days < -657434.0 || days > 2958466.0) // years 100 .. 9999
        return QDateTime();
    const double whole = std::floor(days);
    const int ms = int(std::llround((days - whole) * MsPerDay));
    return QDateTime(Epoch.addDays(qint64(whole)), QTime(0, 0)).addMSecs(ms);
}

} // namespace orvane
