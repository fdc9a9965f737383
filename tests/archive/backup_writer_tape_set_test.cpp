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

// Overwrites the catalog start that the end marker at `marker` of the cartridge image names.
void PointEndMarkerAt(const QString& image, const Place& marker, int32_t offset, int64_t block) {
    QFile file(image);
    ASSERT_TRUE(file.open(QIODevice::ReadWrite));
    file.seek(marker.Block * Block + marker.Offset + 7);
    file.write(reinterpret_cast<const char*>(&offset), 4);
    file.write(reinterpret_cast<const char*>(&block), 8);
}

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
    fixture.Library->Insert("t1");
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
    EXPECT_EQ(fixture.Cartridges, QStringList({"t1", "t2", "t3"}));
    ASSERT_EQ(fixture.Op.TapeRequests.size(), 2u);
    EXPECT_EQ(fixture.Op.TapeRequests[0].Text,
              "Tape full! Please insert Tape 2 and press then ok!");
    EXPECT_EQ(fixture.Op.TapeRequests[1].Text,
              "Tape full! Please insert Tape 3 and press then ok!");
    for (const char* event : {"^Tape 1 at .* ejected !$", "^Tape 2 at .* loaded !$",
                              "^Tape 2 at .* ejected !$", "^Tape 3 at .* loaded !$"})
        EXPECT_GE(fixture.Op.ProtocolLines.indexOf(QRegularExpression(event)), 0) << event;

    const auto set = fixture.Parse();
    ASSERT_TRUE(set.Error.isEmpty()) << set.Error.toStdString();
    ASSERT_EQ(set.Descriptions.size(), 3u);
    for (int tape = 0; tape < 3; ++tape) {
        EXPECT_EQ(set.Descriptions[size_t(tape)].Number, tape + 1);
        EXPECT_EQ(set.Descriptions[size_t(tape)].Label, "Tape");
        EXPECT_EQ(set.Descriptions[size_t(tape)].Date, set.Descriptions[0].Date);
    }
    EXPECT_EQ(set.TapeFullMarkers, std::vector<bool>({true, true}));
    ASSERT_EQ(set.Records.size(), 12u);
    for (int i = 0; i < 11; ++i)
        EXPECT_EQ(set.Records[size_t(i)].Data, Pattern(2000000 + i, i)) << i;
    const auto& catalog = set.Records.back();
    EXPECT_EQ(catalog.Header.Tape, 2);
    EXPECT_EQ(set.EndMarker.Tape, 2);
    EXPECT_EQ(set.CatalogBlock, catalog.Header.Block);
    EXPECT_EQ(set.CatalogOffset, catalog.Header.Offset);
    EXPECT_EQ(IndependentTapeReader::ParseCatalog(catalog.Data).size(), 11u);

    EXPECT_EQ(CatalogPathFromEndMarker(session), QFile::encodeName(session.Paths.CatalogFilePath));
}

struct FillerCase {
    int64_t RoomAfterFile;          // stream bytes left on tape 1 after the one file's record
    bool PlusMetadata;              // and the metadata record's bytes on top
    std::optional<uint64_t> Filler; // the filler's length, without the metadata record's bytes
    Place Catalog;                  // where the catalog begins, with a filler after the metadata
};

