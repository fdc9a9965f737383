#pragma once

#include <ctime>
#include <optional>
#include <zip.h>

namespace orvane {

// Member modification times. The zip header's own DOS time has two-second steps and no time
// zone, so the members also carry the Unix extended timestamp (seconds, UTC) that unzip and most
// other tools read.
void SetMemberModificationTime(zip_t* archive, zip_uint64_t index, std::time_t modified);
// The extended timestamp when the member has one, else the DOS time.
std::optional<std::time_t> MemberModificationTime(zip_t* archive, zip_uint64_t index);

} // namespace orvane
