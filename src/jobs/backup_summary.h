#pragma once

#include <QString>
#include <cstdint>

namespace orvane {

// An elapsed time as hours, minutes and seconds; the hours run on past 24 ("26:03:09").
QString ElapsedTimeText(int64_t milliseconds);

// A display's value as the summary lines show it: the shortest decimal text, with the locale's
// decimal separator and without group separators.
QString DisplayValueText(double value);

} // namespace orvane
