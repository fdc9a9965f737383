#pragma once

#include <QByteArrayView>

namespace orvane::fuzz {

// The input is a compressed record's data (a zip archive): it is unpacked from memory and,
// streamed, from a file, each into a directory of its own.
struct ZipRun {
    bool FromMemory = false; // the unpack from memory succeeded
    bool Streamed = false;   // the unpack from the file succeeded
};
ZipRun RunZipUnpack(QByteArrayView archive);

} // namespace orvane::fuzz
