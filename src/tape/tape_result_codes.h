#pragma once

#include "platform/result_code.h"

#include <QString>

namespace orvane {

// The status-line wording of a tape result; empty for success (0, 1110, 1111) and for codes
// that have no wording. Both tables are keyed by number: they word codes that have no
// enumerator as well.
QString TapeErrorText(ResultCode code);

// The message-box wording of a tape result; an unknown code is named by its number.
QString TapeResultMessage(ResultCode code);

} // namespace orvane
