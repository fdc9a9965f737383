#pragma once

#include <QByteArray>
#include <QFile>
#include <QStringList>
#include <cstdint>
#include <functional>
#include <memory>
#include <vector>

namespace orvane::test {

// Parses the cartridge images of a tape set straight from their bytes (block n of a cartridge at
// byte n*32768 of its NAME.vtape file), with nothing from the program's own tape code, so that
// the tests check what lies on tape against the format itself.
class IndependentTapeReader {
public:
    static constexpr int64_t Block = 32768;

    // Where a record lies: the tape (0-based index into the set), the block and the offset in it.
    struct Place {
        int Tape = 0;
        int64_t Block = 0;
        int32_t Offset = 0;
        bool operator==(const Place&) const = default;
    };

    struct Description {
        double Date = 0;
        int Number = 0;
        QByteArray Label;
    };

    struct Record {
        QByteArray Path;
        uint64_t Length = 0;
        double Date = 0;
        bool Compressed = false;
        Place Header;    // first byte of the header (a full block counts as the next block's start)
        Place AfterData; // right after the last data byte, as the writer counts it
        QByteArray Data; // the data when it is at most `keepDataUpTo` bytes
    };

    struct CatalogEntry {
        QByteArray Path;
        int32_t Offset = 0;
        int64_t Block = 0;
    };

    struct TapeSet {
        std::vector<Description> Descriptions; // block 0 of every tape
        std::vector<bool> TapeFullMarkers;     // block `blockLimit` of every tape but the last
        std::vector<Record> Records;
        // The records whose header byte 292 is 1: the set's entry metadata, apart from the files.
        std::vector<Record> MetadataRecords;
        bool EndMarkerFound = false;
        Place EndMarker;           // where the end marker lies
        int32_t CatalogOffset = 0; // what it says
        int64_t CatalogBlock = 0;
        QString Error; // empty when the stream parsed cleanly to its end marker
    };

    // `cartridges` in set order; `blockLimit` as the drive reported it (the tape-full marker's
    // block).
    IndependentTapeReader(const QStringList& cartridges, int64_t blockLimit,
                          uint64_t keepDataUpTo = 1 << 20);

    // Walks the whole set. `onData` sees every record's data chunk by chunk.
    using DataSink = std::function<void(size_t record, const char* bytes, size_t count)>;
    TapeSet Parse(const DataSink& onData = {});

    static std::vector<CatalogEntry> ParseCatalog(const QByteArray& catalog);
    static Description ParseDescription(const char* block);

private:
    bool ReadBlock(int tape, int64_t block, char* into);
    int64_t BlocksOn(int tape) const;
    // Takes `count` stream bytes; false at the end of the set's data.
    bool Take(char* into, size_t count);
    // Where the next record begins: a full block means the next block, or the next tape.
    Place NextRecordPlace() const;
    bool AtEndMarker();

    QStringList m_files;
    int64_t m_blockLimit;
    uint64_t m_keep;
    std::vector<std::unique_ptr<QFile>> m_open;
    std::vector<char> m_block = std::vector<char>(Block);
    Place m_at{0, 1, 0};
    bool m_loaded = false;
    Place m_endMarkerPlace;
    int32_t m_markerOffset = 0;
    int64_t m_markerBlock = 0;
};

} // namespace orvane::test
