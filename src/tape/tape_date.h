#pragma once

#include <QDateTime>

namespace orvane {

// Dates on tape are 8-byte day counts from 30 December 1899 in local time, the fraction being
// the time of day.
double ToTapeDate(const QDateTime& moment);
QDateTime FromTapeDate(double days);

} // namespace orvane
