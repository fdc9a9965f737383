#include "zip_member_time.h"

#include <cstdint>
#include <limits>

namespace orvane {

namespace {
constexpr zip_uint16_t ExtendedTimestampId = 0x5455;
constexpr zip_uint8_t ModificationTimePresent = 0x01;
} // namespace

void SetMemberModificationTime(zip_t* archive, zip_uint64_t index, std::time_t modified) {
    zip_file_set_mtime(archive, index, modified, 0);
    // The extended timestamp holds a signed 32-bit count of seconds.
    if (modified < std::numeric_limits<int32_t>::min() ||
        modified > std::numeric_limits<int32_t>::max())
        return;
    const auto seconds = static_cast<uint32_t>(static_cast<int32_t>(modified));
    const zip_uint8_t field[5] = {ModificationTimePresent, zip_uint8_t(seconds),
                                  zip_uint8_t(seconds >> 8), zip_uint8_t(seconds >> 16),
                                  zip_uint8_t(seconds >> 24)};
    zip_file_extra_field_set(archive, index, ExtendedTimestampId, ZIP_EXTRA_FIELD_NEW, field,
                             sizeof field, ZIP_FL_LOCAL | ZIP_FL_CENTRAL);
}

std::optional<std::time_t> MemberModificationTime(zip_t* archive, zip_uint64_t index) {
    for (const zip_flags_t where : {ZIP_FL_CENTRAL, ZIP_FL_LOCAL}) {
        zip_uint16_t length = 0;
        const zip_uint8_t* field =
            zip_file_extra_field_get_by_id(archive, index, ExtendedTimestampId, 0, &length, where);
        if (field && length >= 5 && (field[0] & ModificationTimePresent)) {
            const uint32_t seconds = uint32_t(field[1]) | uint32_t(field[2]) << 8 |
                                     uint32_t(field[3]) << 16 | uint32_t(field[4]) << 24;
            return std::time_t(static_cast<int32_t>(seconds));
        }
    }
    zip_stat_t stat;
    if (zip_stat_index(archive, index, 0, &stat) == 0 && (stat.valid & ZIP_STAT_MTIME))
        return stat.mtime;
    return std::nullopt;
}

} // namespace orvane
