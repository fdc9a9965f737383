#include "archive/backup_writer_fixture.h"
#include "compression_test_data.h"
#include "integrations/zip_pack.h"
#include "jobs/restore_run.h"

#include <QDir>
#include <QFileInfo>
#include <gtest/gtest.h>
#include <tuple>
#include <unistd.h>

using namespace orvane;
using namespace orvane::test;

namespace {

// Backups with soft compression on, the files packed ahead while others go to tape.
class SoftCompressionBackupTest : public ::testing::Test {
protected:
    explicit SoftCompressionBackupTest(int64_t blocksPerCartridge = 4000)
        : m_fixture(blocksPerCartridge) {
        m_session.Settings.SoftCompression = true;
        m_session.Settings.CompressionLevel = 1;
    }

    // The archive that packing the file on its own gives, at the run's level.
    QByteArray PackedOnItsOwn(const QString& path) {
        const QString archive = m_fixture.Home.File(QStringLiteral("reference.zip"));
        EXPECT_TRUE(PackFile(archive, path, m_session.Settings.CompressionLevel).Ok());
        return ReadWhole(archive);
    }

    IndependentTapeReader::TapeSet ParseWhole() {
        return IndependentTapeReader(m_fixture.Images(), m_session.BlockLimit, 64 << 20).Parse();
    }

    QStringList LookAheadWorkFiles() const {
        return QDir(m_session.Paths.WorkDirectory)
            .entryList({QStringLiteral("orvane_backup*")}, QDir::Files);
    }

