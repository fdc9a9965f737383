#include "archive/end_marker_io.h"
#include "archive/tape_reader.h"
#include "support/hand_record.h"
#include "support/tape_fixture.h"
#include "tape/end_marker.h"
#include "tape/tape_access.h"
#include "tape/tape_date.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <zip.h>

using namespace orvane;
using orvane::test::HandRecord;
using orvane::test::SessionFixture;

namespace {

// Writes records from block 1 and seals them with an end marker, as a backup does, then puts
// the stream back at the first record for reading.
class ReaderTest : public ::testing::Test {
protected:
    void WriteRecords(const std::vector<HandRecord>& records) {
        Session& session = *m_fixture.Session;
        QDir().mkpath(session.Paths.WorkDirectory);
        MoveToBlock(session, "1");
        session.Stream.StartBlock(1);
        TapeHandlePtr handle = OpenTape(session);
        for (const HandRecord& record : records)
            WriteHandRecord(session, handle, record, ToTapeDate(m_modified));
        handle.reset();
        WriteEndMarker(session, {0, 0, 1});
        MoveToBlock(session, "1");
        m_reader = OpenTape(session);
        LoadStreamBlock(session, *m_reader, 0);
    }

    QByteArray Read(bool skip = false, bool unpack = true) {
        return ReadFileRecord(*m_fixture.Session, m_reader, skip, unpack);
    }

    QByteArray WorkFile(const QString& name) {
        QFile file(m_fixture.Session->Paths.WorkDirectory + name);
        file.open(QIODevice::ReadOnly);
        return file.readAll();
    }

