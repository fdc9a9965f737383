#pragma once

#include <QString>
#include <cstdint>

namespace orvane {

// The status-line wording of a tape result; empty for success (0, 1110, 1111) and for codes
// that have no wording.
QString TapeErrorText(uint32_t code);

// The message-box wording of a tape result.
QString TapeResultMessage(uint32_t code);

} // namespace orvane
