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

QDateTime FromTapeDate(double days) {
    if (!std::isfinite(days) || days < -657434.0 || days > 2958466.0) // years 100 .. 9999
        return QDateTime();
    const double whole = std::floor(days);
    const int ms = int(std::llround((days - whole) * MsPerDay));
    return QDateTime(Epoch.addDays(qint64(whole)), QTime(0, 0)).addMSecs(ms);
}

} // namespace orvane
