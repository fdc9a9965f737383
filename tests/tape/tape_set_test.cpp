#include "platform/result_code.h"
#include "support/tape_fixture.h"
#include "tape/block_stream.h"
#include "tape/end_marker.h"
#include "tape/tape_access.h"
#include "tape/tape_date.h"
#include "tape/tape_description_io.h"

#include <QFile>
#include <QRegularExpression>
#include <gtest/gtest.h>

using namespace orvane;
using orvane::test::SessionFixture;

namespace {

constexpr int64_t Capacity = 32768 * 30; // BlockLimit 20: data blocks 1..19 per tape

QByteArray Image(const SessionFixture& fixture, const QString& name) {
    QFile file(fixture.Library->ImagePath(name));
    file.open(QIODevice::ReadOnly);
    return file.readAll();
}

QByteArray Pattern(int length) {
    QByteArray data(length, 0);
    for (int i = 0; i < length; ++i)
        data[i] = char((i * 7 + i / 32768) & 0xff);
    return data;
}

// Starts a new set on the loaded cartridge and streams `data` from block 1.
void WriteSet(SessionFixture& fixture, const QByteArray& data) {
    Session& session = *fixture.Session;
    ProbeTapeDrive(session);
    session.CurrentTapeDescription.Label = "Tape";
    session.CurrentTapeDescription.TapeNumber = 1;
    session.CurrentTapeDescription.Date = ToTapeDate(QDateTime(QDate(2026, 12, 1), QTime(9, 30)));
    WriteTapeDescription(session, session.CurrentTapeDescription);
    MoveToBlock(session, "1");
    session.Stream.StartBlock(1);
    TapeHandlePtr handle = OpenTape(session);
    for (qsizetype at = 0; at < data.size(); at += 1000)
        WriteStream(session, handle, data.constData() + at,
                    int32_t(std::min<qsizetype>(1000, data.size() - at)));
    // Send the waiting run and the partial last block as closing the set would.
    FlushStreamRun(session, handle);
    if (handle)
        handle->WriteBlock(session.Stream.Block().Data(), TapeBlockSize);
}

class TapeSetTest : public ::testing::Test {
protected:
    TapeSetTest() : m_fixture(Capacity) {
        m_fixture.Op.OnTapeRequest = [this](const TapeRequest& request) {
            if (request.Kind != TapeRequestKind::NextTapeForWriting)
                return;
            const QString name = QStringLiteral("t%1").arg(request.TapeNumber);
            m_fixture.Library->CreateCartridge(name, Capacity, 1, false);
            m_fixture.Library->Insert(name);
        };
    }
    SessionFixture m_fixture;
};

TEST_F(TapeSetTest, AFullTapeGetsTheMarkerAndTheNextOneTheSetsDescription) {
    const QByteArray data = Pattern(32768 * 30);
    WriteSet(m_fixture, data);

    ASSERT_EQ(m_fixture.Op.TapeRequests.size(), 1u);
    EXPECT_EQ(m_fixture.Op.BoxTexts(),
              QStringList{"Tape full! Please insert Tape 2 and press then ok!"});
    const QByteArray tape1 = Image(m_fixture, "t1");
    ASSERT_EQ(tape1.size(), 21 * 32768) << "blocks 0..19 and the marker in block 20";
    const auto marker = FindMarkerInBlock(tape1.constData() + 20 * 32768);
    ASSERT_TRUE(marker);
    EXPECT_EQ(*marker, StreamPosition{});
    EXPECT_EQ(tape1.mid(32768, 19 * 32768), data.left(19 * 32768));

    const QByteArray tape2 = Image(m_fixture, "t2");
    const TapeDescription first = TapeDescription::Decode(tape1.constData());
    const TapeDescription second = TapeDescription::Decode(tape2.constData());
    EXPECT_EQ(first.TapeNumber, 1);
    EXPECT_EQ(second.TapeNumber, 2);
    EXPECT_EQ(second.Date, first.Date);
    EXPECT_EQ(second.Label, "Tape");
    EXPECT_EQ(tape2.mid(32768, 11 * 32768), data.mid(19 * 32768));
    EXPECT_TRUE(m_fixture.Op.ProtocolLines.filter(" ejected !").size() == 1);
    EXPECT_TRUE(
        m_fixture.Op.ProtocolLines.filter(QRegularExpression("^Tape 2 at .* loaded !$")).size() ==
        1);
    EXPECT_FALSE(m_fixture.Session->CancelFlag);
}

TEST_F(TapeSetTest, CancelAtTheTapePromptEndsTheRunQuietly) {
    m_fixture.Op.OnTapeRequest = nullptr;
    m_fixture.Op.Answers = {MessageAnswer::Cancel};
    WriteSet(m_fixture, Pattern(32768 * 25));
    EXPECT_TRUE(m_fixture.Session->CancelFlag);
    EXPECT_EQ(m_fixture.Op.Boxes.size(), 1u) << "no error boxes after the cancel";
}

TEST_F(TapeSetTest, AnOkWithAnEmptyDriveAsksAgain) {
    int asked = 0;
    m_fixture.Op.OnTapeRequest = [&](const TapeRequest&) {
        if (++asked == 2) {
            m_fixture.Library->CreateCartridge("t2", Capacity, 1, false);
            m_fixture.Library->Insert("t2");
        }
    };
    WriteSet(m_fixture, Pattern(32768 * 25));
    EXPECT_EQ(asked, 2);
    EXPECT_FALSE(m_fixture.Session->CancelFlag);
}

TEST_F(TapeSetTest, TheReaderAcceptsOnlyTheNextTapeOfTheSameSet) {
    const QByteArray data = Pattern(32768 * 30);
    WriteSet(m_fixture, data);

    // A stranger: tape 2 of another set.
    m_fixture.Library->CreateCartridge("stranger", Capacity, 1, false);
    m_fixture.Library->Insert("stranger");
    TapeDescription other = m_fixture.Session->CurrentTapeDescription;
    other.Date += 1;
    WriteTapeDescription(*m_fixture.Session, other);

    Session& session = *m_fixture.Session;
    m_fixture.Library->Insert("t1");
    session.CurrentTapeDescription = ReadTapeDescription(session);
    ASSERT_EQ(session.CurrentTapeDescription.TapeNumber, 1);
    m_fixture.Op.Boxes.clear();
    m_fixture.Op.TapeRequests.clear();
    int asked = 0;
    m_fixture.Op.OnTapeRequest = [&](const TapeRequest& request) {
        EXPECT_EQ(request.Kind, TapeRequestKind::TapeOfSet);
        EXPECT_EQ(request.TapeNumber, 2);
        m_fixture.Library->Insert(++asked == 1 ? "stranger" : "t2");
    };
    MoveToBlock(session, "1");
    TapeHandlePtr handle = OpenTape(session);
    LoadStreamBlock(session, *handle, 0);
    QByteArray back(data.size(), 0);
    for (qsizetype at = 0; at < back.size(); at += 1000)
        ASSERT_TRUE(ReadStream(session, handle, back.data() + at,
                               int32_t(std::min<qsizetype>(1000, back.size() - at))));
    EXPECT_EQ(asked, 2) << "the stranger is ejected and the prompt repeats";
    EXPECT_EQ(m_fixture.Op.Boxes.front().Text,
              "Tape at end! Please insert Tape 2 and press then ok!");
    EXPECT_EQ(back, data);
    EXPECT_FALSE(session.CancelFlag);
}

TEST(TapeDescriptionCaption, NamesTheTapeAndItsSet) {
    SessionFixture fixture;
    const QDateTime when(QDate(2026, 11, 30), QTime(18, 5, 9));
    TapeDescription description;
    description.Date = ToTapeDate(when);
    const std::vector<std::tuple<QByteArray, int, QString>> cases = {
        {"Empty Tape ", 255, "Orvane 2005  <Empty Tape from: "},
        {"Tape", 3, "Orvane 2005  <Tape 3 from: "},
        {"Disk", 1, "Orvane 2005  <Disk 1 from: "},
    };
    for (const auto& [label, number, start] : cases) {
        description.Label = label;
        description.TapeNumber = uint8_t(number);
        fixture.Session->DescriptionValid = false;
        const QString caption = DescriptionCaption(*fixture.Session, description);
        EXPECT_TRUE(caption.startsWith(start)) << caption.toStdString();
        EXPECT_TRUE(caption.endsWith("18:05:09>")) << caption.toStdString();
        EXPECT_TRUE(fixture.Session->DescriptionValid);
    }
    description.Date = 0.5;
    fixture.Session->DescriptionValid = false;
    EXPECT_EQ(DescriptionCaption(*fixture.Session, description), "Orvane 2005");
    EXPECT_FALSE(fixture.Session->DescriptionValid);
}

TEST(TapeDescriptionBlock, LiesAtItsByteOffsets) {
    TapeDescription description;
    description.Date = 46000.25;
    description.TapeNumber = 7;
    description.Label = "Tape";
    char bytes[TapeDescription::Size];
    description.Encode(bytes);
    double date = 0;
    std::memcpy(&date, bytes, 8);
    EXPECT_EQ(date, 46000.25);
    EXPECT_EQ(bytes[8], 7);
    EXPECT_EQ(bytes[9], 4);
    EXPECT_EQ(QByteArray(bytes + 10, 4), "Tape");
    EXPECT_EQ(QByteArray(bytes + 265, 31), QByteArray(31, 0));
}

TEST(ReadTapeDescription, TellsWhatBlockZeroHolds) {
    SessionFixture fixture;
    Session& session = *fixture.Session;
    session.CurrentTapeDescription = ReadTapeDescription(session);
    EXPECT_EQ(fixture.Op.LastStatus(), "The Tape description could not found! Please format Tape.");
    EXPECT_EQ(fixture.Op.Captions.last(), "Orvane 2005");
    EXPECT_FALSE(session.DescriptionValid);

    TapeDescription set;
    set.Label = "Tape";
    set.TapeNumber = 1;
    set.Date = ToTapeDate(QDateTime::currentDateTime());
    WriteTapeDescription(session, set);
    const TapeDescription back = ReadTapeDescription(session);
    EXPECT_EQ(back.Date, set.Date);
    EXPECT_EQ(fixture.Op.LastStatus(), "Tape description loaded");
    EXPECT_TRUE(fixture.Op.Captions.last().startsWith("Orvane 2005  <Tape 1 from: "));
    EXPECT_TRUE(session.DescriptionValid);

    fixture.Library->Eject();
    fixture.Op.StatusTexts.clear();
    ReadTapeDescription(session);
    EXPECT_FALSE(fixture.Op.StatusTexts.contains("Tape description loaded"));
    EXPECT_FALSE(session.DescriptionValid);
}

} // namespace
