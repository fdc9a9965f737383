#include "independent_tape_reader.h"

#include <algorithm>
#include <cstring>

namespace orvane::test {

namespace {

constexpr int HeaderSize = 296;
constexpr int CatalogRecordSize = 272;
constexpr int MarkerSize = 19;

template <typename T> T ValueAt(const char* bytes) {
    T value;
    std::memcpy(&value, bytes, sizeof value);
    return value;
}

QByteArray ShortStringAt(const char* bytes) {
    return QByteArray(bytes + 1, uint8_t(bytes[0]));
}

bool IsMarkerAt(const char* bytes) {
    return bytes[0] == 6 && std::memcmp(bytes + 1, "XENDEX", 6) == 0;
}

} // namespace

IndependentTapeReader::IndependentTapeReader(const QStringList& cartridges, int64_t blockLimit,
                                             uint64_t keepDataUpTo)
    : m_files(cartridges), m_blockLimit(blockLimit), m_keep(keepDataUpTo) {
    for (const QString& file : m_files) {
        auto open = std::make_unique<QFile>(file);
        open->open(QIODevice::ReadOnly);
        m_open.push_back(std::move(open));
    }
}

int64_t IndependentTapeReader::BlocksOn(int tape) const {
    if (tape < 0 || tape >= int(m_open.size()))
        return 0;
    return m_open[size_t(tape)]->size() / Block;
}

bool IndependentTapeReader::ReadBlock(int tape, int64_t block, char* into) {
    if (block < 0 || block >= BlocksOn(tape))
        return false;
    QFile& file = *m_open[size_t(tape)];
    return file.seek(block * Block) && file.read(into, Block) == Block;
}

IndependentTapeReader::Description IndependentTapeReader::ParseDescription(const char* block) {
    return {ValueAt<double>(block), uint8_t(block[8]), ShortStringAt(block + 9)};
}

std::vector<IndependentTapeReader::CatalogEntry>
IndependentTapeReader::ParseCatalog(const QByteArray& catalog) {
    std::vector<CatalogEntry> entries;
    for (qsizetype at = 0; at + CatalogRecordSize <= catalog.size(); at += CatalogRecordSize) {
        const char* record = catalog.constData() + at;
        entries.push_back({ShortStringAt(record), ValueAt<int32_t>(record + 256),
                           ValueAt<int64_t>(record + 264)});
    }
    return entries;
}

bool IndependentTapeReader::Take(char* into, size_t count) {
    while (count > 0) {
        if (m_at.offset == Block) {
            // Blocks 1 .. limit-1 of a tape hold the stream; block `limit` the tape-full marker.
            m_at.block += 1;
            m_at.offset = 0;
            if (m_blockLimit > 0 && m_at.block >= m_blockLimit) {
                m_at.tape += 1;
                m_at.block = 1;
            }
            m_loaded = false;
        }
        if (!m_loaded) {
            if (!ReadBlock(m_at.tape, m_at.block, m_block.data()))
                return false;
            m_loaded = true;
        }
        const size_t part = std::min<size_t>(count, size_t(Block - m_at.offset));
        std::memcpy(into, m_block.data() + m_at.offset, part);
        into += part;
        count -= part;
        m_at.offset += int32_t(part);
    }
    return true;
}

IndependentTapeReader::Place IndependentTapeReader::NextRecordPlace() const {
    Place at = m_at;
    if (at.offset == Block) {
        at.block += 1;
        at.offset = 0;
        if (m_blockLimit > 0 && at.block >= m_blockLimit)
            at = {at.tape + 1, 1, 0};
    }
    return at;
}

bool IndependentTapeReader::AtEndMarker() {
    Place at = NextRecordPlace();
    std::vector<char> block(Block);
    if (!ReadBlock(at.tape, at.block, block.data()))
        return false;
    if (at.offset + MarkerSize <= Block) {
        if (!IsMarkerAt(block.data() + at.offset))
            return false;
    } else {
        // A marker that does not fit after the last record starts the next block; the rest of
        // this block is then zero, which no record header can be.
        if (std::any_of(block.begin() + at.offset, block.end(), [](char c) { return c != 0; }))
            return false;
        at.block += 1;
        at.offset = 0;
        if (!ReadBlock(at.tape, at.block, block.data()) || !IsMarkerAt(block.data()))
            return false;
    }
    m_endMarkerPlace = at;
    m_markerOffset = ValueAt<int32_t>(block.data() + at.offset + 7);
    m_markerBlock = ValueAt<int64_t>(block.data() + at.offset + 11);
    return true;
}

IndependentTapeReader::TapeSet IndependentTapeReader::Parse(const DataSink& onData) {
    TapeSet set;
    std::vector<char> block(Block);
    for (int tape = 0; tape < int(m_files.size()); ++tape) {
        if (!ReadBlock(tape, 0, block.data())) {
            set.error = QStringLiteral("tape %1 has no block 0").arg(tape + 1);
            return set;
        }
        set.descriptions.push_back(ParseDescription(block.data()));
        if (tape + 1 < int(m_files.size())) {
            const bool marker = BlocksOn(tape) == m_blockLimit + 1 &&
                                ReadBlock(tape, m_blockLimit, block.data()) &&
                                IsMarkerAt(block.data()) &&
                                std::all_of(block.begin() + 7, block.begin() + MarkerSize,
                                            [](char c) { return c == 0; });
            set.tapeFullMarkers.push_back(marker);
        }
    }

    m_at = {0, 1, 0};
    m_loaded = false;
    std::vector<char> chunk(Block);
    for (;;) {
        if (AtEndMarker()) {
            set.endMarkerFound = true;
            set.endMarker = m_endMarkerPlace;
            set.catalogOffset = m_markerOffset;
            set.catalogBlock = m_markerBlock;
            const int last = int(m_files.size()) - 1;
            if (set.endMarker.tape != last || set.endMarker.block != BlocksOn(last) - 1)
                set.error = QStringLiteral("the end marker is not in the last block of the set");
            return set;
        }
        Record record;
        record.header = NextRecordPlace();
        char header[HeaderSize];
        if (!Take(header, HeaderSize)) {
            set.error = QStringLiteral("the data ends inside a header, without an end marker");
            return set;
        }
        record.path = ShortStringAt(header);
        record.length = ValueAt<uint64_t>(header + 272);
        record.date = ValueAt<double>(header + 280);
        record.compressed = header[288] == 1;
        if (record.path.isEmpty()) {
            set.error = QStringLiteral("a header without a path");
            return set;
        }
        const size_t index = set.records.size();
        for (uint64_t left = record.length; left > 0;) {
            const size_t part = size_t(std::min<uint64_t>(left, Block));
            if (!Take(chunk.data(), part)) {
                set.error = QStringLiteral("the data of %1 ends early").arg(QString(record.path));
                return set;
            }
            if (onData)
                onData(index, chunk.data(), part);
            if (record.length <= m_keep)
                record.data.append(chunk.data(), qsizetype(part));
            left -= part;
        }
        record.afterData = m_at;
        set.records.push_back(std::move(record));
    }
}

} // namespace orvane::test
