#pragma once

#include "platform/virtual_tape_library.h"

#include <QByteArray>
#include <vector>

namespace orvane {

// A cartridge of the virtual library as the tape-change prompt lists it: the library's facts
// and what block 0 of its image says about the tape.
struct CartridgeOverview {
    CartridgeInfo Info;
    bool Described = false; // block 0 holds a description
    QByteArray Label;
    int TapeNumber = 255;
    double SetDate = 0;
};

// Every cartridge of the library, in the library's order. Block 0 is read from the image file
// itself, so no cartridge is loaded for it.
std::vector<CartridgeOverview> ReadCartridgeOverview(VirtualTapeLibrary& library);

} // namespace orvane
