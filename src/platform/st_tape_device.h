#pragma once

#include "tape_device.h"

#include <memory>
#include <sys/types.h>

namespace orvane {

// The system calls behind the st driver backend. Tests replace them, since no drive is
// attached here; everything above them is the real backend.
class TapeSystemCalls {
public:
    virtual ~TapeSystemCalls() = default;
    virtual int open(const char* path, int flags) = 0;
    virtual int close(int fd) = 0;
    virtual ssize_t read(int fd, void* buffer, size_t length) = 0;
    virtual ssize_t write(int fd, const void* buffer, size_t length) = 0;
    // MTIOCTOP, MTIOCPOS, MTIOCGET and SG_IO.
    virtual int ioctl(int fd, unsigned long request, void* argument) = 0;
};

std::shared_ptr<TapeSystemCalls> RealTapeSystemCalls();

std::unique_ptr<TapeDevice>
CreateStTapeDevice(const QString& devicePath,
                   std::shared_ptr<TapeSystemCalls> calls = RealTapeSystemCalls());

// "/dev/st0" → "/dev/nst0"; any other name is returned unchanged.
QString NonRewindingTwin(const QString& devicePath);

} // namespace orvane
