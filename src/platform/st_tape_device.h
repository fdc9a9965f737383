#pragma once

#include "tape_device.h"

#include <memory>
#include <sys/types.h>

namespace orvane {

// The system calls behind the st driver backend. Tests replace them, since no drive is
// attached here; everything above them is the real backend. Each call answers as the system
// call does: -1 with errno set on failure.
class TapeSystemCalls {
public:
    virtual ~TapeSystemCalls() = default;
    virtual int Open(const char* path, int flags) = 0;
    virtual int Close(int fd) = 0;
    virtual ssize_t Read(int fd, void* buffer, size_t length) = 0;
    virtual ssize_t Write(int fd, const void* buffer, size_t length) = 0;
    // MTIOCTOP, MTIOCPOS, MTIOCGET and SG_IO.
    virtual int Ioctl(int fd, unsigned long request, void* argument) = 0;
};

std::shared_ptr<TapeSystemCalls> RealTapeSystemCalls();

// A drive of the Linux SCSI tape driver (st). Its errors are answered with the result codes of
// the tape interface: 1104 at the end of the recorded data, 1101 at a filemark, 1100 at the end
// of the medium, 19 for a protected medium, 1112 without a medium; the first media query after
// a cartridge came back online answers 1110. Capacity and partitions come from the drive's SCSI
// log and mode pages where it answers them (SG_IO needs CAP_SYS_RAWIO), else they read 0 and 1.
std::unique_ptr<TapeDevice>
CreateStTapeDevice(const QString& devicePath,
                   std::shared_ptr<TapeSystemCalls> calls = RealTapeSystemCalls());

// "/dev/st0" → "/dev/nst0" (also st0l, st0m, st0a); a symbolic link to a rewinding node, such
// as /dev/tape/by-id/..., gives the twin of the node it names. Any other name is returned
// unchanged.
QString NonRewindingTwin(const QString& devicePath);

} // namespace orvane
