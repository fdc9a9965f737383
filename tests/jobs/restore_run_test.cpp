#include "catalog_hand_tape.h"
#include "jobs/catalog_load.h"
#include "jobs/restore_run.h"
#include "platform/protocol_log.h"
#include "support/tape_fixture.h"

#include <QFileInfo>
#include <gtest/gtest.h>

using namespace orvane;
using namespace orvane::test;

namespace {

class RestoreRunTest : public ::testing::Test {
protected:
    RestoreRunTest() {
        session.Start();
        session.DelayedStart();
        session.settings.RestoreTarget = target;
        session.settings.RestoreOption = 2;
        session.settings.ShortProtocol = false;
    }

    QString work() const { return session.paths.WorkDirectory; }

    // Restores `lines` and checks what every run must leave: idle, an empty work directory.
    void Restore(const QStringList& lines) {
        session.settings.RestoreList = lines;
        fixture.op.busyModes.clear();
        RunRestore(session);
        if (!fixture.op.busyModes.empty()) {
            EXPECT_EQ(fixture.op.busyModes.back(), false);
        }
        EXPECT_EQ(fixture.op.listLocks.back(), false);
        EXPECT_EQ(fixture.op.busyCursorDepth, 0);
        EXPECT_TRUE(FilesBelow(work()).isEmpty()) << FilesBelow(work()).join(' ').toStdString();
    }

