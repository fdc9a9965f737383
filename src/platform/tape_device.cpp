#include "tape_device.h"

namespace orvane {

ResultCode TapeHandle::ReadBlocks(char* buffer, uint32_t count, uint32_t& done) {
    for (done = 0; done < count; ++done) {
        if (const ResultCode code = ReadBlock(buffer + size_t(done) * TapeBlockSize, TapeBlockSize);
            code != ResultCode::Success)
            return code;
    }
    return ResultCode::Success;
}

ResultCode TapeHandle::WriteBlocks(const char* buffer, uint32_t count, uint32_t& done) {
    for (done = 0; done < count; ++done) {
        if (const ResultCode code =
                WriteBlock(buffer + size_t(done) * TapeBlockSize, TapeBlockSize);
            code != ResultCode::Success)
            return code;
    }
    return ResultCode::Success;
}

} // namespace orvane
