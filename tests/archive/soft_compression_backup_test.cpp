#include "archive/backup_writer_fixture.h"
#include "compression_test_data.h"
#include "integrations/zip_pack.h"
#include "jobs/restore_run.h"

#include <QDir>
#include <QFileInfo>
#include <gtest/gtest.h>
#include <unistd.h>

using namespace orvane;
using namespace orvane::test;

namespace {

// Backups with soft compression on, the files packed ahead while others go to tape.
class SoftCompressionBackupTest : public ::testing::Test {
protected:
    explicit SoftCompressionBackupTest(int64_t blocksPerCartridge = 4000)
        : fixture(blocksPerCartridge) {
        session.settings.SoftCompression = true;
        session.settings.CompressionLevel = 1;
    }

    // The archive that packing the file on its own gives, at the run's level.
    QByteArray PackedOnItsOwn(const QString& path) {
        const QString archive = fixture.home.file(QStringLiteral("reference.zip"));
        EXPECT_TRUE(PackFile(archive, path, session.settings.CompressionLevel).ok());
        return ReadWhole(archive);
    }

    IndependentTapeReader::TapeSet ParseWhole() {
        return IndependentTapeReader(fixture.Images(), session.BlockLimit, 64 << 20).Parse();
    }

    QStringList LookAheadWorkFiles() const {
        return QDir(session.paths.WorkDirectory)
            .entryList({QStringLiteral("orvane_backup*")}, QDir::Files);
    }

