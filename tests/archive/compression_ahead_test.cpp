#include "archive/compression_ahead.h"
#include "compression_test_data.h"
#include "integrations/zip_pack.h"
#include "support/temp_home.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <gtest/gtest.h>
#include <sys/stat.h>

using namespace orvane;
using namespace orvane::test;

namespace {

class CompressionAheadTest : public ::testing::Test {
protected:
    TempHome m_home;
    const QString m_work = m_home.File(QStringLiteral("worker/"));
    const QString m_source = m_home.File(QStringLiteral("source/"));
    const int m_threadsBefore = ProcessThreads();
    static constexpr int Level = 1; // quick; the level only has to be the same on both sides

    void SetUp() override {
        ASSERT_TRUE(QDir().mkpath(m_work));
        ASSERT_TRUE(QDir().mkpath(m_source));
    }

    QByteArray MakeFile(const QString& name, const QByteArray& bytes) {
        const QString path = m_source + name;
        QFile file(path);
        EXPECT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(bytes);
        return QFile::encodeName(path);
    }

    static struct stat Stat(const QByteArray& path) {
        struct stat info {};
        EXPECT_EQ(::stat(path.constData(), &info), 0) << path.constData();
        return info;
    }

    void Prepare(CompressionAhead& ahead, const QByteArray& path) {
        ahead.Prepare(path, Stat(path).st_size, Level, m_work);
    }

    // The archive the work file would hold for this file.
    QByteArray PackedInline(const QByteArray& path) {
        const QString archive = m_home.File(QStringLiteral("inline.zip"));
        EXPECT_TRUE(PackFile(archive, QFile::decodeName(path), Level).Ok());
        QFile file(archive);
        file.open(QIODevice::ReadOnly);
        return file.readAll();
    }

    static QByteArray Bytes(PackedAhead& packed) {
        if (!packed.WorkFile().isEmpty()) {
            QFile file(packed.WorkFile());
            file.open(QIODevice::ReadOnly);
            return file.readAll();
        }
        return packed.Memory().ReadAll();
    }

