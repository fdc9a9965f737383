#include "archive/backup_writer_fixture.h"
#include "tape/tape_date.h"

#include <QDateTime>
#include <QFileInfo>
#include <QStorageInfo>
#include <cstring>
#include <gtest/gtest.h>

using namespace orvane;
using namespace orvane::test;

namespace {

using Place = IndependentTapeReader::Place;
constexpr int64_t Block = 32768;

// Where the stream byte `at` (counted from the start of block 1) lies on a one-tape set.
Place StreamPlace(int64_t at) {
    return {0, 1 + at / Block, int32_t(at % Block)};
}

// After the last data byte, as the writer counts: a block filled to its end is still that block.
Place PlaceAfter(int64_t end) {
    return end % Block == 0 && end > 0 ? Place{0, end / Block, int32_t(Block)} : StreamPlace(end);
}

TEST(BackupFormat, ANewSetLiesOnTapeByteForByte) {
    BackupFixture fixture;
    // In the walk's order: names compared byte by byte, each directory finished when met.
    const std::vector<std::pair<QString, qsizetype>> files = {
        {"a/empty", 0},
        {"a/one", 1},
        {"b/block", 32768},
        {"b/block-less-one", 32767},
        {"b/block-plus-one", 32769},
        {"c/seventy", 70000},
        {"c/three-mib", 3 << 20},
    };
    QStringList paths;
    for (size_t i = 0; i < files.size(); ++i)
        paths << fixture.MakeFile(files[i].first, Pattern(files[i].second, int(i)));
    const double before = ToTapeDate(QDateTime::currentDateTime());
    fixture.Backup({fixture.Source()});
    const double after = ToTapeDate(QDateTime::currentDateTime());
    ASSERT_FALSE(fixture.S().CancelFlag);

    const auto set = fixture.Parse();
    ASSERT_TRUE(set.Error.isEmpty()) << set.Error.toStdString();
    ASSERT_EQ(set.Descriptions.size(), 1u);
    EXPECT_EQ(set.Descriptions[0].Label, "Tape");
    EXPECT_EQ(set.Descriptions[0].Number, 1);
    EXPECT_GE(set.Descriptions[0].Date, before);
    EXPECT_LE(set.Descriptions[0].Date, after);

    // The walk goes in name order; the catalog file closes the stream.
    ASSERT_EQ(set.Records.size(), files.size() + 1);
    int64_t at = 0;
    ASSERT_EQ(set.MetadataRecords.size(), 1u);
    for (size_t i = 0; i < set.Records.size(); ++i) {
        const auto& record = set.Records[i];
        if (i == files.size()) {
            // The metadata record comes right before the catalog.
            EXPECT_EQ(set.MetadataRecords[0].Header, StreamPlace(at));
            at += 296 + int64_t(set.MetadataRecords[0].Length);
        }
        EXPECT_EQ(record.Header, StreamPlace(at)) << i;
        at += 296 + int64_t(record.Length);
        EXPECT_EQ(record.AfterData, PlaceAfter(at)) << i;
        EXPECT_FALSE(record.Compressed);
        if (i == files.size())
            break;
        EXPECT_EQ(record.Path, QFile::encodeName(paths[qsizetype(i)]));
        EXPECT_EQ(record.Length, uint64_t(files[i].second));
        EXPECT_EQ(record.Data, Pattern(files[i].second, int(i))) << i;
        const QDateTime modified = QFileInfo(paths[qsizetype(i)]).lastModified();
        EXPECT_NEAR(record.Date, ToTapeDate(modified), 0.002 / 86400) << i;
    }

    const auto& catalog = set.Records.back();
    EXPECT_EQ(catalog.Path, QFile::encodeName(fixture.S().Paths.CatalogFilePath));
    const auto entries = IndependentTapeReader::ParseCatalog(catalog.Data);
    ASSERT_EQ(entries.size(), files.size());
    EXPECT_EQ(catalog.Length, files.size() * 272);
    for (size_t i = 0; i < entries.size(); ++i) {
        EXPECT_EQ(entries[i].Path, set.Records[i].Path);
        EXPECT_EQ(entries[i].Offset, set.Records[i].AfterData.Offset) << i;
        EXPECT_EQ(entries[i].Block, set.Records[i].AfterData.Block) << i;
    }

    ASSERT_TRUE(set.EndMarkerFound);
    EXPECT_EQ(set.CatalogOffset, catalog.Header.Offset);
    EXPECT_EQ(set.CatalogBlock, catalog.Header.Block);
    EXPECT_EQ(set.EndMarker, PlaceAfter(at)) << "the marker follows the catalog at once";
    EXPECT_FALSE(QFile::exists(fixture.S().Paths.CatalogFilePath)) << "the work file is gone";
}

TEST(BackupFormat, AFileOver4GiBKeepsItsWholeLength) {
    BackupFixture fixture(200000); // 6.1 GiB cartridges
    if (QStorageInfo(fixture.Home.Path()).bytesAvailable() < (int64_t(6) << 30))
        GTEST_SKIP() << "the cartridge needs about 4.1 GiB of free disk space";
    // Sparse: no disk space for the source, a few marks where the length's halves meet.
    const qint64 size = (qint64(1) << 32) + 70001;
    const QString path = fixture.MakeFile("big.img", QByteArray());
    const std::vector<std::pair<qint64, QByteArray>> marks = {
        {0, "first"}, {(qint64(1) << 32) - 3, "across"}, {size - 4, "last"}};
    {
        QFile file(path);
        ASSERT_TRUE(file.open(QIODevice::ReadWrite));
        ASSERT_TRUE(file.resize(size));
        for (const auto& [offset, text] : marks) {
            file.seek(offset);
            file.write(text);
        }
    }
    fixture.Backup({path});
    ASSERT_FALSE(fixture.S().CancelFlag);
    EXPECT_EQ(fixture.S().Counters.SourceBytes, size + 272) << "the file and the catalog";

    qint64 seen = 0;
    bool same = true;
    QByteArray expected;
    const auto set = fixture.Parse([&](size_t record, const char* bytes, size_t count) {
        if (record != 0)
            return;
        expected.fill(0, qsizetype(count));
        for (const auto& [offset, text] : marks)
            for (qsizetype i = 0; i < text.size(); ++i)
                if (offset + i >= seen && offset + i < seen + qint64(count))
                    expected[qsizetype(offset + i - seen)] = text[i];
        same = same && std::memcmp(bytes, expected.constData(), count) == 0;
        seen += qint64(count);
    });
    // The image holds 4 GiB of zeros; free it before the checks can stop the test.
    for (const QString& image : fixture.Images())
        QFile::resize(image, 0);
    ASSERT_TRUE(set.Error.isEmpty()) << set.Error.toStdString();
    ASSERT_EQ(set.Records.size(), 2u);
    EXPECT_EQ(set.Records[0].Length, uint64_t(size));
    EXPECT_EQ(seen, size);
    EXPECT_TRUE(same);
    const auto entries = IndependentTapeReader::ParseCatalog(set.Records[1].Data);
    ASSERT_EQ(entries.size(), 1u);
    EXPECT_EQ(entries[0].Block, set.Records[0].AfterData.Block);
    EXPECT_EQ(set.CatalogBlock, set.Records[1].Header.Block);
}

} // namespace
