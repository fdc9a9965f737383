#pragma once

#include <QByteArray>
#include <array>
#include <cstdint>

namespace orvane {

// Block 0 of every tape: names the tape and its place in a set.
struct TapeDescription {
    static constexpr int Size = 296;

    double Date = 0;                    // days since 30 December 1899, the set's start
    uint8_t TapeNumber = 255;           // 1 for the first tape of a set; 255 = unnumbered
    QByteArray Label;                   // "Tape", "Disk" or "Empty Tape ", at most 255 bytes
    std::array<uint8_t, 24> Geometry{}; // source-disk geometry of a disk-image tape

    // The 296 bytes as they lie in block 0.
    void Encode(char* bytes) const;
    static TapeDescription Decode(const char* bytes);
};

// Length-prefixed strings of the tape format: one length byte, then at most 255 bytes.
void WriteShortString(char* field, const QByteArray& text);
QByteArray ReadShortString(const char* field);

} // namespace orvane
