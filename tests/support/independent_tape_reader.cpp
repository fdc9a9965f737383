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
        if (m_at.Offset == Block) {
            // Blocks 1 .. limit-1 of a tape hold the stream; block `limit` the tape-full marker.
            m_at.Block += 1;
            m_at.Offset = 0;
            if (m_blockLimit > 0 && m_at.Block >= m_blockLimit) {
                m_at.Tape += 1;
                m_at.Block = 1;
            }
            m_loaded = false;
        }
        if (!m_loaded) {
            if (!ReadBlock(m_at.Tape, m_at.Block, m_block.data()))
                return false;
            m_loaded = true;
        }
        const size_t part = std::min<size_t>(count, size_t(Block - m_at.Offset));
        std::memcpy(into, m_block.data() + m_at.Offset, part);
        into += part;
        count -= part;
        m_at.Offset += int32_t(part);
    }
    return true;
}

IndependentTapeReader::Place IndependentTapeReader::NextRecordPlace() const {
    Place at = m_at;
    if (at.Offset == Block) {
        at.Block += 1;
        at.Offset = 0;
        if (m_blockLimit > 0 && at.Block >= m_blockLimit)
            at = {at.Tape + 1, 1, 0};
    }
    return at;
}

bool IndependentTapeReader::AtEndMarker() {
    Place at = NextRecordPlace();
    std::vector<char> block(Block);
    if (!ReadBlock(at.Tape, at.Block, block.data()))
        return false;
    if (at.Offset + MarkerSize <= Block) {
        if (!IsMarkerAt(block.data() + at.Offset))
            return false;
    } else {
        // A marker that does not fit after the last record starts the next block; the rest of
        // this block is then zero, which no record header can be.
        if (std::any_of(block.begin() + at.Offset, block.end(), [](char c) { return c != 0; }))
            return false;
        at.Block += 1;
        at.Offset = 0;
        if (!ReadBlock(at.Tape, at.Block, block.data()) || !IsMarkerAt(block.data()))
            return false;
    }
    m_endMarkerPlace = at;
    m_markerOffset = ValueAt<int32_t>(block.data() + at.Offset + 7);
    m_markerBlock = ValueAt<int64_t>(block.data() + at.Offset + 11);
    return true;
}

IndependentTapeReader::TapeSet IndependentTapeReader::Parse(const DataSink& onData) {
    TapeSet set;
    std::vector<char> block(Block);
    for (int tape = 0; tape < int(m_files.size()); ++tape) {
        if (!ReadBlock(tape, 0, block.data())) {
            set.Error = QStringLiteral("tape %1 has no block 0").arg(tape + 1);
            return set;
        }
        set.Descriptions.push_back(ParseDescription(block.data()));
        if (tape + 1 < int(m_files.size())) {
            const bool marker = BlocksOn(tape) == m_blockLimit + 1 &&
                                ReadBlock(tape, m_blockLimit, block.data()) &&
                                IsMarkerAt(block.data()) &&
                                std::all_of(block.begin() + 7, block.begin() + MarkerSize,
                                            [](char c) { return c == 0; });
            set.TapeFullMarkers.push_back(marker);
        }
    }

    m_at = {0, 1, 0};
    m_loaded = false;
    std::vector<char> chunk(Block);
    for (;;) {
        if (AtEndMarker()) {
            set.EndMarkerFound = true;
            set.EndMarker = m_endMarkerPlace;
            set.CatalogOffset = m_markerOffset;
            set.CatalogBlock = m_markerBlock;
            const int last = int(m_files.size()) - 1;
            if (set.EndMarker.Tape != last || set.EndMarker.Block != BlocksOn(last) - 1)
                set.Error = QStringLiteral("the end marker is not in the last block of the set");
            return set;
        }
        Record record;
        record.Header = NextRecordPlace();
        char header[HeaderSize];
        if (!Take(header, HeaderSize)) {
            set.Error = QStringLiteral("the data ends inside a header, without an end marker");
            return set;
        }
        record.Path = ShortStringAt(header);
        record.Length = ValueAt<uint64_t>(header + 272);
        record.Date = ValueAt<double>(header + 280);
        record.Compressed = header[288] == 1;
        const bool metadata = header[292] == 1;
        if (record.Path.isEmpty()) {
            set.Error = QStringLiteral("a header without a path");
            return set;
        }
        const size_t index = set.Records.size();
        for (uint64_t left = record.Length; left > 0;) {
            const size_t part = size_t(std::min<uint64_t>(left, Block));
            if (!Take(chunk.data(), part)) {
                set.Error = QStringLiteral("the data of %1 ends early").arg(QString(record.Path));
                return set;
            }
            if (onData && !metadata)
                onData(index, chunk.data(), part);
            if (record.Length <= m_keep)
                record.Data.append(chunk.data(), qsizetype(part));
            left -= part;
        }
        record.AfterData = m_at;
        (metadata ? set.MetadataRecords : set.Records).push_back(std::move(record));
    }
}

} // namespace orvane::test