    BackupFixture fixture;
    Session& session = fixture.S();
    BackupOperator& op = fixture.op;
    const int threadsBefore = ProcessThreads();
};

QStringList RecordPaths(const IndependentTapeReader::TapeSet& set) {
    QStringList paths;
    for (const auto& record : set.records)
        paths << QFile::decodeName(record.path);
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
        expected << fixture.MakeFile(relative, bytes);
    expected << session.paths.CatalogFilePath;

    fixture.Backup({fixture.Source()});

    EXPECT_EQ(ProcessThreads(), threadsBefore) << "no worker outlives the walk";
    EXPECT_TRUE(LookAheadWorkFiles().isEmpty()) << LookAheadWorkFiles().join(' ').toStdString();
    EXPECT_TRUE(op.boxes.empty()) << op.boxTexts().join('\n').toStdString();
    const auto set = ParseWhole();
    ASSERT_TRUE(set.error.isEmpty()) << set.error.toStdString();
    ASSERT_EQ(RecordPaths(set), expected);
    for (size_t i = 0; i + 1 < set.records.size(); ++i) {
        SCOPED_TRACE(expected[qsizetype(i)].toStdString());
        const auto& record = set.records[i];
        if (files[i].second.isEmpty()) {
            EXPECT_FALSE(record.compressed);
            EXPECT_EQ(record.length, 0u);
            continue;
        }
        EXPECT_TRUE(record.compressed);
        EXPECT_EQ(record.data, PackedOnItsOwn(expected[qsizetype(i)]));
    }

    const QString target = fixture.home.file(QStringLiteral("restored/"));
    session.settings.RestoreList = {fixture.Source()};
    session.settings.RestoreTarget = target;
    session.settings.RestoreOption = 2;
    RunRestore(session);
    for (const auto& [relative, bytes] : files)
        EXPECT_EQ(ReadWhole(target + fixture.Source(relative).mid(1)), bytes)
            << relative.toStdString();
}

// Cancel while the next files are being packed: the file being written is finished, nothing
// after it goes to tape, and no worker or work file is left.
TEST_F(SoftCompressionBackupTest, CancelInTheMiddleLeavesNoThreadRunning) {
    QStringList paths;
    for (int i = 0; i < 8; ++i)
        paths << fixture.MakeFile(QStringLiteral("f%1.txt").arg(i), Text(3000000, i));
    int threadsWhileWalking = 0;
    op.onStatus = [&](const QString& status) {
        if (status.startsWith(QStringLiteral("Processing :  ") + paths[2] + ' ')) {
            threadsWhileWalking = ProcessThreads();
            session.CancelFlag = true; // the Cancel button
        }
    };

    fixture.Backup({fixture.Source()});

    EXPECT_GT(threadsWhileWalking, threadsBefore) << "files were being packed ahead";
    EXPECT_EQ(ProcessThreads(), threadsBefore);
    EXPECT_TRUE(LookAheadWorkFiles().isEmpty()) << LookAheadWorkFiles().join(' ').toStdString();
    const auto set = ParseWhole();
    ASSERT_TRUE(set.error.isEmpty()) << set.error.toStdString();
    EXPECT_EQ(RecordPaths(set), paths.mid(0, 3) << session.paths.CatalogFilePath);
    EXPECT_EQ(set.records[2].data, PackedOnItsOwn(paths[2]));
    EXPECT_TRUE(op.boxes.empty()) << op.boxTexts().join('\n').toStdString();
}

class GivenUpTapeChangeTest : public SoftCompressionBackupTest {
protected:
    GivenUpTapeChangeTest() : SoftCompressionBackupTest(40) {}
};

// A tape change the operator gives up ends the run in the middle of the files packed ahead.
TEST_F(GivenUpTapeChangeTest, EndsTheRunWithNoThreadAndNoWorkFileLeft) {
    for (int i = 0; i < 6; ++i)
        fixture.MakeFile(QStringLiteral("r%1.bin").arg(i), Pattern(1000000, i));
    op.onTapeRequest = [&](const TapeRequest&) { op.answers.push_front(MessageAnswer::Cancel); };

    fixture.Backup({fixture.Source()});

    ASSERT_EQ(op.tapeRequests.size(), 1u);
    EXPECT_TRUE(session.TapeSetAbandoned);
    EXPECT_EQ(ProcessThreads(), threadsBefore);
    EXPECT_TRUE(LookAheadWorkFiles().isEmpty()) << LookAheadWorkFiles().join(' ').toStdString();
    for (const QString& text : op.boxTexts())
        EXPECT_FALSE(text.startsWith(QStringLiteral("Softcompression"))) << text.toStdString();
}

// The zip component opens files by name, and a name that is not valid UTF-8 does not survive
// the way there; the writer reads the file itself, so it goes to tape as it is. Every message
// comes in file order.
TEST_F(SoftCompressionBackupTest, FilesTheZipComponentCannotPackGoToTapeAsTheyAre) {
    const QByteArray directory = QFile::encodeName(fixture.Source());
    const QByteArray first = directory + "caf\xe9 1.txt";
    const QByteArray second = directory + "na\xefve 2.txt";
    if (QFile::encodeName(QFile::decodeName(first)) == first)
        GTEST_SKIP() << "file names in this locale survive any byte";
    // The temporary directory cannot remove names it cannot spell.
    struct Unlink {
        std::vector<QByteArray> paths;
        ~Unlink() {
            for (const QByteArray& path : paths)
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
    const QString good = fixture.MakeFile("b good.txt", Text(300000, 3));

    fixture.Backup({fixture.Source()});

    const auto set = ParseWhole();
    ASSERT_TRUE(set.error.isEmpty()) << set.error.toStdString();
    ASSERT_EQ(set.records.size(), 4u);
    EXPECT_EQ(set.records[0].path, good.toUtf8());
    EXPECT_TRUE(set.records[0].compressed);
    EXPECT_EQ(set.records[1].path, first);
    EXPECT_FALSE(set.records[1].compressed);
    EXPECT_EQ(set.records[1].data, firstBytes);
    EXPECT_EQ(set.records[2].path, second);
    EXPECT_FALSE(set.records[2].compressed);
    EXPECT_EQ(set.records[2].data, secondBytes);
    EXPECT_EQ(op.boxTexts(),
              QStringList({QStringLiteral("Softcompression could not pack ") +
                               QFile::decodeName(first) + QStringLiteral(": No such file"),
                           QStringLiteral("Softcompression could not pack ") +
                               QFile::decodeName(second) + QStringLiteral(": No such file")}));
}

} // namespace
