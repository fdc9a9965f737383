#include "platform/virtual_tape_library.h"
#include "support/result_code_printer.h"
#include "support/tape_fixture.h"
#include "tape/block_stream.h"
#include "tape/end_marker.h"

#include <QFile>
#include <gtest/gtest.h>

using namespace orvane;
using orvane::test::SessionFixture;

namespace {

QByteArray Image(const SessionFixture& fixture, const QString& name = "t1") {
    QFile file(fixture.library->imagePath(name));
    file.open(QIODevice::ReadOnly);
    return file.readAll();
}

struct WriteCase {
    int32_t startOffset;
    int32_t length;
    int blocksWritten;
    int32_t offsetAfter;
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
        Session& session = *fixture.session;
        TapeHandlePtr handle = OpenTape(session);
        handle->setPosition(TapePositionMethod::AbsoluteBlock, 0, 1);
        session.BlockCounter = 1;
        session.BlockOffset = c.startOffset;
        std::fill(session.BlockBuffer.begin(), session.BlockBuffer.end(), 'a');
        const std::vector<char> data(size_t(c.length), 'b');
        WriteStream(session, handle, data.data(), c.length);
        handle.reset();
        EXPECT_EQ(session.BlockOffset, c.offsetAfter) << c.startOffset << "+" << c.length;
        EXPECT_EQ(session.BlockCounter, 1 + c.blocksWritten);
        const QByteArray image = Image(fixture);
        EXPECT_EQ(image.size(), c.blocksWritten ? 2 * 32768 : 0);
        if (c.blocksWritten) {
            // The written block: what the buffer held, then the first part of the new bytes.
            EXPECT_EQ(image.mid(32768),
                      QByteArray(c.startOffset, 'a') + QByteArray(32768 - c.startOffset, 'b'));
            EXPECT_EQ(QByteArray(session.BlockBuffer.data(), c.offsetAfter),
                      QByteArray(c.offsetAfter, 'b'));
        }
    }
}

TEST(WriteStream, WithoutABlockLimitNoTapeChangeHappens) {
    SessionFixture fixture(32768 * 200);
    Session& session = *fixture.session;
    session.BlockLimit = 0;
    TapeHandlePtr handle = OpenTape(session);
    session.BlockCounter = 0;
    session.BlockOffset = 0;
    const std::vector<char> data(32768, 'x');
    for (int i = 0; i < 150; ++i)
        WriteStream(session, handle, data.data(), 32768);
    EXPECT_TRUE(fixture.op.tapeRequests.empty());
    EXPECT_EQ(session.BlockCounter, 149);
}

// A tape of two blocks, all '1' and all '2'; the stream stands at byte 32700 of the first.
TapeHandlePtr TwoBlocksReadFromOffset32700(Session& session) {
    TapeHandlePtr handle = OpenTape(session);
    std::vector<char> block(32768);
    for (char fill : {'1', '2'}) {
        std::fill(block.begin(), block.end(), fill);
        handle->writeBlock(block.data(), 32768);
    }
    handle->setPosition(TapePositionMethod::Rewind, 0, 0);
    EXPECT_EQ(LoadStreamBlock(session, *handle, 32700), ResultCode::Success);
    return handle;
}

TEST(ReadStream, TakesBytesAcrossBlocksAndTellsTheEndOfData) {
    SessionFixture fixture;
    Session& session = *fixture.session;
    TapeHandlePtr handle = TwoBlocksReadFromOffset32700(session);
    EXPECT_EQ(session.BlockCounter, 1);

    std::vector<char> out(100);
    ASSERT_TRUE(ReadStream(session, handle, out.data(), 100));
    EXPECT_EQ(QByteArray(out.data(), 100), QByteArray(68, '1') + QByteArray(32, '2'));
    EXPECT_EQ(session.BlockOffset, 32);
    EXPECT_EQ(session.BlockCounter, 2);

    // The refill after block 1 finds the end of data.
    std::vector<char> rest(32768);
    EXPECT_FALSE(ReadStream(session, handle, rest.data(), 32768));
}

TEST(WritableStreamRoom, IsTheRestOfTheBlockAndWritesAFullBlockFirst) {
    SessionFixture fixture;
    Session& session = *fixture.session;
    TapeHandlePtr handle = OpenTape(session);
    handle->setPosition(TapePositionMethod::AbsoluteBlock, 0, 1);
    session.BlockCounter = 1;
    session.BlockOffset = 32000;
    std::fill(session.BlockBuffer.begin(), session.BlockBuffer.end(), 'a');

    std::span<char> room = WritableStreamRoom(session, handle);
    ASSERT_EQ(room.size(), 768u);
    std::fill(room.begin(), room.end(), 'b');
    CommitStreamRoom(session, 768);
    EXPECT_EQ(Image(fixture).size(), 0) << "a full block waits for more bytes";

    room = WritableStreamRoom(session, handle);
    EXPECT_EQ(room.size(), 32768u);
    EXPECT_EQ(session.BlockCounter, 2);
    handle.reset();
    EXPECT_EQ(Image(fixture).mid(32768), QByteArray(32000, 'a') + QByteArray(768, 'b'));
}

TEST(ReadStreamInPlace, StopsAtTheBlockEndAndTellsTheEndOfData) {
    SessionFixture fixture;
    Session& session = *fixture.session;
    TapeHandlePtr handle = TwoBlocksReadFromOffset32700(session);

    std::span<const char> bytes = ReadStreamInPlace(session, handle, 100);
    EXPECT_EQ(QByteArray(bytes.data(), qsizetype(bytes.size())), QByteArray(68, '1'));
    bytes = ReadStreamInPlace(session, handle, 100);
    EXPECT_EQ(QByteArray(bytes.data(), qsizetype(bytes.size())), QByteArray(100, '2'));
    EXPECT_EQ(session.BlockCounter, 2);
    EXPECT_EQ(ReadStreamInPlace(session, handle, 32768).size(), 32668u);
    EXPECT_TRUE(ReadStreamInPlace(session, handle, 1).empty());
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

TEST(EndMarker, HasTheDescribedBytes) {
    char bytes[19];
    EncodeEndMarker(bytes, {0x01020304, 0, 0x0000000500000006LL});
    EXPECT_EQ(QByteArray(bytes, 19),
              QByteArray("\x06XENDEX\x04\x03\x02\x01\x06\x00\x00\x00\x05\x00\x00\x00", 19));
}

} // namespace
