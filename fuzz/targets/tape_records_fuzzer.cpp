// libFuzzer entry point; the harness itself is shared with the replay test of the suite.
#include "tape_harness.h"

#include <cstddef>
#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    orvane::fuzz::RunRecordWalk(QByteArrayView(data, qsizetype(size)));
    return 0;
}
