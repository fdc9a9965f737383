#include "platform/result_code.h"
#include "platform/virtual_tape_library.h"
#include "support/result_code_printer.h"
#include "support/tape_fixture.h"
#include "tape/block_stream.h"
#include "tape/end_marker.h"
#include "tape/tape_access.h"

#include <QFile>
#include <functional>
#include <gtest/gtest.h>

using namespace orvane;
using orvane::test::SessionFixture;

namespace {

QByteArray Image(const SessionFixture& fixture, const QString& name = "t1") {
    QFile file(fixture.Library->ImagePath(name));
    file.open(QIODevice::ReadOnly);
    return file.readAll();
}

struct WriteCase {
    int32_t StartOffset;
    int32_t Length;
    int BlocksWritten;
    int32_t OffsetAfter;
};

TEST(WriteStream, WritesAFullBlockOnlyWhenMoreBytesArrive) {
    const std::vector<WriteCase> cases = {
        {32500, 296, 1, 28},     // the record runs over: its last 28 bytes start the next block
        {0, 32768, 0, 32768},    // exactly full: nothing written yet
        {32768, 1, 1, 1},        // the next byte writes the full block first
        {32768, 0, 0, 32768},    // no bytes, no write
        {100, 32668, 0, 32768},  // fills to the brim
        {32767, 32768, 1, 32767} // one byte here, the rest in the next block
    };
    for (const WriteCase& c : cases) {
        SessionFixture fixture;
        Session& session = *fixture.Session;
        TapeHandlePtr handle = OpenTape(session);
        handle->SetPosition(TapePositionMethod::AbsoluteBlock, 0, 1);
        ASSERT_TRUE(session.Stream.SetPosition({c.StartOffset, 0, 1}));
        std::ranges::fill(session.Stream.Block().Bytes(), 'a');
        const std::vector<char> data(size_t(c.Length), 'b');
        WriteStream(session, handle, data.data(), c.Length);
        CloseTape(session, handle, 0); // the waiting run goes to tape, the current block stays
        EXPECT_EQ(session.Stream.Offset(), c.OffsetAfter) << c.StartOffset << "+" << c.Length;
        EXPECT_EQ(session.Stream.Counter(), 1 + c.BlocksWritten);
        const QByteArray image = Image(fixture);
        EXPECT_EQ(image.size(), c.BlocksWritten ? 2 * 32768 : 0);
        if (c.BlocksWritten) {
            // The written block: what the buffer held, then the first part of the new bytes.
            EXPECT_EQ(image.mid(32768),
                      QByteArray(c.StartOffset, 'a') + QByteArray(32768 - c.StartOffset, 'b'));
            EXPECT_EQ(QByteArray(session.Stream.Block().Data(), c.OffsetAfter),
                      QByteArray(c.OffsetAfter, 'b'));
        }
    }
}

TEST(WriteStream, WithoutABlockLimitNoTapeChangeHappens) {
    SessionFixture fixture(32768 * 200);
    Session& session = *fixture.Session;
    session.BlockLimit = 0;
    TapeHandlePtr handle = OpenTape(session);
    session.Stream.StartBlock(0);
    const std::vector<char> data(32768, 'x');
    for (int i = 0; i < 150; ++i)
        WriteStream(session, handle, data.data(), 32768);
    EXPECT_TRUE(fixture.Op.TapeRequests.empty());
    EXPECT_EQ(session.Stream.Counter(), 149);
}

// A tape of two blocks, all '1' and all '2'; the stream stands at byte 32700 of the first.
TapeHandlePtr TwoBlocksReadFromOffset32700(Session& session) {
    TapeHandlePtr handle = OpenTape(session);
    std::vector<char> block(32768);
    for (char fill : {'1', '2'}) {
        std::fill(block.begin(), block.end(), fill);
        handle->WriteBlock(block.data(), 32768);
    }
    handle->SetPosition(TapePositionMethod::Rewind, 0, 0);
    EXPECT_EQ(LoadStreamBlock(session, *handle, 32700), ResultCode::Success);
    return handle;
}

TEST(ReadStream, TakesBytesAcrossBlocksAndTellsTheEndOfData) {
    SessionFixture fixture;
    Session& session = *fixture.Session;
    TapeHandlePtr handle = TwoBlocksReadFromOffset32700(session);
    EXPECT_EQ(session.Stream.Counter(), 1);

    std::vector<char> out(100);
    ASSERT_TRUE(ReadStream(session, handle, out.data(), 100));
    EXPECT_EQ(QByteArray(out.data(), 100), QByteArray(68, '1') + QByteArray(32, '2'));
    EXPECT_EQ(session.Stream.Offset(), 32);
    EXPECT_EQ(session.Stream.Counter(), 2);

    // The refill after block 1 finds the end of data.
    std::vector<char> rest(32768);
    EXPECT_FALSE(ReadStream(session, handle, rest.data(), 32768));
}

TEST(WritableStreamRoom, IsTheRestOfTheBlockAndWritesAFullBlockFirst) {
    SessionFixture fixture;
    Session& session = *fixture.Session;
    TapeHandlePtr handle = OpenTape(session);
    handle->SetPosition(TapePositionMethod::AbsoluteBlock, 0, 1);
    ASSERT_TRUE(session.Stream.SetPosition({32000, 0, 1}));
    std::ranges::fill(session.Stream.Block().Bytes(), 'a');

    std::span<char> room = WritableStreamRoom(session, handle);
    ASSERT_EQ(room.size(), 768u);
    std::fill(room.begin(), room.end(), 'b');
    CommitStreamRoom(session, 768);
    EXPECT_EQ(Image(fixture).size(), 0) << "a full block waits for more bytes";

    room = WritableStreamRoom(session, handle);
    EXPECT_EQ(room.size(), 32768u);
    EXPECT_EQ(session.Stream.Counter(), 2);
    CloseTape(session, handle, 0);
    EXPECT_EQ(Image(fixture).mid(32768), QByteArray(32000, 'a') + QByteArray(768, 'b'));
}

TEST(ReadStreamInPlace, StopsAtTheBlockEndAndTellsTheEndOfData) {
    SessionFixture fixture;
    Session& session = *fixture.Session;
    TapeHandlePtr handle = TwoBlocksReadFromOffset32700(session);

    std::span<const char> bytes = ReadStreamInPlace(session, handle, 100);
    EXPECT_EQ(QByteArray(bytes.data(), qsizetype(bytes.size())), QByteArray(68, '1'));
    bytes = ReadStreamInPlace(session, handle, 100);
    EXPECT_EQ(QByteArray(bytes.data(), qsizetype(bytes.size())), QByteArray(100, '2'));
    EXPECT_EQ(session.Stream.Counter(), 2);
    EXPECT_EQ(ReadStreamInPlace(session, handle, 32768).size(), 32668u);
    EXPECT_TRUE(ReadStreamInPlace(session, handle, 1).empty());
}

TEST(BlockStream, RefusesAPositionItCannotHoldAndStaysWhereItWas) {
    const StreamPosition before{7, 0, 3};
    const std::vector<std::pair<StreamPosition, bool>> cases = {
        {{0, 0, 0}, true},
        {{32767, 0, 1}, true},
        {{32768, 0, 9}, true}, // a full block not yet written
        {{int32_t(TapeBlockSize) + 1, 0, 1}, false},
        {{40000, 0, 1}, false},
        {{-5, 0, 1}, false},
        {{0, 0, -1}, false},
    };
    for (const auto& [position, held] : cases) {
        BlockStream stream;
        ASSERT_TRUE(stream.SetPosition(before));
        EXPECT_EQ(stream.SetPosition(position), held) << position.BlockOffset;
        EXPECT_EQ(stream.Position(), held ? position : before);
    }
}

TEST(LoadStreamBlock, RefusesAnOffsetOutsideTheBlockAndReadsNothing) {
    SessionFixture fixture;
    Session& session = *fixture.Session;
    TapeHandlePtr handle = TwoBlocksReadFromOffset32700(session);
    for (const int32_t offset : {40000, -5}) {
        EXPECT_EQ(LoadStreamBlock(session, *handle, offset), ResultCode::InvalidParameter);
        EXPECT_EQ(session.Stream.Position(), (StreamPosition{32700, 0, 1}));
    }
}

TEST(EndMarker, TheLastWholeMarkerInABlockWins) {
    std::vector<char> block(32768, 0);
    EXPECT_FALSE(FindMarkerInBlock(block.data()));
    EncodeEndMarker(block.data() + 100, {5, 0, 7});
    EncodeEndMarker(block.data() + 2000, {0, 0, 256});
    auto found = FindMarkerInBlock(block.data());
    ASSERT_TRUE(found);
    EXPECT_EQ(found->BlockOffset, 0);
    EXPECT_EQ(found->BlockCounter, 256);

    // A marker whose fields would run past the block is not one.
    std::vector<char> edge(32768, 0);
    EncodeEndMarker(edge.data() + 32768 - 19, {1, 0, 2});
    EXPECT_TRUE(FindMarkerInBlock(edge.data()));
    std::vector<char> cut(32768 + 19, 0);
    EncodeEndMarker(cut.data() + 32768 - 18, {1, 0, 2});
    EXPECT_FALSE(FindMarkerInBlock(cut.data()));
}

// The tag alone, as in a file name or file data, is no marker: the length byte 6 comes first.
TEST(EndMarker, IsTheWholeRecordAndNotTheTagAlone) {
    std::vector<char> block(32768, 0);
    EncodeEndMarker(block.data() + 100, {5, 0, 7});
    EXPECT_TRUE(IsEndMarkerAt(block.data(), 100));
    EXPECT_FALSE(IsEndMarkerAt(block.data(), 101));
    block[100] = 7;
    EXPECT_FALSE(IsEndMarkerAt(block.data(), 100));
    EXPECT_FALSE(FindMarkerInBlock(block.data()));
    EncodeEndMarker(block.data(), {5, 0, 7});
    block[0] = 'X';
    EXPECT_FALSE(FindMarkerInBlock(block.data())) << "a tag at the very start has no length byte";

    EXPECT_TRUE(IsEndMarkerPath(EndMarkerTag.toByteArray()));
    for (const QByteArray path : {"/data/XENDEX.txt", "/XENDEX", "XENDEX2", "/a/XENDEX/b"})
        EXPECT_FALSE(IsEndMarkerPath(path)) << path.constData();
}

TEST(EndMarker, HasTheDescribedBytes) {
    char bytes[19];
    EncodeEndMarker(bytes, {0x01020304, 0, 0x0000000500000006LL});
    EXPECT_EQ(QByteArray(bytes, 19),
              QByteArray("\x06XENDEX\x04\x03\x02\x01\x06\x00\x00\x00\x05\x00\x00\x00", 19));
}

// Block n of the stream filled with the byte n, so that each block tells where it came from.
std::vector<char> NumberedBlock(int64_t number) {
    return std::vector<char>(32768, char(number));
}

// The stream writes in runs of blocks; the early warning of the end of the medium inside a run
// still stops the set at the very block where it came, and the blocks before it are on tape.
TEST(WriteStream, RunsKeepTheLayoutAndStopAtTheBlockOfTheEarlyWarning) {
    for (const bool warned : {false, true}) {
        SCOPED_TRACE(warned ? "early warning at block 45" : "no warning");
        SessionFixture fixture(32768 * 200);
        Session& session = *fixture.Session;
        session.BlockLimit = 0;
        if (warned) {
            ASSERT_EQ(fixture.Library->SetFault(TapeFault::EarlyEndOfMedia, 200 - 45), QString());
        }
        TapeHandlePtr handle = OpenTape(session);
        handle->SetPosition(TapePositionMethod::AbsoluteBlock, 0, 1);
        session.Stream.StartBlock(1);
        for (int64_t block = 1; block <= 70; ++block)
            WriteStream(session, handle, NumberedBlock(block).data(), 32768);
        EXPECT_EQ(Image(fixture).size(), (warned ? 45 : 65) * 32768)
            << "full runs go to tape as they fill";
        CloseTape(session, handle, 0);

        const int64_t written = warned ? 44 : 69; // block 70 waits for more bytes
        const QByteArray image = Image(fixture);
        ASSERT_EQ(image.size(), (written + 1) * 32768);
        for (int64_t block = 1; block <= written; ++block)
            ASSERT_EQ(image.mid(block * 32768, 32768), QByteArray(32768, char(block)))
                << "block " << block;
        EXPECT_EQ(session.WriteFailed, warned);
        EXPECT_EQ(fixture.Op.BoxTexts().join("\n").contains("(tape block 45)"), warned)
            << fixture.Op.BoxTexts().join("\n").toStdString();
    }
}

struct ReadRunCase {
    const char* What;
    std::function<void(SessionFixture&, TapeHandle&)> Stage;
    int64_t LastDelivered; // the last block handed out whole
    const char* Error;     // in the error box, none when the data simply ends
};

// A refill reads a run of blocks and hands them out one by one; what stops the run is met at
// its own block.
TEST(ReadStream, RunsDeliverEveryBlockBeforeWhatStopsThem) {
    const std::vector<ReadRunCase> cases = {
        {"end of data after block 70", [](SessionFixture&, TapeHandle&) {}, 70, nullptr},
        {"read error at block 40",
         [](SessionFixture& fixture, TapeHandle&) {
             // Block 1 is the first read, so block n is the nth.
             fixture.Library->SetFault(TapeFault::ReadError, 40);
         },
         39, "(tape block 40)"},
        {"filemark at block 50",
         [](SessionFixture&, TapeHandle& handle) {
             handle.SetPosition(TapePositionMethod::AbsoluteBlock, 0, 50);
             handle.WriteTapemarks(TapemarkType::Filemarks, 1);
         },
         49, nullptr},
        {"medium lost at block 34, the first of the second run",
         [](SessionFixture& fixture, TapeHandle&) {
             fixture.Library->SetFault(TapeFault::LoseMedium, 34);
         },
         33, "(tape block 34)"},
    };
    for (const ReadRunCase& c : cases) {
        SCOPED_TRACE(c.What);
        SessionFixture fixture(32768 * 200);
        Session& session = *fixture.Session;
        session.BlockLimit = 0;
        TapeHandlePtr handle = OpenTape(session);
        handle->SetPosition(TapePositionMethod::AbsoluteBlock, 0, 1);
        for (int64_t block = 1; block <= 70; ++block)
            handle->WriteBlock(NumberedBlock(block).data(), 32768);
        c.Stage(fixture, *handle);
        handle->SetPosition(TapePositionMethod::AbsoluteBlock, 0, 1);
        ASSERT_EQ(LoadStreamBlock(session, *handle, 0), ResultCode::Success);

        int64_t delivered = 0;
        for (;;) {
            const std::span<const char> piece = ReadStreamInPlace(session, handle, 32768);
            if (piece.empty())
                break;
            ASSERT_EQ(piece.size(), 32768u);
            ASSERT_EQ(piece.front(), char(delivered + 1)) << "block " << delivered + 1;
            ++delivered;
        }
        EXPECT_EQ(delivered, c.LastDelivered);
        const QString boxes = fixture.Op.BoxTexts().join("\n");
        EXPECT_EQ(session.ReadFailed, c.Error != nullptr);
        if (c.Error) {
            EXPECT_TRUE(boxes.contains(c.Error)) << boxes.toStdString();
        } else {
            EXPECT_TRUE(boxes.isEmpty()) << boxes.toStdString();
        }
    }
}

// A read run never reaches beyond the last data block of a tape of a set.
TEST(ReadStream, ARunEndsAtTheLastDataBlockOfTheTape) {
    SessionFixture fixture(32768 * 200);
    Session& session = *fixture.Session;
    session.BlockLimit = 40;
    TapeHandlePtr handle = OpenTape(session);
    handle->SetPosition(TapePositionMethod::AbsoluteBlock, 0, 1);
    for (int64_t block = 1; block <= 60; ++block)
        handle->WriteBlock(NumberedBlock(block).data(), 32768);
    handle->SetPosition(TapePositionMethod::AbsoluteBlock, 0, 1);
    ASSERT_EQ(LoadStreamBlock(session, *handle, 0), ResultCode::Success);
    for (int i = 0; i < 38; ++i) // block 1 and then 2..38
        ASSERT_FALSE(ReadStreamInPlace(session, handle, 32768).empty());
    EXPECT_EQ(session.Stream.Counter(), 39);
    EXPECT_EQ(session.Stream.BlocksAhead(), 1u);
    uint32_t partition = 0;
    int64_t position = 0;
    handle->GetPosition(TapePositionType::Absolute, partition, position);
    EXPECT_EQ(position, 40) << "block 39, the last data block, was the last one read";
}

} // namespace
