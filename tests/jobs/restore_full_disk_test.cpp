#include "catalog_hand_tape.h"
#include "jobs/restore_run.h"
#include "support/small_file_system.h"
#include "support/tape_fixture.h"

#include <QFileInfo>
#include <gtest/gtest.h>

using namespace orvane;
using namespace orvane::test;

namespace {

// The restore target lies on a file system of its own, far too small for the file restored;
// an older copy of that file is already there.
class RestoreFullDiskTest : public ::testing::Test {
protected:
    RestoreFullDiskTest() {
        m_session.Start();
        m_session.DelayedStart();
        m_session.Settings.RestoreTarget = m_target;
        m_session.Settings.RestoreOption = 2; // overwrite ever
        m_session.Settings.ShortProtocol = false;
    }

    // A zip archive of `data` as the zip component makes it for a compressed record.
    QByteArray Packed(const QByteArray& data) {
        const QString source = m_fixture.Home.File("src/f.txt");
        WriteFile(source, data);
        EXPECT_TRUE(m_session.Compression.Add(source, m_fixture.Op));
        const QByteArray archive = ReadAll(m_session.Paths.SoftCompressionArchivePath);
        QFile::remove(m_session.Paths.SoftCompressionArchivePath);
        return archive;
    }

    SessionFixture m_fixture;
    Session& m_session = *m_fixture.Session;
    const QString m_target = m_fixture.Home.File("restore/");
    const QDateTime m_modified{QDate(2025, 6, 1), QTime(12, 34, 56)};
};

TEST_F(RestoreFullDiskTest, TheOldFileStaysUntilACompleteNewOneReplacesIt) {
    const QByteArray big(1024 * 1024, 'b'); // packs to a few KiB, unpacks to 1 MiB
    struct Case {
        const char* Name;
        bool Compressed;
        QByteArray Data; // the file's bytes
        int DiskBytes;   // the size of the target's file system
        bool Fits;       // whether the new file fits there
    };
    const Case cases[] = {
        {"compressed, too large", true, big, 256 * 1024, false},
        {"plain, too large", false, big, 256 * 1024, false},
        {"compressed, fits on the other file system", true, QByteArray(100000, 's'), 256 * 1024,
         true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.Name);
        const QString directory = m_target + "data/";
        SmallFileSystem disk(directory, c.DiskBytes);
        if (!disk.Mounted())
            GTEST_SKIP() << "no right to mount a small file system here";
        const QString existing = directory + "f.txt";
        WriteFile(existing, "the old copy");
        QFile::setPermissions(existing, QFile::ReadOwner | QFile::ReadUser);
        WriteHandTape(m_session,
                      {{"/data/f.txt", c.Compressed ? Packed(c.Data) : c.Data, c.Compressed}},
                      m_modified);
        m_fixture.Op.ProtocolLines.clear();
        m_fixture.Op.Boxes.clear();

        m_session.Settings.RestoreList = {"/data/"};
        RunRestore(m_session);

        EXPECT_EQ(FilesBelow(directory), QStringList{"f.txt"}) << "no part file is left";
        EXPECT_TRUE(FilesBelow(m_session.Paths.WorkDirectory).isEmpty())
            << FilesBelow(m_session.Paths.WorkDirectory).join(" ").toStdString();
        const QStringList& protocol = m_fixture.Op.ProtocolLines;
        if (c.Fits) {
            EXPECT_EQ(ReadAll(existing), c.Data);
            EXPECT_EQ(QFileInfo(existing).lastModified(), m_modified);
            EXPECT_TRUE(protocol.contains("1 Files proceded."));
            continue;
        }
        EXPECT_EQ(ReadAll(existing), "the old copy");
        EXPECT_TRUE(protocol.contains("0 Files proceded."));
        EXPECT_TRUE(std::any_of(protocol.begin(), protocol.end(), [&existing](const QString& line) {
            return line == "Not restored, the file could not be written: " + existing +
                               " (The disk is full.)";
        })) << protocol.join('\n').toStdString();
        EXPECT_TRUE(protocol.contains("1 Files not restored."));
        EXPECT_FALSE(protocol.join('\n').contains("Unknown error"));
        EXPECT_EQ(m_session.Counters.NotRestoredCount, 1) << "the run tells it failed";
    }
}

} // namespace
