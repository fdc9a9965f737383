#include "catalog_hand_tape.h"
#include "jobs/restore_run.h"
#include "support/tape_fixture.h"

#include <QFile>
#include <QFileInfo>
#include <gtest/gtest.h>

using namespace orvane;
using namespace orvane::test;

namespace {

// Links that others place in the tree a restore writes to: nothing is written through them.
class RestoreSymlinkTest : public ::testing::Test {
protected:
    RestoreSymlinkTest() {
        m_session.Start();
        m_session.DelayedStart();
        m_session.Settings.RestoreOption = 2;
        m_session.Settings.ShortProtocol = false;
        WriteFile(m_outside + "victim.txt", "precious");
    }

    void Restore(const QString& target, const QStringList& lines) {
        m_session.Settings.RestoreTarget = target;
        m_session.Settings.RestoreList = lines;
        m_fixture.Op.ProtocolLines.clear();
        RunRestore(m_session);
    }

    SessionFixture m_fixture;
    Session& m_session = *m_fixture.Session;
    const QString m_outside = m_fixture.Home.File("outside/");
    const QDateTime m_modified{QDate(2025, 6, 1), QTime(12, 34, 56)};
};

struct LinkCase {
    const char* Name;
    const char* Link;     // below the restore root
    const char* PointsTo; // below the outside directory
    const char* Refusal;  // the path named by the protocol line, below the restore root; none:
                          // the file is restored
};

TEST_F(RestoreSymlinkTest, NoLinkBelowTheTargetIsFollowed) {
    const LinkCase cases[] = {
        {"a link as an intermediate directory", "src/a", "", "src/a"},
        {"a link to a directory outside as the file's directory", "src/a/b", "", "src/a/b"},
        {"a dangling link", "src/a", "missing", "src/a"},
        {"a link as the file itself is replaced, not followed", "src/a/b/file.txt", "victim.txt",
         nullptr},
    };
    // Under a target, and without one (the recorded path below "/").
    const QString target = m_fixture.Home.File("restore/");
    const QString recorded = m_fixture.Home.File("rec/");
    for (const bool withTarget : {true, false}) {
        const QString root = withTarget ? target + recorded.mid(1) : recorded;
        WriteHandTape(m_session,
                      {{(recorded + "src/a/b/file.txt").toUtf8(), "from tape"},
                       {(recorded + "src/ok.txt").toUtf8(), "ok"}},
                      m_modified);
        for (const LinkCase& c : cases) {
            SCOPED_TRACE(std::string(c.Name) + (withTarget ? " (target)" : " (no target)"));
            QDir(withTarget ? target : recorded).removeRecursively();
            const QString link = root + c.Link;
            QDir().mkpath(QFileInfo(link).path());
            ASSERT_TRUE(QFile::link(m_outside + c.PointsTo, link));

            Restore(withTarget ? target : QString(), {recorded + "src/"});
            EXPECT_EQ(FilesBelow(m_outside), QStringList{"victim.txt"});
            EXPECT_EQ(ReadAll(m_outside + "victim.txt"), "precious");
            EXPECT_EQ(ReadAll(root + "src/ok.txt"), "ok") << "the rest of the restore goes on";
            const QStringList& protocol = m_fixture.Op.ProtocolLines;
            if (c.Refusal) {
                EXPECT_TRUE(protocol.contains(
                    "Not restored, a symbolic link stands where a directory should be: " + root +
                    c.Refusal))
                    << protocol.join('\n').toStdString();
                EXPECT_EQ(m_session.Counters.NotRestoredCount, 1);
                EXPECT_TRUE(protocol.contains("1 Files not restored."));
                EXPECT_TRUE(QFileInfo(link).isSymLink()) << "the link is left as it is";
            } else {
                EXPECT_FALSE(QFileInfo(link).isSymLink());
                EXPECT_EQ(ReadAll(link), "from tape");
                EXPECT_EQ(m_session.Counters.NotRestoredCount, 0);
            }
        }
        QDir(withTarget ? target : recorded).removeRecursively();
    }
}

TEST_F(RestoreSymlinkTest, OverwriteNeverKeepsALinkAtTheFileName) {
    const QString target = m_fixture.Home.File("restore/");
    WriteHandTape(m_session, {{"/data/f.txt", "from tape"}}, m_modified);
    QDir().mkpath(target + "data");
    ASSERT_TRUE(QFile::link(m_outside + "victim.txt", target + "data/f.txt"));
    m_session.Settings.RestoreOption = 1;
    Restore(target, {"/data/"});
    EXPECT_TRUE(QFileInfo(target + "data/f.txt").isSymLink());
    EXPECT_EQ(ReadAll(m_outside + "victim.txt"), "precious");
    EXPECT_EQ(m_session.Counters.NotRestoredCount, 0) << "kept by the rule, not a failure";
    EXPECT_EQ(FilesBelow(target), QStringList{"data/f.txt"}) << "no copy is left behind";
}

} // namespace