    SessionFixture m_fixture;
    TapeHandlePtr m_reader;
    const QDateTime m_modified{QDate(2025, 6, 1), QTime(12, 34, 56)};
};

TEST_F(ReaderTest, WalksTheRecordsAndStopsAtTheEndMarker) {
    const QByteArray big = QByteArray(65536, 'x');
    WriteRecords({{"/data/empty", ""}, {"/data/big", big}, {"/data/one", "1"}});

    EXPECT_EQ(Read(), "/data/empty");
    EXPECT_TRUE(QFile::exists(m_fixture.Session->Paths.WorkDirectory + "empty"));
    EXPECT_EQ(WorkFile("empty"), "");
    EXPECT_EQ(Read(), "/data/big");
    EXPECT_EQ(WorkFile("big"), big);
    EXPECT_EQ(QFileInfo(m_fixture.Session->Paths.WorkDirectory + "big").lastModified(), m_modified);
    EXPECT_EQ(Read(true), "/data/one");
    EXPECT_FALSE(QFile::exists(m_fixture.Session->Paths.WorkDirectory + "one")) << "skipped";
    EXPECT_EQ(Read(), "") << "the end marker";
    EXPECT_EQ(m_fixture.Session->Counters.TapeBytes, 3 * 296 + 65536 + 1)
        << "the marker counts not";
    EXPECT_FALSE(m_fixture.Session->CancelFlag);
    EXPECT_TRUE(m_fixture.Op.Boxes.empty());
}

TEST_F(ReaderTest, ASmallFileKeepsItsRecordedTime) {
    WriteRecords({{"/data/small", "0123456789"}});
    EXPECT_EQ(Read(), "/data/small");
    EXPECT_EQ(QFileInfo(m_fixture.Session->Paths.WorkDirectory + "small").lastModified(),
              m_modified);
}

TEST_F(ReaderTest, APathHoldingTheMarkerTagIsAnOrdinaryRecord) {
    const QByteArray tag = EndMarkerTag.toByteArray();
    WriteRecords({{"/data/" + tag + ".txt", "abc"}, {"/" + tag, "tag"}, {"/data/after", "x"}});
    EXPECT_EQ(Read(), "/data/" + tag + ".txt");
    EXPECT_EQ(WorkFile(tag + ".txt"), "abc");
    EXPECT_EQ(Read(), "/" + tag);
    EXPECT_EQ(WorkFile(tag), "tag");
    EXPECT_EQ(Read(), "/data/after");
    EXPECT_EQ(WorkFile("after"), "x");
    EXPECT_EQ(Read(), "") << "the end marker";
    EXPECT_FALSE(m_fixture.Session->CancelFlag);
}

TEST_F(ReaderTest, DamagedHeadersEndTheReadWithWords) {
    const std::vector<HandRecord> damaged = {
        {"/data/huge", "abc", false, uint64_t(1) << 60},
        {"", "abc"},
        {QByteArray("/da\0ta", 6), "abc"},
    };
    for (const HandRecord& record : damaged) {
        m_fixture.Session->CancelFlag = false;
        m_fixture.Op.Boxes.clear();
        WriteRecords({record});
        EXPECT_EQ(Read(), "");
        EXPECT_TRUE(m_fixture.Session->CancelFlag);
        ASSERT_EQ(m_fixture.Op.Boxes.size(), 1u);
        EXPECT_TRUE(m_fixture.Op.Boxes[0].Text.startsWith("Damaged file record in block "))
            << m_fixture.Op.Boxes[0].Text.toStdString();
    }
}

TEST_F(ReaderTest, ALengthRunningPastTheDataIsReportedAndEndsTheRead) {
    WriteRecords({{"/data/short", QByteArray(100, 'a'), false, 5 * 32768}});
    EXPECT_EQ(Read(), "");
    EXPECT_TRUE(m_fixture.Session->CancelFlag);
    EXPECT_EQ(m_fixture.Op.Boxes.size(), 1u);
}

TEST_F(ReaderTest, WorkFilesNeverLeaveTheWorkDirectory) {
    const QString work = m_fixture.Session->Paths.WorkDirectory;
    const std::vector<std::pair<QByteArray, QString>> cases = {
        {"/etc/../../passwd", "passwd"},    {"/data/..", "orvane restored file"},
        {"/data/", "orvane restored file"}, {"c:\\data\\a.txt", "a.txt"},
        {"/odd\\name", "odd\\name"},
    };
    for (const auto& [path, name] : cases)
        EXPECT_EQ(WorkFileFor(*m_fixture.Session, path), work + name) << path.toStdString();
}

TEST_F(ReaderTest, ACompressedRecordIsUnpackedAndWritable) {
    Session& session = *m_fixture.Session;
    QDir().mkpath(session.Paths.WorkDirectory);
    const QString source = m_fixture.Home.File("notes.txt");
    {
        QFile file(source);
        file.open(QIODevice::WriteOnly);
        file.write(QByteArray(5000, 'n'));
        file.setPermissions(QFileDevice::ReadOwner);
    }
    ASSERT_TRUE(session.Compression.Add(source, m_fixture.Op));
    QFile archive(session.Paths.SoftCompressionArchivePath);
    archive.open(QIODevice::ReadOnly);
    WriteRecords({{QFile::encodeName(source), archive.readAll(), true}});

    EXPECT_EQ(Read(), QFile::encodeName(source));
    EXPECT_EQ(WorkFile("notes.txt"), QByteArray(5000, 'n'));
    EXPECT_TRUE(QFileInfo(session.Paths.WorkDirectory + "notes.txt").permissions() &
                QFileDevice::WriteOwner);
}

// An archive as no backup writes it: the member asked for among many others, some in folders.
QByteArray CrowdedArchive(const QString& directory, const QByteArray& wanted, int others) {
    const QByteArray path = QFile::encodeName(directory + "crowded.zip");
    int error = 0;
    zip_t* archive = zip_open(path.constData(), ZIP_CREATE | ZIP_TRUNCATE, &error);
    auto add = [&](const QByteArray& name, const QByteArray& bytes) {
        zip_source_t* source =
            zip_source_buffer(archive, bytes.constData(), zip_uint64_t(bytes.size()), 0);
        zip_file_add(archive, name.constData(), source, ZIP_FL_OVERWRITE);
    };
    const QByteArray junk = "junk";
    add("notes.txt", wanted);
    for (int i = 0; i < others; ++i)
        add((i % 2 ? "deep/er/junk-" : "junk-") + QByteArray::number(i), junk);
    zip_close(archive);
    QFile file(QFile::decodeName(path));
    file.open(QIODevice::ReadOnly);
    const QByteArray bytes = file.readAll();
    file.remove();
    return bytes;
}

TEST_F(ReaderTest, UnpackingARecordLeavesNothingButTheFileAskedFor) {
    Session& session = *m_fixture.Session;
    QDir().mkpath(session.Paths.WorkDirectory);
    const QDir work(session.Paths.WorkDirectory);
    const auto entries = [&] {
        return work.entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot);
    };
    const QByteArray archive = CrowdedArchive(m_fixture.Home.Path(), "the notes", 300);
    WriteRecords({{"/data/notes.txt", archive, true}, {"/data/other.txt", archive, true}});
    QStringList after = entries() << "notes.txt";
    after.sort();

