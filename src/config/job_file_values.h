#pragma once

#include <QString>
#include <optional>

namespace orvane {

// Longer job file values are cut to this many characters on reading.
inline constexpr qsizetype MaxJobFileValueLength = 2047;

// A job file integer: decimal, or hexadecimal after "0x" or "$", with an optional sign; blanks
// around it do not count. Anything else, or a number outside the int range, is no integer.
std::optional<int> ParseJobFileInteger(const QString& text);

// The value cut to MaxJobFileValueLength characters, never in the middle of a surrogate pair.
QString CutJobFileValue(const QString& text);

} // namespace orvane
