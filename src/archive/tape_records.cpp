#include "tape_records.h"

#include "tape/tape_description.h"

#include <cstring>

namespace orvane {

static_assert(sizeof(double) == 8 && Q_BYTE_ORDER == Q_LITTLE_ENDIAN,
              "the tape format is little-endian with IEEE doubles");

void TapeFileHeader::Encode(char* bytes) const {
    std::memset(bytes, 0, Size);
    WriteShortString(bytes, Path);
    std::memcpy(bytes + 272, &DataLength, 8);
    std::memcpy(bytes + 280, &Date, 8);
    bytes[288] = Compressed ? 1 : 0;
    if (Permissions) {
        bytes[289] = 1;
        const uint16_t bits = *Permissions & 0777;
        std::memcpy(bytes + 290, &bits, 2);
    }
    bytes[292] = char(Kind);
    if (MetadataRecord) {
        bytes[293] = 1;
        std::memcpy(bytes + 256, &MetadataRecord->At.BlockOffset, 4);
        bytes[260] = char(MetadataRecord->TapeNumber);
        std::memcpy(bytes + 264, &MetadataRecord->At.BlockCounter, 8);
    }
}

TapeFileHeader TapeFileHeader::Decode(const char* bytes) {
    TapeFileHeader header;
    header.Path = ReadShortString(bytes);
    std::memcpy(&header.DataLength, bytes + 272, 8);
    std::memcpy(&header.Date, bytes + 280, 8);
    header.Compressed = bytes[288] == 1;
    if (bytes[289] == 1) {
        uint16_t bits = 0;
        std::memcpy(&bits, bytes + 290, 2);
        header.Permissions = bits & 0777;
    }
    if (bytes[292] == char(RecordKind::Metadata))
        header.Kind = RecordKind::Metadata;
    if (bytes[293] == 1) {
        Place place;
        std::memcpy(&place.At.BlockOffset, bytes + 256, 4);
        place.TapeNumber = uint8_t(bytes[260]);
        std::memcpy(&place.At.BlockCounter, bytes + 264, 8);
        header.MetadataRecord = place;
    }
    return header;
}

void CatalogRecord::Encode(char* bytes) const {
    std::memset(bytes, 0, Size);
    WriteShortString(bytes, Path);
    std::memcpy(bytes + 256, &End.BlockOffset, 4);
    std::memcpy(bytes + 264, &End.BlockCounter, 8);
}

CatalogRecord CatalogRecord::Decode(const char* bytes) {
    CatalogRecord record;
    record.Path = ReadShortString(bytes);
    std::memcpy(&record.End.BlockOffset, bytes + 256, 4);
    std::memcpy(&record.End.BlockCounter, bytes + 264, 8);
    return record;
}

QByteArray FileNamePart(const QByteArray& tapePath) {
    const bool drivePath = tapePath.size() >= 2 && tapePath.at(1) == ':';
    qsizetype cut = tapePath.lastIndexOf('/');
    if (drivePath)
        cut = std::max(cut, tapePath.lastIndexOf('\\'));
    return tapePath.mid(cut + 1);
}

} // namespace orvane
