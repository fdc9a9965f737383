#include "catalog_hand_tape.h"
#include "jobs/catalog_load.h"
#include "jobs/restore_place.h"
#include "jobs/restore_run.h"
#include "platform/protocol_log.h"
#include "support/tape_fixture.h"

#include <QFileInfo>
#include <QProcess>
#include <gtest/gtest.h>
#include <unistd.h>

using namespace orvane;
using namespace orvane::test;

namespace {

class RestoreRunTest : public ::testing::Test {
protected:
    RestoreRunTest() {
        m_session.Start();
        m_session.DelayedStart();
        m_session.Settings.RestoreTarget = m_target;
        m_session.Settings.RestoreOption = 2;
        m_session.Settings.ShortProtocol = false;
    }

    QString Work() const { return m_session.Paths.WorkDirectory; }

    // Restores `lines` and checks what every run must leave: idle, an empty work directory.
    void Restore(const QStringList& lines) {
        m_session.Settings.RestoreList = lines;
        m_fixture.Op.BusyModes.clear();
        RunRestore(m_session);
        if (!m_fixture.Op.BusyModes.empty()) {
            EXPECT_EQ(m_fixture.Op.BusyModes.back(), false);
        }
        EXPECT_EQ(m_fixture.Op.ListLocks.back(), false);
        EXPECT_EQ(m_fixture.Op.BusyCursorDepth, 0);
        EXPECT_TRUE(FilesBelow(Work()).isEmpty()) << FilesBelow(Work()).join(' ').toStdString();
    }