    BackupFixture m_fixture;
    Session& m_session = m_fixture.S();
    BackupOperator& m_op = m_fixture.Op;
    const int m_threadsBefore = ProcessThreads();
};

QStringList RecordPaths(const IndependentTapeReader::TapeSet& set) {
    QStringList paths;
    for (const auto& record : set.Records)
        paths << QFile::decodeName(record.Path);
    return paths;
}

TEST_F(SoftCompressionBackupTest, TapeHoldsWhatPackingEachFileInTurnGivesAndRestoresIt) {
    const std::vector<std::pair<QString, QByteArray>> files = {
        {"a.txt", Text(300000, 1)},
        {"b/c.txt", Text(200000, 2)},
        {"b/d/e.txt", Text(100000, 3)},
        {"b/zero.txt", ""},
        {"b.log", Text(500000, 4)},
        {"c.png", Pattern(40000, 5)},
        {"large.txt", Text(SoftCompression::MemoryLimit + 4096, 6)},
        {"z/y.txt", "y"},
    };
    QStringList expected;
    for (const auto& [relative, bytes] : files)
        expected << m_fixture.MakeFile(relative, bytes);
    expected << m_session.Paths.CatalogFilePath;

    m_fixture.Backup({m_fixture.Source()});

    EXPECT_EQ(ProcessThreads(), m_threadsBefore) << "no worker outlives the walk";
    EXPECT_TRUE(LookAheadWorkFiles().isEmpty()) << LookAheadWorkFiles().join(' ').toStdString();
    EXPECT_TRUE(m_op.Boxes.empty()) << m_op.BoxTexts().join('\n').toStdString();
    const auto set = ParseWhole();
    ASSERT_TRUE(set.Error.isEmpty()) << set.Error.toStdString();
    ASSERT_EQ(RecordPaths(set), expected);
    for (size_t i = 0; i + 1 < set.Records.size(); ++i) {
        SCOPED_TRACE(expected[qsizetype(i)].toStdString());
        const auto& record = set.Records[i];
        if (files[i].second.isEmpty()) {
            EXPECT_FALSE(record.Compressed);
            EXPECT_EQ(record.Length, 0u);
            continue;
        }
        EXPECT_TRUE(record.Compressed);
        EXPECT_EQ(record.Data, PackedOnItsOwn(expected[qsizetype(i)]));
    }

    const QString target = m_fixture.Home.File(QStringLiteral("restored/"));
    m_session.Settings.RestoreList = {m_fixture.Source()};
    m_session.Settings.RestoreTarget = target;
    m_session.Settings.RestoreOption = 2;
    RunRestore(m_session);
    for (const auto& [relative, bytes] : files)
        EXPECT_EQ(ReadWhole(target + m_fixture.Source(relative).mid(1)), bytes)
            << relative.toStdString();
}

// Cancel while the next files are being packed: the file being written is finished, nothing
// after it goes to tape, and no worker or work file is left.
TEST_F(SoftCompressionBackupTest, CancelInTheMiddleLeavesNoThreadRunning) {
    QStringList paths;
    for (int i = 0; i < 8; ++i)
        paths << m_fixture.MakeFile(QStringLiteral("f%1.txt").arg(i), Text(3000000, i));
    int threadsWhileWalking = 0;
    m_op.OnStatus = [&](const QString& status) {
        if (status.startsWith(QStringLiteral("Processing :  ") + paths[2] + ' ')) {
            threadsWhileWalking = ProcessThreads();
            m_session.CancelFlag = true; // the Cancel button
        }
    };

    m_fixture.Backup({m_fixture.Source()});

    EXPECT_GT(threadsWhileWalking, m_threadsBefore) << "files were being packed ahead";
    EXPECT_EQ(ProcessThreads(), m_threadsBefore);
    EXPECT_TRUE(LookAheadWorkFiles().isEmpty()) << LookAheadWorkFiles().join(' ').toStdString();
    const auto set = ParseWhole();
    ASSERT_TRUE(set.Error.isEmpty()) << set.Error.toStdString();
    EXPECT_EQ(RecordPaths(set), paths.mid(0, 3) << m_session.Paths.CatalogFilePath);
    EXPECT_EQ(set.Records[2].Data, PackedOnItsOwn(paths[2]));
    EXPECT_TRUE(m_op.Boxes.empty()) << m_op.BoxTexts().join('\n').toStdString();
}

class GivenUpTapeChangeTest : public SoftCompressionBackupTest {
protected:
    GivenUpTapeChangeTest() : SoftCompressionBackupTest(40) {}
};

// A tape change the operator gives up ends the run in the middle of the files packed ahead.
TEST_F(GivenUpTapeChangeTest, EndsTheRunWithNoThreadAndNoWorkFileLeft) {
    for (int i = 0; i < 6; ++i)
        m_fixture.MakeFile(QStringLiteral("r%1.bin").arg(i), Pattern(1000000, i));
    m_op.OnTapeRequest = [&](const TapeRequest&) {
        m_op.Answers.push_front(MessageAnswer::Cancel);
    };

    m_fixture.Backup({m_fixture.Source()});

    ASSERT_EQ(m_op.TapeRequests.size(), 1u);
    EXPECT_TRUE(m_session.TapeSetAbandoned);
    EXPECT_EQ(ProcessThreads(), m_threadsBefore);
    EXPECT_TRUE(LookAheadWorkFiles().isEmpty()) << LookAheadWorkFiles().join(' ').toStdString();
    for (const QString& text : m_op.BoxTexts())
        EXPECT_FALSE(text.startsWith(QStringLiteral("Softcompression"))) << text.toStdString();
}

// A file name need not be UTF-8: the zip component opens the file by its bytes and stores them
// as the member's name, so such a file is packed like any other.
TEST_F(SoftCompressionBackupTest, FilesNamedInBytesThatAreNotUtf8ArePackedLikeAnyOther) {
    const QByteArray directory = QFile::encodeName(m_fixture.Source());
    const QByteArray first = directory + "caf\xe9 1.txt";
    const QByteArray second = directory + "na\xefve 2.txt";
    // The temporary directory cannot remove names it cannot spell.
    struct Unlink {
        std::vector<QByteArray> Paths;
        ~Unlink() {
            for (const QByteArray& path : Paths)
                ::unlink(path.constData());
        }
    } cleanUp{{first, second}};
    const QByteArray firstBytes = Text(400000, 1);
    const QByteArray secondBytes = Text(500000, 2);
    for (const auto& [path, bytes] :
         {std::pair{first, firstBytes}, std::pair{second, secondBytes}}) {
        FILE* file = std::fopen(path.constData(), "wb");
        ASSERT_NE(file, nullptr);
        std::fwrite(bytes.constData(), 1, size_t(bytes.size()), file);
        std::fclose(file);
    }
    const QString good = m_fixture.MakeFile("b good.txt", Text(300000, 3));

    m_fixture.Backup({m_fixture.Source()});

    const auto set = ParseWhole();
    ASSERT_TRUE(set.Error.isEmpty()) << set.Error.toStdString();
    ASSERT_EQ(set.Records.size(), 4u);
    EXPECT_EQ(set.Records[0].Path, good.toUtf8());
    EXPECT_TRUE(set.Records[0].Compressed);
    for (const auto& [record, path, name, bytes] :
         {std::tuple{1, first, QByteArray("caf\xe9 1.txt"), firstBytes},
          std::tuple{2, second, QByteArray("na\xefve 2.txt"), secondBytes}}) {
        EXPECT_EQ(set.Records[record].Path, path);
        EXPECT_TRUE(set.Records[record].Compressed);
        EXPECT_LT(set.Records[record].Data.size(), bytes.size());
        EXPECT_TRUE(set.Records[record].Data.contains(name)) << "the member keeps the name's bytes";
    }
    EXPECT_TRUE(m_op.BoxTexts().isEmpty()) << m_op.BoxTexts().join(' ').toStdString();
}

} // namespace