    QStringList WorkFiles() const { return QDir(m_work).entryList(QDir::Files); }
};

class AheadWorkersTest : public CompressionAheadTest, public ::testing::WithParamInterface<int> {};

// One worker (one core) or several: the writer gets every file's archive in writing order, the
// archive the work file would hold, and nothing keeps running afterwards.
TEST_P(AheadWorkersTest, HandsOverEachFileAsTheWorkFileWouldHoldIt) {
    const std::vector<QByteArray> paths = {
        MakeFile("a.txt", Text(300000, 1)),
        MakeFile("b.png", Text(50000, 2)),
        MakeFile("c.txt", Text(1, 3)),
        MakeFile("d.log", Text(SoftCompression::MemoryLimit + 1, 4)),
        MakeFile("e.txt", Text(700000, 5)),
    };
    CompressionAhead ahead(GetParam());
    for (const QByteArray& path : paths)
        Prepare(ahead, path);
    EXPECT_EQ(ahead.ThreadCount(), GetParam());
    const bool cancel = false;

    for (const QByteArray& path : paths) {
        SCOPED_TRACE(path.constData());
        PackedAhead packed = ahead.Take(path, Stat(path), cancel);
        ASSERT_TRUE(packed);
        ASSERT_TRUE(packed.Outcome().Ok()) << packed.Outcome().Text.toStdString();
        const bool large = Stat(path).st_size > SoftCompression::MemoryLimit;
        EXPECT_EQ(packed.Memory().IsNull(), large);
        EXPECT_EQ(packed.WorkFile().isEmpty(), !large);
        EXPECT_EQ(Bytes(packed), PackedInline(path));
        const QString workFile = packed.WorkFile();
        packed.Reset();
        if (large) {
            EXPECT_FALSE(QFileInfo::exists(workFile)) << "a released work file is removed";
        }
    }
    ahead.Stop();
    EXPECT_EQ(ahead.ThreadCount(), 0);
    EXPECT_EQ(ProcessThreads(), m_threadsBefore);
    EXPECT_TRUE(WorkFiles().isEmpty());
}

INSTANTIATE_TEST_SUITE_P(Workers, AheadWorkersTest, ::testing::Values(1, 2));

TEST_F(CompressionAheadTest, AFileChangedSincePackingIsLeftToTheWriter) {
    const QByteArray path = MakeFile("notes.txt", Text(100000, 1));
    CompressionAhead ahead(2);
    Prepare(ahead, path);
    struct stat changed = Stat(path);
    changed.st_mtim.tv_sec += 10;
    const bool cancel = false;

    EXPECT_FALSE(ahead.Take(path, changed, cancel));
    EXPECT_FALSE(ahead.Take(path, Stat(path), cancel)) << "taken once, whatever came of it";
}

TEST_F(CompressionAheadTest, FilesPassedOverAreDroppedAndUnnamedOnesAreLeftToTheWriter) {
    const QByteArray first = MakeFile("1.txt", Text(200000, 1));
    const QByteArray second = MakeFile("2.txt", Text(200000, 2));
    const QByteArray third = MakeFile("3.txt", Text(200000, 3));
    const QByteArray unnamed = MakeFile("4.txt", Text(200000, 4));
    CompressionAhead ahead(2);
    for (const QByteArray& path : {first, second, third})
        Prepare(ahead, path);
    const bool cancel = false;

    EXPECT_FALSE(ahead.Take(unnamed, Stat(unnamed), cancel));
    PackedAhead packed = ahead.Take(third, Stat(third), cancel);
    ASSERT_TRUE(packed);
    EXPECT_EQ(Bytes(packed), PackedInline(third));
    EXPECT_FALSE(ahead.Take(first, Stat(first), cancel));
    EXPECT_FALSE(ahead.Take(second, Stat(second), cancel));
}

// Cancel finishes the file being written and gives up the rest at once; stopping then leaves
// no thread and no work file behind.
TEST_F(CompressionAheadTest, CancelGivesUpEverythingAfterTheFileBeingWritten) {
    std::vector<QByteArray> paths;
    for (int i = 0; i < 6; ++i)
        paths.push_back(MakeFile(QStringLiteral("f%1.txt").arg(i),
                                 Text(i % 2 ? SoftCompression::MemoryLimit + 1 : 2000000, i)));
    CompressionAhead ahead(2);
    for (const QByteArray& path : paths)
        Prepare(ahead, path);
    EXPECT_GT(ProcessThreads(), m_threadsBefore);
    const bool cancel = true;

    PackedAhead packed = ahead.Take(paths[0], Stat(paths[0]), cancel);
    ASSERT_TRUE(packed);
    EXPECT_EQ(Bytes(packed), PackedInline(paths[0]));
    packed.Reset();
    EXPECT_FALSE(ahead.Take(paths[1], Stat(paths[1]), cancel));

    ahead.Stop();
    EXPECT_EQ(ProcessThreads(), m_threadsBefore);
    EXPECT_TRUE(WorkFiles().isEmpty()) << WorkFiles().join(' ').toStdString();
}

TEST_F(CompressionAheadTest, StoppingWhilePackingLeavesNothingBehind) {
    std::vector<QByteArray> paths;
    for (int i = 0; i < 4; ++i)
        paths.push_back(MakeFile(QStringLiteral("big%1.txt").arg(i),
                                 Text(SoftCompression::MemoryLimit + 1, i)));
    {
        CompressionAhead ahead(2);
        for (const QByteArray& path : paths)
            Prepare(ahead, path);
        // Ends with the look-ahead, as when a run ends in the middle.
    }
    EXPECT_EQ(ProcessThreads(), m_threadsBefore);
    EXPECT_TRUE(WorkFiles().isEmpty()) << WorkFiles().join(' ').toStdString();
}

// More files than may wait in memory: the archives held at once never pass the budget.
TEST_F(CompressionAheadTest, ArchivesHeldInMemoryStayWithinTheBudget) {
    const qint64 size = 20 * 1024 * 1024;
    std::vector<QByteArray> paths;
    for (int i = 0; i < 6; ++i)
        paths.push_back(MakeFile(QStringLiteral("m%1.txt").arg(i), Text(size, i)));
    CompressionAhead ahead(CompressionAhead::MaxWorkers);
    ASSERT_GT(ahead.Capacity() * size, CompressionAhead::MemoryBudget)
        << "the budget, not the count, must be what holds them back";
    for (const QByteArray& path : paths)
        Prepare(ahead, path);
    const bool cancel = false;

    // Each result is kept until the next one is in hand, as the writer keeps a file's archive
    // until it is on tape.
    PackedAhead previous;
    for (const QByteArray& path : paths) {
        PackedAhead packed = ahead.Take(path, Stat(path), cancel);
        ASSERT_TRUE(packed);
        EXPECT_TRUE(packed.Outcome().Ok());
        EXPECT_FALSE(packed.Memory().IsNull());
        previous = std::move(packed);
    }
    EXPECT_LE(ahead.PeakMemoryBytes(), CompressionAhead::MemoryBudget);
    EXPECT_GE(ahead.PeakMemoryBytes(), 2 * size) << "one result held, the next packed";
}

} // namespace