    SessionFixture m_fixture;
    Session& m_session = *m_fixture.Session;
    const QString m_target = m_fixture.Home.File("restore/");
    const QDateTime m_modified{QDate(2025, 6, 1), QTime(12, 34, 56)};
};

TEST_F(RestoreRunTest, RestoresTheSelectedFilesBelowTheTargetWithTheirTimes) {
    // A compressed record holds a zip archive made by the zip component.
    const QString source = m_fixture.Home.File("src/notes.txt");
    WriteFile(source, QByteArray(5000, 'n'));
    ASSERT_TRUE(m_session.Compression.Add(source, m_fixture.Op));
    const QByteArray archive = ReadAll(m_session.Paths.SoftCompressionArchivePath);
    QFile::remove(m_session.Paths.SoftCompressionArchivePath);
    const QByteArray report(70000, 'r');
    WriteHandTape(m_session,
                  {{"/home/ann/a.txt", "alpha"},
                   {"/home/ann/docs/report.odt", report},
                   {"/home/ann/notes.txt", archive, true},
                   {"/home/bob/b.txt", "bravo"},
                   {"/top.txt", ""}},
                  m_modified);

    Restore({"", "/home/ann/", "/top.txt", "/home/ann/a.txt"});
    EXPECT_EQ(FilesBelow(m_target), QStringList({"home/ann/a.txt", "home/ann/docs/report.odt",
                                                 "home/ann/notes.txt", "top.txt"}));
    EXPECT_EQ(ReadAll(m_target + "home/ann/a.txt"), "alpha");
    EXPECT_EQ(ReadAll(m_target + "home/ann/docs/report.odt"), report);
    EXPECT_EQ(ReadAll(m_target + "home/ann/notes.txt"), QByteArray(5000, 'n'));
    EXPECT_EQ(ReadAll(m_target + "top.txt"), "");
    for (const QString& file : FilesBelow(m_target))
        EXPECT_EQ(QFileInfo(m_target + file).lastModified(), m_modified) << file.toStdString();

    const QStringList& protocol = m_fixture.Op.ProtocolLines;
    EXPECT_TRUE(protocol.contains(m_target + "home/ann/docs/report.odt <68 KBytes> "));
    EXPECT_TRUE(protocol.contains(m_target + "top.txt <0 KBytes> "));
    EXPECT_TRUE(protocol.contains("4 Files proceded."));
    EXPECT_TRUE(protocol.contains("0 MB."));
    EXPECT_TRUE(std::any_of(protocol.begin(), protocol.end(), [](const QString& line) {
        return line.startsWith("Restore startet at: ");
    }));
    EXPECT_TRUE(m_fixture.Op.LastStatus().startsWith("Restore finished at: "));
    EXPECT_EQ(m_session.Counters.FileCount, 4);
    EXPECT_EQ(m_session.Counters.RestoredBytes, 5 + 70000 + 5000);
    EXPECT_EQ(m_fixture.Op.Views.back(), OperatorView::Protocol);
    EXPECT_FALSE(m_session.CancelFlag);
    EXPECT_EQ(m_session.Settings.RestoreList,
              QStringList({"", "/home/ann/", "/top.txt", "/home/ann/a.txt"}))
        << "the run leaves the list as it is";
}

TEST_F(RestoreRunTest, ShortProtocolKeepsOnlyTheSummary) {
    WriteHandTape(m_session, {{"/data/a.txt", "a"}}, m_modified);
    m_session.Settings.ShortProtocol = true;
    Restore({"/data/"});
    EXPECT_TRUE(QFile::exists(m_target + "data/a.txt"));
    EXPECT_FALSE(m_fixture.Op.ProtocolLines.contains(m_target + "data/a.txt <0 KBytes> "));
    EXPECT_TRUE(m_fixture.Op.ProtocolLines.contains("1 Files proceded."));
}

struct OptionCase {
    const char* Name;
    int Option;
    std::optional<QString> Input; // the input box's answer; nullopt: Cancel; empty: as offered
    QByteArray ExpectedAtTarget;
    int ExpectedFiles;
};

TEST_F(RestoreRunTest, TheThreeOverwriteRules) {
    WriteHandTape(m_session, {{"/data/f.txt", "new"}}, m_modified);
    const QString existing = m_target + "data/f.txt";
    const QString elsewhere = m_fixture.Home.File("elsewhere/deeper/g.txt");
    const OptionCase cases[] = {
        {"overwrite never", 1, {}, "old", 0},
        {"overwrite ever", 2, {}, "new", 1},
        {"an option out of range keeps what exists", 7, {}, "old", 0},
        {"asking, cancelled", 0, std::nullopt, "old", 0},
        {"asking, the offered path is taken", 0, QString(), "old", 0},
        {"asking, another path", 0, elsewhere, "old", 1},
    };
    for (const OptionCase& c : cases) {
        SCOPED_TRACE(c.Name);
        WriteFile(existing, "old");
        QFile::remove(elsewhere);
        m_fixture.Op.Boxes.clear();
        m_fixture.Op.ProtocolLines.clear();
        m_fixture.Op.Inputs.clear();
        if (c.Option == 0) {
            m_fixture.Op.Inputs.push_back(!c.Input             ? QString()
                                          : c.Input->isEmpty() ? existing
                                                               : *c.Input);
        }
        m_session.Settings.RestoreOption = c.Option;
        Restore({"/data/"});
        EXPECT_EQ(ReadAll(existing), c.ExpectedAtTarget);
        EXPECT_EQ(m_session.Counters.FileCount, c.ExpectedFiles);
        if (c.Option == 0) {
            ASSERT_EQ(m_fixture.Op.Boxes.size(), 1u);
            EXPECT_EQ(m_fixture.Op.Boxes[0].Caption, "Restoredialog");
            EXPECT_EQ(m_fixture.Op.Boxes[0].Text, "Restore to:");
        }
        if (c.Input && !c.Input->isEmpty()) {
            EXPECT_EQ(ReadAll(elsewhere), "new");
        }
        EXPECT_EQ(FilesBelow(m_target), QStringList({"data/f.txt"})) << "no copy is left behind";
    }
}

// The data of a restored file is written beside its destination under a name of its own; a file
// of a like name that is no copy left by an ended run is never touched, and a tape file of the
// copy's name still restores.
TEST_F(RestoreRunTest, TheCopyBesideTheDestinationTouchesNoFileOfItsName) {
    const QString copyName = ".orvane-restoring." + QString::number(::getpid()) + ".part";
    WriteHandTape(m_session, {{"/data/f.txt", "new"}}, m_modified);
    // Not copies of a run that ended: the operator's, or one being written by a live process.
    const QStringList others = {".orvane-restoring.part", ".orvane-restoring.1.part",
                                ".orvane-restoring.x7.part", ".orvane-restoring.007.part"};
    for (const QString& name : others)
        WriteFile(m_target + "data/" + name, "the operator's own file");
    Restore({"/data/"});
    EXPECT_EQ(ReadAll(m_target + "data/f.txt"), "new");
    for (const QString& name : others)
        EXPECT_EQ(ReadAll(m_target + "data/" + name), "the operator's own file")
            << name.toStdString();
    QDir(m_target).removeRecursively();

    WriteHandTape(m_session, {{"/data/" + copyName.toUtf8(), "from tape"}}, m_modified);
    Restore({"/data/"});
    EXPECT_EQ(ReadAll(m_target + "data/" + copyName), "from tape");
    EXPECT_EQ(FilesBelow(m_target), QStringList({"data/" + copyName}));
}

// A restore killed while writing leaves its copy; a later restore into that directory removes
// it, whether it was this process's or one that has ended.
TEST_F(RestoreRunTest, ACopyLeftByAKilledRestoreIsRemovedByTheNextOne) {
    QProcess ended;
    ended.start("true", {});
    ASSERT_TRUE(ended.waitForStarted(10000));
    const qint64 endedPid = ended.processId();
    ASSERT_TRUE(ended.waitForFinished(10000));
    const QStringList abandoned = {".orvane-restoring." + QString::number(endedPid) + ".part",
                                   ".orvane-restoring." + QString::number(::getpid()) + ".part"};
    WriteHandTape(m_session, {{"/data/f.txt", "new"}}, m_modified);
    for (const QString& name : abandoned)
        WriteFile(m_target + "data/" + name, "half a file");
    Restore({"/data/"});
    EXPECT_EQ(FilesBelow(m_target), QStringList({"data/f.txt"}));
    EXPECT_EQ(ReadAll(m_target + "data/f.txt"), "new");
}

TEST_F(RestoreRunTest, AnEmptyListSaysSoAndTouchesNothing) {
    Restore({"", " "});
    EXPECT_EQ(m_fixture.Op.BoxTexts(), QStringList{"No Files or Directories selected!"});
    EXPECT_TRUE(m_fixture.Op.ProtocolLines.isEmpty());
}

TEST_F(RestoreRunTest, ADriveLetterTapeRestoresOnlyBelowATarget) {
    WriteHandTape(m_session,
                  {{"c:\\data\\a.txt", "a"},
                   {"c:\\data\\sub\\b.txt", "b"},
                   {"c:\\other\\c.txt", "c"},
                   {"c:\\data\\gr\xf6\xdf"
                    "e.txt",
                    "g"}},
                  m_modified);
    const auto tree = LoadCatalogFast(m_session);
    ASSERT_EQ(tree->RootCount(), 1u);
    EXPECT_EQ(tree->Text(0), "c:");
    EXPECT_EQ(tree->RestoreLine(tree->Child(0, 0)), "c:\\data\\");

    Restore({"c:\\data\\"});
    EXPECT_EQ(FilesBelow(m_target), QStringList({"data/a.txt",
                                                 QString::fromUtf8("data/gr\xc3\xb6\xc3\x9f"
                                                                   "e.txt"),
                                                 "data/sub/b.txt"}));
    EXPECT_EQ(ReadAll(m_target + "data/sub/b.txt"), "b");

    // Without a target there is nowhere to put them.
    QDir(m_target).removeRecursively();
    m_session.Settings.RestoreTarget.clear();
    m_fixture.Op.ProtocolLines.clear();
    Restore({"c:\\"});
    EXPECT_FALSE(QFileInfo::exists(m_target));
    EXPECT_TRUE(m_fixture.Op.ProtocolLines.contains(
        "Not restored, a restore target directory is needed for: c:\\other\\c.txt"));
    EXPECT_TRUE(m_fixture.Op.ProtocolLines.contains("0 Files proceded."));
}

TEST_F(RestoreRunTest, APathThatClimbsOutIsRefused) {
    WriteHandTape(m_session, {{"/data/../../escape.txt", "x"}, {"/data/ok.txt", "ok"}}, m_modified);
    for (const QString& restoreTarget : {m_target, QString()}) {
        m_session.Settings.RestoreTarget = restoreTarget;
        m_fixture.Op.ProtocolLines.clear();
        Restore({"/data/"});
        EXPECT_TRUE(m_fixture.Op.ProtocolLines.contains(
            "Not restored, the path leads out of its directory: /data/../../escape.txt"));
        EXPECT_FALSE(QFile::exists(m_fixture.Home.File("escape.txt")));
        EXPECT_FALSE(QFile::exists("/escape.txt"));
    }
    EXPECT_EQ(FilesBelow(m_target), QStringList{"data/ok.txt"});
}

TEST_F(RestoreRunTest, ADirectoryThatCannotBeMadeIsReportedForEachFile) {
    WriteHandTape(m_session, {{"/data/a.txt", "a"}, {"/data/b.txt", "b"}}, m_modified);
    WriteFile(m_fixture.Home.File("blocker"), "a file where the target should be");
    m_session.Settings.RestoreTarget = m_fixture.Home.File("blocker/");
    Restore({"/data/"});
    const QString line = "Not restored, the directory could not be made or opened: " +
                         m_fixture.Home.File("blocker/") +
                         " (The system cannot find the path specified.)";
    EXPECT_EQ(m_fixture.Op.ProtocolLines.count(line), 2)
        << m_fixture.Op.ProtocolLines.join('\n').toStdString();
    EXPECT_TRUE(m_fixture.Op.ProtocolLines.contains("0 Files proceded."));
    EXPECT_TRUE(m_fixture.Op.ProtocolLines.contains("2 Files not restored."));
    EXPECT_EQ(m_session.Counters.NotRestoredCount, 2);
    EXPECT_FALSE(m_session.CancelFlag);
}

TEST_F(RestoreRunTest, AWorkFileThatCannotBeWrittenIsNamed) {
    // A tape file named like the copy beside its destination is read into the work directory;
    // a directory in its place there makes the read fail.
    const QByteArray copyName = RestorePlace::CopyName();
    WriteHandTape(m_session, {{"/data/" + copyName, "x"}}, m_modified);
    const QString workFile = Work() + QString::fromUtf8(copyName);
    QDir().mkpath(workFile);
    m_session.Settings.RestoreList = QStringList{"/data/"};
    RunRestore(m_session);
    QDir(workFile).removeRecursively();
    const QStringList& protocol = m_fixture.Op.ProtocolLines;
    EXPECT_TRUE(std::any_of(protocol.begin(), protocol.end(), [&](const QString& line) {
        return line.startsWith("Error: ") && line.endsWith(workFile);
    })) << protocol.join('\n').toStdString();
    EXPECT_TRUE(m_session.CancelFlag);
}

} // namespace