    EXPECT_EQ(Read(), "/data/notes.txt");
    EXPECT_EQ(WorkFile("notes.txt"), "the notes");
    EXPECT_EQ(entries(), after);

    EXPECT_EQ(Read(), "/data/other.txt");
    EXPECT_FALSE(work.exists("other.txt")) << "the archive holds no member of that name";
    EXPECT_EQ(entries(), after);
}

TEST_F(ReaderTest, ReadNextTapeFileCopiesUpToTheFilemark) {
    Session& session = *m_fixture.Session;
    TapeHandlePtr handle = OpenTape(session);
    std::vector<char> block(32768, 'q');
    handle->WriteBlock(block.data(), 32768);
    handle->WriteBlock(block.data(), 32768);
    handle->WriteTapemarks(TapemarkType::Filemarks, 1);
    handle->WriteTapemarks(TapemarkType::Filemarks, 1);
    handle->SetPosition(TapePositionMethod::Rewind, 0, 0);
    handle.reset();

    const QString target = m_fixture.Home.File("copy.bin");
    EXPECT_EQ(ReadNextTapeFile(session, target), "No Error");
    EXPECT_EQ(QFileInfo(target).size(), 2 * 32768);
    EXPECT_EQ(ReadNextTapeFile(session, target), "Error");
    EXPECT_FALSE(QFile::exists(target));
    EXPECT_EQ(m_fixture.Op.LastStatus(), "No data written to file.");
    EXPECT_EQ(ReadNextTapeFile(session, target), "End of data");
    EXPECT_FALSE(QFile::exists(target));
}

// Whole pages of zeros are passed over, not written: the restored file takes no room for them and
// reads back byte for byte.
TEST_F(ReaderTest, ZeroPagesRestoreAsHoles) {
    const QByteArray mebibyteOfZeros(1 << 20, '\0');
    const struct {
        const char* Name;
        QByteArray Data;
        int64_t MostAllocated; // on disk, with room for a file system's allocation granules
    } cases[] = {
        {"zeros", mebibyteOfZeros, 256 * 1024},
        {"data-hole-data", QByteArray(8192, 'a') + mebibyteOfZeros + "b", 256 * 1024},
        {"hole-then-short-tail", mebibyteOfZeros + QByteArray(1000, '\0'), 256 * 1024},
        {"zeros-within-a-page", "a" + QByteArray(4000, '\0') + "b", 256 * 1024},
        {"dense", QByteArray(300000, 'd'), 1 << 20},
    };
    std::vector<HandRecord> records;
    for (const auto& c : cases)
        records.push_back({QByteArray("/data/") + c.Name, c.Data});
    WriteRecords(records);
    for (const auto& c : cases) {
        SCOPED_TRACE(c.Name);
        ASSERT_EQ(Read(), QByteArray("/data/") + c.Name);
        EXPECT_EQ(WorkFile(c.Name), c.Data);
        struct stat info {};
        ASSERT_EQ(::stat(QFile::encodeName(m_fixture.Session->Paths.WorkDirectory + c.Name), &info),
                  0);
        EXPECT_EQ(info.st_size, c.Data.size());
        EXPECT_LE(int64_t(info.st_blocks) * 512, c.MostAllocated);
    }
}

} // namespace
