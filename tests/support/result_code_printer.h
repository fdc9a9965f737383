#pragma once

#include "platform/result_code.h"

#include <ostream>

namespace orvane {

// Failed expectations show a result by its number, as the protocol does. Every test that
// compares results includes this, so that all of them print results alike.
inline void PrintTo(ResultCode code, std::ostream* out) {
    *out << CodeValue(code);
}

} // namespace orvane
