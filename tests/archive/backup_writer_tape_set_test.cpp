#include "archive/backup_filler.h"
#include "archive/backup_inclusion.h"
#include "archive/backup_writer_fixture.h"
#include "archive/end_marker_io.h"
#include "archive/tape_reader.h"
#include "tape/tape_access.h"
#include "tape/tape_description_io.h"

#include <QRegularExpression>
#include <gtest/gtest.h>
#include <optional>

using namespace orvane;
using namespace orvane::test;

namespace {

using Place = IndependentTapeReader::Place;
constexpr int64_t Block = 32768;

// Reads the catalog back the way "Load Catalog" does: the end marker of the loaded tape, then
// the record at the catalog start.
QByteArray CatalogPathFromEndMarker(Session& session) {
    const StreamPosition start = FindEndMarker(session);
    TapeHandlePtr handle = OpenTape(session);
    if (!handle)
        return {};
    MoveHandleToBlock(session, *handle, start.BlockCounter);
    LoadStreamBlock(session, *handle, start.BlockOffset);
    return ReadFileRecord(session, handle, false, false);
}

// Reads every record from tape 1 on, as "Load Catalog sequentiell" does; the paths in order.
QList<QByteArray> RecordsReadInSequence(BackupFixture& fixture) {
    Session& session = fixture.S();
    fixture.library->insert("t1");
    session.CurrentTapeDescription = ReadTapeDescription(session);
    MoveToBlock(session, "1");
    TapeHandlePtr handle = OpenTape(session);
    LoadStreamBlock(session, *handle, 0);
    QList<QByteArray> paths;
    for (QByteArray path = ReadFileRecord(session, handle, true, false); !path.isEmpty();
         path = ReadFileRecord(session, handle, true, false))
        paths << path;
    return paths;
}

TEST(BackupTapeSet, ABackupRunsOnAcrossThreeTapes) {
    BackupFixture fixture(300); // block limit 290: data blocks 1..289, about 9 MB a tape
    Session& session = fixture.S();
    ASSERT_EQ(session.BlockLimit, 290);
    QStringList files;
    for (int i = 0; i < 11; ++i)
        files << fixture.MakeFile(QStringLiteral("f%1").arg(i, 2, 10, QLatin1Char('0')),
                                  Pattern(2000000 + i, i));

    fixture.Backup({fixture.Source()});

    ASSERT_FALSE(session.CancelFlag);
    EXPECT_EQ(fixture.cartridges, QStringList({"t1", "t2", "t3"}));
    ASSERT_EQ(fixture.op.tapeRequests.size(), 2u);
    EXPECT_EQ(fixture.op.tapeRequests[0].text,
              "Tape full! Please insert Tape 2 and press then ok!");
    EXPECT_EQ(fixture.op.tapeRequests[1].text,
              "Tape full! Please insert Tape 3 and press then ok!");
    for (const char* event : {"^Tape 1 at .* ejected !$", "^Tape 2 at .* loaded !$",
                              "^Tape 2 at .* ejected !$", "^Tape 3 at .* loaded !$"})
        EXPECT_GE(fixture.op.protocolLines.indexOf(QRegularExpression(event)), 0) << event;

    const auto set = fixture.Parse();
    ASSERT_TRUE(set.error.isEmpty()) << set.error.toStdString();
    ASSERT_EQ(set.descriptions.size(), 3u);
    for (int tape = 0; tape < 3; ++tape) {
        EXPECT_EQ(set.descriptions[size_t(tape)].number, tape + 1);
        EXPECT_EQ(set.descriptions[size_t(tape)].label, "Tape");
        EXPECT_EQ(set.descriptions[size_t(tape)].date, set.descriptions[0].date);
    }
    EXPECT_EQ(set.tapeFullMarkers, std::vector<bool>({true, true}));
    ASSERT_EQ(set.records.size(), 12u);
    for (int i = 0; i < 11; ++i)
        EXPECT_EQ(set.records[size_t(i)].data, Pattern(2000000 + i, i)) << i;
    const auto& catalog = set.records.back();
    EXPECT_EQ(catalog.header.tape, 2);
    EXPECT_EQ(set.endMarker.tape, 2);
    EXPECT_EQ(set.catalogBlock, catalog.header.block);
    EXPECT_EQ(set.catalogOffset, catalog.header.offset);
    EXPECT_EQ(IndependentTapeReader::ParseCatalog(catalog.data).size(), 11u);

    EXPECT_EQ(CatalogPathFromEndMarker(session), QFile::encodeName(session.paths.CatalogFilePath));
}

struct FillerCase {
    int64_t roomAfterFile; // stream bytes left on tape 1 after the one file's record
    std::optional<uint64_t> filler;
    Place catalog;
};

TEST(BackupTapeSet, TheCatalogAndTheEndMarkerLieWholeOnTheLastTape) {
    // One file record, then the catalog record (296 + 272 bytes) and the end marker. A reader
    // finds the marker by reading a header's 296 bytes where it lies, and it must find it
    // before it has read block 89, the last data block, after which it asks for the next tape.
    const std::vector<FillerCase> cases = {
        {Block + 864, std::nullopt, {0, 88, int32_t(Block - 864)}}, // fits to the last byte
        {Block + 863, Block + 567, {1, 1, 0}}, // one byte short: the filler ends the tape
        {578, 282, {1, 1, 0}},                 // the marker itself would need block 90
        {100, 100 + Block - 296, {1, 2, 0}},   // not even a header fits: on to block 2
        {0, Block - 296, {1, 2, 0}},           // the file ends the tape exactly
    };
    for (const FillerCase& c : cases) {
        SCOPED_TRACE(c.roomAfterFile);
        BackupFixture fixture(100); // block limit 90
        Session& session = fixture.S();
        const int64_t dataEnd = (session.BlockLimit - 1) * Block;
        const qsizetype size = qsizetype(dataEnd - 296 - c.roomAfterFile);
        const QString file = fixture.MakeFile("only", Pattern(size, 7));

        fixture.Backup({file});
        ASSERT_FALSE(session.CancelFlag);

        const auto set = fixture.Parse();
        ASSERT_TRUE(set.error.isEmpty()) << set.error.toStdString();
        ASSERT_EQ(set.records.size(), c.filler ? 3u : 2u);
        EXPECT_EQ(set.records[0].data, Pattern(size, 7));
        if (c.filler) {
            const auto& filler = set.records[1];
            EXPECT_EQ(filler.path,
                      QFile::encodeName(session.paths.WorkDirectory + "orvane filler.dat"));
            EXPECT_TRUE(IsWorkFileRecord(filler.path));
            EXPECT_EQ(filler.length, *c.filler);
            EXPECT_EQ(filler.data, QByteArray(qsizetype(*c.filler), '\0'));
            EXPECT_EQ(set.tapeFullMarkers, std::vector<bool>({true}));
        }
        const auto& catalog = set.records.back();
        EXPECT_EQ(catalog.header, c.catalog);
        EXPECT_EQ(set.catalogBlock, c.catalog.block);
        EXPECT_EQ(set.catalogOffset, c.catalog.offset);
        EXPECT_EQ(set.endMarker.tape, c.catalog.tape);
        const auto entries = IndependentTapeReader::ParseCatalog(catalog.data);
        ASSERT_EQ(entries.size(), 1u) << "the filler has no catalog record";
        EXPECT_EQ(entries[0].path, QFile::encodeName(file));
        EXPECT_EQ(CatalogPathFromEndMarker(session),
                  QFile::encodeName(session.paths.CatalogFilePath));
        QList<QByteArray> expected;
        for (const auto& record : set.records)
            expected << record.path;
        EXPECT_EQ(RecordsReadInSequence(fixture), expected);
        EXPECT_FALSE(session.CancelFlag);
    }
}

TEST(BackupFiller, IsNeededOnlyWhereItHelps) {
    const int64_t limit = 90;
    const int64_t dataEnd = (limit - 1) * Block;
    const auto at = [](int64_t streamByte) {
        return StreamPosition{int32_t(streamByte % Block), 0, 1 + streamByte / Block};
    };
    EXPECT_EQ(FillerLength(at(dataEnd - 1000), 0, 568), std::nullopt) << "no known limit";
    EXPECT_EQ(FillerLength(at(dataEnd - Block - 864), limit, 568), std::nullopt) << "just fits";
    EXPECT_EQ(FillerLength(at(dataEnd - 500), limit, 568), uint64_t(500 - 296));
    EXPECT_EQ(FillerLength(at(100), limit, uint64_t(dataEnd)), std::nullopt)
        << "a catalog larger than a tape straddles whatever is done";
}

TEST(BackupTapeSet, AppendGoesOnWhereTheOldCatalogBegan) {
    BackupFixture fixture;
    Session& session = fixture.S();
    const QString a1 = fixture.MakeFile("a/1", Pattern(100000, 1));
    const QString a2 = fixture.MakeFile("a/2", Pattern(5000, 2));
    fixture.Backup({fixture.Source("a/")});
    const auto first = fixture.Parse();
    ASSERT_TRUE(first.error.isEmpty());

    const QString b1 = fixture.MakeFile("b/1", Pattern(70000, 3));
    session.settings.Append = true;
    ASSERT_TRUE(session.DescriptionValid);
    fixture.Backup({b1});
    ASSERT_FALSE(session.CancelFlag);

    const auto set = fixture.Parse();
    ASSERT_TRUE(set.error.isEmpty()) << set.error.toStdString();
    EXPECT_EQ(set.descriptions[0].date, first.descriptions[0].date) << "the set stays";
    ASSERT_EQ(set.records.size(), 4u);
    EXPECT_EQ(set.records[2].path, QFile::encodeName(b1));
    EXPECT_EQ(set.records[2].header, first.records.back().header)
        << "the new file overwrites the old catalog";
    EXPECT_EQ(set.records[2].data, Pattern(70000, 3));
    const auto entries = IndependentTapeReader::ParseCatalog(set.records[3].data);
    ASSERT_EQ(entries.size(), 3u);
    EXPECT_EQ(entries[0].path, QFile::encodeName(a1));
    EXPECT_EQ(entries[1].path, QFile::encodeName(a2));
    EXPECT_EQ(entries[2].path, QFile::encodeName(b1));
    EXPECT_EQ(entries[2].block, set.records[2].afterData.block);
    EXPECT_EQ(entries[2].offset, set.records[2].afterData.offset);
    EXPECT_EQ(set.catalogBlock, set.records[3].header.block);
    EXPECT_EQ(set.catalogOffset, set.records[3].header.offset);
    EXPECT_EQ(session.counters.TapeBytes, 2 * 296 + 70000 + 3 * 272)
        << "reading the old catalog back is not counted";
}

TEST(BackupTapeSet, AppendCarriesTheSetOntoItsNextTape) {
    BackupFixture fixture(300);
    Session& session = fixture.S();
    for (int i = 0; i < 6; ++i)
        fixture.MakeFile(QStringLiteral("a/%1").arg(i), Pattern(2000000, i));
    fixture.Backup({fixture.Source("a/")});
    ASSERT_EQ(fixture.cartridges.size(), 2u);

    for (int i = 0; i < 4; ++i)
        fixture.MakeFile(QStringLiteral("b/%1").arg(i), Pattern(2000000, 10 + i));
    session.settings.Append = true;
    fixture.op.tapeRequests.clear();
    fixture.Backup({fixture.Source("b/")});
    ASSERT_FALSE(session.CancelFlag);

    ASSERT_EQ(fixture.op.tapeRequests.size(), 1u);
    EXPECT_EQ(fixture.op.tapeRequests[0].text,
              "Tape full! Please insert Tape 3 and press then ok!");
    const auto set = fixture.Parse();
    ASSERT_TRUE(set.error.isEmpty()) << set.error.toStdString();
    ASSERT_EQ(set.descriptions.size(), 3u);
    EXPECT_EQ(set.descriptions[2].number, 3);
    EXPECT_EQ(set.descriptions[2].date, set.descriptions[0].date);
    ASSERT_EQ(set.records.size(), 11u);
    for (int i = 0; i < 4; ++i)
        EXPECT_EQ(set.records[size_t(6 + i)].data, Pattern(2000000, 10 + i)) << i;
    EXPECT_EQ(IndependentTapeReader::ParseCatalog(set.records.back().data).size(), 10u);
    EXPECT_EQ(set.endMarker.tape, 2);
}

TEST(BackupTapeSet, AppendOnAFreshTapeStartsANewSet) {
    BackupFixture fixture;
    Session& session = fixture.S();
    LoadTapeDescription(session);
    ASSERT_FALSE(session.DescriptionValid) << "a tape never written has no description";
    session.settings.Append = true;
    const QString file = fixture.MakeFile("a", "a");
    fixture.Backup({file});

    const auto set = fixture.Parse();
    ASSERT_TRUE(set.error.isEmpty()) << set.error.toStdString();
    EXPECT_EQ(set.descriptions[0].label, "Tape");
    EXPECT_EQ(set.descriptions[0].number, 1);
    ASSERT_EQ(set.records.size(), 2u);
    EXPECT_EQ(set.records[0].header, (Place{0, 1, 0}));
}

TEST(BackupTapeSet, AppendThatDoesNotFindTheCatalogWritesNothing) {
    BackupFixture fixture;
    Session& session = fixture.S();
    const QString a1 = fixture.MakeFile("a/1", Pattern(40000, 1));
    fixture.MakeFile("a/2", Pattern(40000, 2));
    fixture.Backup({fixture.Source("a/")});
    const auto first = fixture.Parse();
    ASSERT_TRUE(first.endMarkerFound);

    // Point the end marker at the first file instead of the catalog.
    const QString image = fixture.library->imagePath("t1");
    {
        QFile file(image);
        ASSERT_TRUE(file.open(QIODevice::ReadWrite));
        const int32_t offset = 0;
        const int64_t block = 1;
        file.seek(first.endMarker.block * Block + first.endMarker.offset + 7);
        file.write(reinterpret_cast<const char*>(&offset), 4);
        file.write(reinterpret_cast<const char*>(&block), 8);
    }
    const QByteArray before = ReadWhole(image);

    session.settings.Append = true;
    fixture.Backup({fixture.MakeFile("b", Pattern(50000, 3))});

    EXPECT_TRUE(session.CancelFlag);
    EXPECT_EQ(ReadWhole(image), before) << "the set is not touched";
    const QString refusal = "Append not possible: the catalog of the tape set was not found at "
                            "its end. Nothing was written to tape.";
    EXPECT_TRUE(fixture.op.protocolLines.contains(refusal));
    EXPECT_TRUE(fixture.op.boxTexts().contains(refusal));
    EXPECT_FALSE(QFile::exists(session.paths.WorkDirectory + "1")) << "the record read is gone";
    EXPECT_FALSE(QFile::exists(session.paths.CatalogFilePath));
    EXPECT_TRUE(fixture.op.protocolLines.last().startsWith("Backup finished at: "));
}

// The marker's fields come from tape: a place outside the tape's data ends the append in words.
TEST(BackupTapeSet, AppendAtADamagedEndMarkerWritesNothing) {
    const std::vector<std::pair<int32_t, int64_t>> lies = {
        {40000, 1}, {-5, 1}, {0, 5000}, {0, -3}, {100, INT64_MAX}};
    for (const auto& [offset, block] : lies) {
        BackupFixture fixture;
        Session& session = fixture.S();
        fixture.MakeFile("a/1", Pattern(40000, 1));
        fixture.Backup({fixture.Source("a/")});
        const auto first = fixture.Parse();
        ASSERT_TRUE(first.endMarkerFound);
        const QString image = fixture.library->imagePath("t1");
        {
            QFile file(image);
            ASSERT_TRUE(file.open(QIODevice::ReadWrite));
            file.seek(first.endMarker.block * Block + first.endMarker.offset + 7);
            file.write(reinterpret_cast<const char*>(&offset), 4);
            file.write(reinterpret_cast<const char*>(&block), 8);
        }
        const QByteArray before = ReadWhole(image);

        session.settings.Append = true;
        fixture.Backup({fixture.MakeFile("b", Pattern(50000, 3))});

        EXPECT_TRUE(session.CancelFlag);
        EXPECT_EQ(ReadWhole(image), before) << "the set is not touched";
        const QStringList boxes = fixture.op.boxTexts();
        EXPECT_TRUE(boxes.size() == 1 && boxes[0].startsWith("The end marker of the tape set is "
                                                             "damaged"))
            << offset << " " << block << ": " << boxes.join('|').toStdString();
        EXPECT_TRUE(fixture.op.protocolLines.last().startsWith("Backup finished at: "));
    }
}

} // namespace
