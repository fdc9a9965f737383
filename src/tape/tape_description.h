#pragma once

#include <QString>
#include <array>
#include <cstdint>

namespace orvane {

// Block 0 of every tape: names the tape and its place in a set.
struct TapeDescription {
    double Date = 0;          // days since 30 December 1899, the set's start
    uint8_t TapeNumber = 255; // 1 for the first tape of a set; 255 = unnumbered
    QString Label;            // "Tape", "Disk" or "Empty Tape "
    std::array<uint8_t, 24> Geometry{}; // source-disk geometry of a disk-image tape
};

} // namespace orvane
