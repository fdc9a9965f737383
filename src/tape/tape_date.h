#pragma once

#include <QDateTime>
#include <ctime>
#include <optional>

namespace orvane {

// Dates on tape are 8-byte day counts from 30 December 1899 in local time, the fraction being
// the time of day.
double ToTapeDate(const QDateTime& moment);
// The same for a file time. Qt's local-time conversion looks the time zone up again on every
// call, a file-system lookup per file of a backup; the C library keeps what it has read.
// Nothing for a time the C library cannot convert.
std::optional<double> ToTapeDate(const timespec& moment);
QDateTime FromTapeDate(double days);

} // namespace orvane