    SessionFixture fixture;
    Session& session = *fixture.session;
    const QString target = fixture.home.file("restore/");
    const QDateTime modified{QDate(2025, 6, 1), QTime(12, 34, 56)};
};

TEST_F(RestoreRunTest, RestoresTheSelectedFilesBelowTheTargetWithTheirTimes) {
    // A compressed record holds a zip archive made by the zip component.
    const QString source = fixture.home.file("src/notes.txt");
    WriteFile(source, QByteArray(5000, 'n'));
    ASSERT_TRUE(session.compression.Add(source, fixture.op));
    const QByteArray archive = ReadAll(session.paths.SoftCompressionArchivePath);
    QFile::remove(session.paths.SoftCompressionArchivePath);
    const QByteArray report(70000, 'r');
    WriteHandTape(session,
                  {{"/home/ann/a.txt", "alpha"},
                   {"/home/ann/docs/report.odt", report},
                   {"/home/ann/notes.txt", archive, true},
                   {"/home/bob/b.txt", "bravo"},
                   {"/top.txt", ""}},
                  modified);

    Restore({"", "/home/ann/", "/top.txt", "/home/ann/a.txt"});
    EXPECT_EQ(FilesBelow(target), QStringList({"home/ann/a.txt", "home/ann/docs/report.odt",
                                               "home/ann/notes.txt", "top.txt"}));
    EXPECT_EQ(ReadAll(target + "home/ann/a.txt"), "alpha");
    EXPECT_EQ(ReadAll(target + "home/ann/docs/report.odt"), report);
    EXPECT_EQ(ReadAll(target + "home/ann/notes.txt"), QByteArray(5000, 'n'));
    EXPECT_EQ(ReadAll(target + "top.txt"), "");
    for (const QString& file : FilesBelow(target))
        EXPECT_EQ(QFileInfo(target + file).lastModified(), modified) << file.toStdString();

    const QStringList& protocol = fixture.op.protocolLines;
    EXPECT_TRUE(protocol.contains(target + "home/ann/docs/report.odt <68 KBytes> "));
    EXPECT_TRUE(protocol.contains(target + "top.txt <0 KBytes> "));
    EXPECT_TRUE(protocol.contains("4 Files proceded."));
    EXPECT_TRUE(protocol.contains("0 MB."));
    EXPECT_TRUE(std::any_of(protocol.begin(), protocol.end(), [](const QString& line) {
        return line.startsWith("Restore startet at: ");
    }));
    EXPECT_TRUE(fixture.op.lastStatus().startsWith("Restore finished at: "));
    EXPECT_EQ(session.counters.FileCount, 4);
    EXPECT_EQ(session.counters.RestoredBytes, 5 + 70000 + 5000);
    EXPECT_EQ(fixture.op.views.back(), OperatorView::Protocol);
    EXPECT_FALSE(session.CancelFlag);
    EXPECT_EQ(session.settings.RestoreList,
              QStringList({"", "/home/ann/", "/top.txt", "/home/ann/a.txt"}))
        << "the run leaves the list as it is";
}

TEST_F(RestoreRunTest, ShortProtocolKeepsOnlyTheSummary) {
    WriteHandTape(session, {{"/data/a.txt", "a"}}, modified);
    session.settings.ShortProtocol = true;
    Restore({"/data/"});
    EXPECT_TRUE(QFile::exists(target + "data/a.txt"));
    EXPECT_FALSE(fixture.op.protocolLines.contains(target + "data/a.txt <0 KBytes> "));
    EXPECT_TRUE(fixture.op.protocolLines.contains("1 Files proceded."));
}

struct OptionCase {
    const char* name;
    int option;
    std::optional<QString> input; // the input box's answer; nullopt: Cancel; empty: as offered
    QByteArray expectedAtTarget;
    int expectedFiles;
};

TEST_F(RestoreRunTest, TheThreeOverwriteRules) {
    WriteHandTape(session, {{"/data/f.txt", "new"}}, modified);
    const QString existing = target + "data/f.txt";
    const QString elsewhere = fixture.home.file("elsewhere/deeper/g.txt");
    const OptionCase cases[] = {
        {"overwrite never", 1, {}, "old", 0},
        {"overwrite ever", 2, {}, "new", 1},
        {"an option out of range keeps what exists", 7, {}, "old", 0},
        {"asking, cancelled", 0, std::nullopt, "old", 0},
        {"asking, the offered path is taken", 0, QString(), "old", 0},
        {"asking, another path", 0, elsewhere, "old", 1},
    };
    for (const OptionCase& c : cases) {
        SCOPED_TRACE(c.name);
        WriteFile(existing, "old");
        QFile::remove(elsewhere);
        fixture.op.boxes.clear();
        fixture.op.protocolLines.clear();
        fixture.op.inputs.clear();
        if (c.option == 0) {
            fixture.op.inputs.push_back(!c.input             ? QString()
                                        : c.input->isEmpty() ? existing
                                                             : *c.input);
        }
        session.settings.RestoreOption = c.option;
        Restore({"/data/"});
        EXPECT_EQ(ReadAll(existing), c.expectedAtTarget);
        EXPECT_EQ(session.counters.FileCount, c.expectedFiles);
        if (c.option == 0) {
            ASSERT_EQ(fixture.op.boxes.size(), 1u);
            EXPECT_EQ(fixture.op.boxes[0].caption, "Restoredialog");
            EXPECT_EQ(fixture.op.boxes[0].text, "Restore to:");
        }
        if (c.input && !c.input->isEmpty()) {
            EXPECT_EQ(ReadAll(elsewhere), "new");
        }
        EXPECT_EQ(FilesBelow(target), QStringList({"data/f.txt"})) << "no copy is left behind";
    }
}

// The data of a restored file is written beside its destination under a name of its own; a file
// that already has that name is never touched, and a tape file of that name still restores.
TEST_F(RestoreRunTest, TheCopyBesideTheDestinationTouchesNoFileOfItsName) {
    const QString copyName = ".orvane-restoring.part";
    WriteHandTape(session, {{"/data/f.txt", "new"}}, modified);
    WriteFile(target + "data/" + copyName, "the operator's own file");
    Restore({"/data/"});
    EXPECT_EQ(ReadAll(target + "data/f.txt"), "new");
    EXPECT_EQ(ReadAll(target + "data/" + copyName), "the operator's own file");

    QDir(target).removeRecursively();
    WriteHandTape(session, {{"/data/" + copyName.toUtf8(), "from tape"}}, modified);
    Restore({"/data/"});
    EXPECT_EQ(ReadAll(target + "data/" + copyName), "from tape");
    EXPECT_EQ(FilesBelow(target), QStringList({"data/" + copyName}));
}

TEST_F(RestoreRunTest, AnEmptyListSaysSoAndTouchesNothing) {
    Restore({"", " "});
    EXPECT_EQ(fixture.op.boxTexts(), QStringList{"No Files or Directories selected!"});
    EXPECT_TRUE(fixture.op.protocolLines.isEmpty());
}

TEST_F(RestoreRunTest, ADriveLetterTapeRestoresOnlyBelowATarget) {
    WriteHandTape(session,
                  {{"c:\\data\\a.txt", "a"},
                   {"c:\\data\\sub\\b.txt", "b"},
                   {"c:\\other\\c.txt", "c"},
                   {"c:\\data\\gr\xf6\xdf"
                    "e.txt",
                    "g"}},
                  modified);
    const auto tree = LoadCatalogFast(session);
    ASSERT_EQ(tree->rootCount(), 1u);
    EXPECT_EQ(tree->text(0), "c:");
    EXPECT_EQ(tree->restoreLine(tree->child(0, 0)), "c:\\data\\");

    Restore({"c:\\data\\"});
    EXPECT_EQ(FilesBelow(target), QStringList({"data/a.txt",
                                               QString::fromUtf8("data/gr\xc3\xb6\xc3\x9f"
                                                                 "e.txt"),
                                               "data/sub/b.txt"}));
    EXPECT_EQ(ReadAll(target + "data/sub/b.txt"), "b");

    // Without a target there is nowhere to put them.
    QDir(target).removeRecursively();
    session.settings.RestoreTarget.clear();
    fixture.op.protocolLines.clear();
    Restore({"c:\\"});
    EXPECT_FALSE(QFileInfo::exists(target));
    EXPECT_TRUE(fixture.op.protocolLines.contains(
        "Not restored, a restore target directory is needed for: c:\\other\\c.txt"));
    EXPECT_TRUE(fixture.op.protocolLines.contains("0 Files proceded."));
}

TEST_F(RestoreRunTest, APathThatClimbsOutIsRefused) {
    WriteHandTape(session, {{"/data/../../escape.txt", "x"}, {"/data/ok.txt", "ok"}}, modified);
    for (const QString& restoreTarget : {target, QString()}) {
        session.settings.RestoreTarget = restoreTarget;
        fixture.op.protocolLines.clear();
        Restore({"/data/"});
        EXPECT_TRUE(fixture.op.protocolLines.contains(
            "Not restored, the path leads out of its directory: /data/../../escape.txt"));
        EXPECT_FALSE(QFile::exists(fixture.home.file("escape.txt")));
        EXPECT_FALSE(QFile::exists("/escape.txt"));
    }
    EXPECT_EQ(FilesBelow(target), QStringList{"data/ok.txt"});
}

TEST_F(RestoreRunTest, ADirectoryThatCannotBeMadeIsReportedAndTheCopyDropped) {
    WriteHandTape(session, {{"/data/a.txt", "a"}, {"/data/b.txt", "b"}}, modified);
    WriteFile(fixture.home.file("blocker"), "a file where the target should be");
    session.settings.RestoreTarget = fixture.home.file("blocker/");
    Restore({"/data/"});
    const QString message = "Directory " + fixture.home.file("blocker/data") + " could not createt";
    EXPECT_EQ(fixture.op.boxTexts(), QStringList({message, message}));
    EXPECT_TRUE(fixture.op.protocolLines.contains("0 Files proceded."));
}

} // namespace
