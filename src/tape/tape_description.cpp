#include "tape_description.h"

#include <cstring>

namespace orvane {

void WriteShortString(char* field, const QByteArray& text) {
    const int length = int(std::min<qsizetype>(text.size(), 255));
    field[0] = char(uint8_t(length));
    std::memcpy(field + 1, text.constData(), size_t(length));
}

QByteArray ReadShortString(const char* field) {
    return QByteArray(field + 1, uint8_t(field[0]));
}

void TapeDescription::Encode(char* bytes) const {
    std::memset(bytes, 0, Size);
    std::memcpy(bytes, &Date, 8);
    bytes[8] = char(TapeNumber);
    WriteShortString(bytes + 9, Label);
    std::memcpy(bytes + 272, Geometry.data(), Geometry.size());
}

TapeDescription TapeDescription::Decode(const char* bytes) {
    TapeDescription description;
    std::memcpy(&description.Date, bytes, 8);
    description.TapeNumber = uint8_t(bytes[8]);
    description.Label = ReadShortString(bytes + 9);
    std::memcpy(description.Geometry.data(), bytes + 272, description.Geometry.size());
    return description;
}

} // namespace orvane