TEST(BackupTapeSet, TheCatalogAndTheEndMarkerLieWholeOnTheLastTape) {
    // One file record, then the metadata record, the catalog record (296 + 272 bytes) and the
    // end marker. A reader finds the marker by reading a header's 296 bytes where it lies, and
    // it must find it before it has read block 89, the last data block, after which it asks
    // for the next tape.
    const std::vector<FillerCase> cases = {
        {Block + 864, true, std::nullopt, {0, 88, int32_t(Block - 864)}}, // fits to the last byte
        {Block + 863, true, Block + 567, {1, 1, 0}}, // one byte short: the filler ends the tape
        {578, true, 282, {1, 1, 0}},                 // the marker itself would need block 90
        {100, false, 100 + Block - 296, {1, 2, 0}},  // not even a header fits: on to block 2
        {0, false, Block - 296, {1, 2, 0}},          // the file ends the tape exactly
    };
    for (const FillerCase& c : cases) {
        SCOPED_TRACE(c.RoomAfterFile);
        BackupFixture fixture(100); // block limit 90
        Session& session = fixture.S();
        const int64_t dataEnd = (session.BlockLimit - 1) * Block;
        // The metadata record of one file owned by root: 296 + 70 bytes and the path.
        const QString path = fixture.Source("only");
        const int64_t metadata = 296 + 70 + QFile::encodeName(path).size();
        const int64_t room = c.RoomAfterFile + (c.PlusMetadata ? metadata : 0);
        const qsizetype size = qsizetype(dataEnd - 296 - room);
        const QString file = fixture.MakeFile("only", Pattern(size, 7));
        ASSERT_EQ(file, path);
        Place catalogPlace = c.Catalog;
        if (c.Filler)
            catalogPlace.Offset += int32_t(metadata);

        fixture.Backup({file});
        ASSERT_FALSE(session.CancelFlag);

        const auto set = fixture.Parse();
        ASSERT_TRUE(set.Error.isEmpty()) << set.Error.toStdString();
        ASSERT_EQ(set.Records.size(), c.Filler ? 3u : 2u);
        EXPECT_EQ(set.Records[0].Data, Pattern(size, 7));
        if (c.Filler) {
            const auto& filler = set.Records[1];
            EXPECT_EQ(filler.Path,
                      QFile::encodeName(session.Paths.WorkDirectory + "orvane filler.dat"));
            EXPECT_TRUE(IsWorkFileRecord(filler.Path));
            const uint64_t fillerLength = *c.Filler + uint64_t(c.PlusMetadata ? metadata : 0);
            EXPECT_EQ(filler.Length, fillerLength);
            EXPECT_EQ(filler.Data, QByteArray(qsizetype(fillerLength), '\0'));
            EXPECT_EQ(set.TapeFullMarkers, std::vector<bool>({true}));
        }
        ASSERT_EQ(set.MetadataRecords.size(), 1u);
        EXPECT_EQ(set.MetadataRecords[0].Length + 296, uint64_t(metadata));
        EXPECT_EQ(set.MetadataRecords[0].Header.Tape, c.Catalog.Tape) << "beside the catalog";
        const auto& catalog = set.Records.back();
        EXPECT_EQ(catalog.Header, catalogPlace);
        EXPECT_EQ(set.CatalogBlock, catalogPlace.Block);
        EXPECT_EQ(set.CatalogOffset, catalogPlace.Offset);
        EXPECT_EQ(set.EndMarker.Tape, c.Catalog.Tape);
        const auto entries = IndependentTapeReader::ParseCatalog(catalog.Data);
        ASSERT_EQ(entries.size(), 1u) << "the filler has no catalog record";
        EXPECT_EQ(entries[0].Path, QFile::encodeName(file));
        EXPECT_EQ(CatalogPathFromEndMarker(session),
                  QFile::encodeName(session.Paths.CatalogFilePath));
        QList<QByteArray> expected;
        for (const auto& record : set.Records)
            expected << record.Path;
        expected.insert(expected.size() - 1, set.MetadataRecords[0].Path);
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
    ASSERT_TRUE(first.Error.isEmpty());

    const QString b1 = fixture.MakeFile("b/1", Pattern(70000, 3));
    session.Settings.Append = true;
    ASSERT_TRUE(session.DescriptionValid);
    fixture.Backup({b1});
    ASSERT_FALSE(session.CancelFlag);

    const auto set = fixture.Parse();
    ASSERT_TRUE(set.Error.isEmpty()) << set.Error.toStdString();
    EXPECT_EQ(set.Descriptions[0].Date, first.Descriptions[0].Date) << "the set stays";
    ASSERT_EQ(set.Records.size(), 4u);
    EXPECT_EQ(set.Records[2].Path, QFile::encodeName(b1));
    EXPECT_EQ(set.Records[2].Header, first.Records.back().Header)
        << "the new file overwrites the old catalog";
    EXPECT_EQ(set.Records[2].Data, Pattern(70000, 3));
    const auto entries = IndependentTapeReader::ParseCatalog(set.Records[3].Data);
    ASSERT_EQ(entries.size(), 3u);
    EXPECT_EQ(entries[0].Path, QFile::encodeName(a1));
    EXPECT_EQ(entries[1].Path, QFile::encodeName(a2));
    EXPECT_EQ(entries[2].Path, QFile::encodeName(b1));
    EXPECT_EQ(entries[2].Block, set.Records[2].AfterData.Block);
    EXPECT_EQ(entries[2].Offset, set.Records[2].AfterData.Offset);
    EXPECT_EQ(set.CatalogBlock, set.Records[3].Header.Block);
    EXPECT_EQ(set.CatalogOffset, set.Records[3].Header.Offset);
    ASSERT_EQ(set.MetadataRecords.size(), 2u) << "the first run's stays where it was";
    EXPECT_EQ(session.Counters.TapeBytes,
              int64_t(3 * 296 + 70000 + 3 * 272 + set.MetadataRecords[1].Length))
        << "reading the old catalog and metadata back is not counted";
}

TEST(BackupTapeSet, AppendCarriesTheSetOntoItsNextTape) {
    BackupFixture fixture(300);
    Session& session = fixture.S();
    for (int i = 0; i < 6; ++i)
        fixture.MakeFile(QStringLiteral("a/%1").arg(i), Pattern(2000000, i));
    fixture.Backup({fixture.Source("a/")});
    ASSERT_EQ(fixture.Cartridges.size(), 2u);

    for (int i = 0; i < 4; ++i)
        fixture.MakeFile(QStringLiteral("b/%1").arg(i), Pattern(2000000, 10 + i));
    session.Settings.Append = true;
    fixture.Op.TapeRequests.clear();
    fixture.Backup({fixture.Source("b/")});
    ASSERT_FALSE(session.CancelFlag);

    ASSERT_EQ(fixture.Op.TapeRequests.size(), 1u);
    EXPECT_EQ(fixture.Op.TapeRequests[0].Text,
              "Tape full! Please insert Tape 3 and press then ok!");
    const auto set = fixture.Parse();
    ASSERT_TRUE(set.Error.isEmpty()) << set.Error.toStdString();
    ASSERT_EQ(set.Descriptions.size(), 3u);
    EXPECT_EQ(set.Descriptions[2].Number, 3);
    EXPECT_EQ(set.Descriptions[2].Date, set.Descriptions[0].Date);
    ASSERT_EQ(set.Records.size(), 11u);
    for (int i = 0; i < 4; ++i)
        EXPECT_EQ(set.Records[size_t(6 + i)].Data, Pattern(2000000, 10 + i)) << i;
    EXPECT_EQ(IndependentTapeReader::ParseCatalog(set.Records.back().Data).size(), 10u);
    EXPECT_EQ(set.EndMarker.Tape, 2);
}

TEST(BackupTapeSet, AppendOnAFreshTapeStartsANewSet) {
    BackupFixture fixture;
    Session& session = fixture.S();
    LoadTapeDescription(session);
    ASSERT_FALSE(session.DescriptionValid) << "a tape never written has no description";
    session.Settings.Append = true;
    const QString file = fixture.MakeFile("a", "a");
    fixture.Backup({file});

    const auto set = fixture.Parse();
    ASSERT_TRUE(set.Error.isEmpty()) << set.Error.toStdString();
    EXPECT_EQ(set.Descriptions[0].Label, "Tape");
    EXPECT_EQ(set.Descriptions[0].Number, 1);
    ASSERT_EQ(set.Records.size(), 2u);
    EXPECT_EQ(set.Records[0].Header, (Place{0, 1, 0}));
}

TEST(BackupTapeSet, AppendThatDoesNotFindTheCatalogWritesNothing) {
    BackupFixture fixture;
    Session& session = fixture.S();
    const QString a1 = fixture.MakeFile("a/1", Pattern(40000, 1));
    fixture.MakeFile("a/2", Pattern(40000, 2));
    fixture.Backup({fixture.Source("a/")});
    const auto first = fixture.Parse();
    ASSERT_TRUE(first.EndMarkerFound);

    // Point the end marker at the first file instead of the catalog.
    const QString image = fixture.Library->ImagePath("t1");
    PointEndMarkerAt(image, first.EndMarker, 0, 1);
    const QByteArray before = ReadWhole(image);

    session.Settings.Append = true;
    fixture.Backup({fixture.MakeFile("b", Pattern(50000, 3))});

    EXPECT_TRUE(session.CancelFlag);
    EXPECT_EQ(ReadWhole(image), before) << "the set is not touched";
    const QString refusal = "Append not possible: the catalog of the tape set was not found at "
                            "its end. Nothing was written to tape.";
    EXPECT_TRUE(fixture.Op.ProtocolLines.contains(refusal));
    EXPECT_TRUE(fixture.Op.BoxTexts().contains(refusal));
    EXPECT_FALSE(QFile::exists(session.Paths.WorkDirectory + "1")) << "the record read is gone";
    EXPECT_FALSE(QFile::exists(session.Paths.CatalogFilePath));
    EXPECT_TRUE(fixture.Op.ProtocolLines.last().startsWith("Backup finished at: "));
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
        ASSERT_TRUE(first.EndMarkerFound);
        const QString image = fixture.Library->ImagePath("t1");
        PointEndMarkerAt(image, first.EndMarker, offset, block);
        const QByteArray before = ReadWhole(image);

        session.Settings.Append = true;
        fixture.Backup({fixture.MakeFile("b", Pattern(50000, 3))});

        EXPECT_TRUE(session.CancelFlag);
        EXPECT_EQ(ReadWhole(image), before) << "the set is not touched";
        const QStringList boxes = fixture.Op.BoxTexts();
        EXPECT_TRUE(boxes.size() == 1 && boxes[0].startsWith("The end marker of the tape set is "
                                                             "damaged"))
            << offset << " " << block << ": " << boxes.join('|').toStdString();
        EXPECT_TRUE(fixture.Op.ProtocolLines.last().startsWith("Backup finished at: "));
    }
}

} // namespace
