#include "catalog_hand_tape.h"
#include "jobs/backup_run.h"
#include "jobs/catalog_load.h"
#include "jobs/restore_run.h"
#include "jobs/verify_run.h"
#include "platform/virtual_tape_library.h"
#include "support/scripted_operator.h"
#include "support/temp_home.h"
#include "tape/autoloader.h"
#include "tape/end_marker.h"

#include <QFileInfo>
#include <QRandomGenerator>
#include <gtest/gtest.h>

using namespace orvane;
using namespace orvane::test;

namespace {

// A backup source with what file trees hold: nested directories, empty and binary files,
// names with blanks and non-ASCII letters, names that differ only in case.
struct SourceFile {
    QString relative;
    QByteArray data;
};

QByteArray RandomBytes(int size, quint32 seed) {
    QRandomGenerator random(seed);
    QByteArray data(size, 0);
    random.fillRange(reinterpret_cast<quint32*>(data.data()), size / 4);
    return data;
}

std::vector<SourceFile> SourceTree(int binarySize) {
    return {
        {"a/b/c/deep.txt", "deep down"},
        {"empty.dat", ""},
        {"bin/random.bin", RandomBytes(binarySize, 7)},
        {"bin/exact.bin", RandomBytes(32768, 8)},
        {"with space/file name.txt", "blanks"},
        {QString::fromUtf8("\xc3\x9c"
                           "n"
                           "\xc3\xaf"
                           "c"
                           "\xc3\xb8"
                           "d"
                           "\xc3\xa9"
                           "/gr"
                           "\xc3\xb6\xc3\x9f"
                           "e.txt"),
         "umlauts"},
        {"Case/File.TXT", "upper"},
        {"Case/file.txt", "lower"},
        {"text/lines.txt", QByteArray(50000, 'l')},
    };
}

class EndToEndTest : public ::testing::Test {
protected:
    void SetUpLibrary(int64_t capacity) {
        library = VirtualTapeLibrary::at(home.libraryDir());
        library->createCartridge("tape1", capacity, 1, false);
        library->insert("tape1");
        loader = std::make_unique<Autoloader>(library);
        op.onTapeRequest = [this](const TapeRequest& request) { loader->load(request); };
        session = std::make_unique<Session>(op, home.path(), home.tapeChoice());
        session->Start();
        session->DelayedStart();
        session->settings.RestoreTarget = target;
        session->settings.RestoreOption = 2;
        session->settings.ShortProtocol = false;
    }

    void MakeSource(const std::vector<SourceFile>& files) {
        QDateTime when(QDate(2024, 1, 2), QTime(3, 4, 5));
        for (const SourceFile& file : files) {
            WriteFile(source + file.relative, file.data);
            QFile handle(source + file.relative);
            handle.open(QIODevice::ReadWrite);
            handle.setFileTime(when, QFileDevice::FileModificationTime);
            when = when.addSecs(3671);
        }
    }

    void Backup(bool softCompression, bool append = false) {
        session->settings.BackupList = {source};
        session->settings.SoftCompression = softCompression;
        session->settings.Append = append;
        RunBackup(*session);
        ASSERT_FALSE(session->CancelFlag) << op.boxTexts().join('|').toStdString();
    }

    void Restore(const QStringList& lines) {
        session->settings.RestoreList = lines;
        RunRestore(*session);
        EXPECT_EQ(op.busyModes.back(), false);
        EXPECT_TRUE(FilesBelow(session->paths.WorkDirectory).isEmpty())
            << FilesBelow(session->paths.WorkDirectory).join(' ').toStdString();
    }

    // The source as it was restored below the target.
    QString Restored(const QString& relative) const { return target + source.mid(1) + relative; }

    void ExpectRestoredAsBackedUp(const std::vector<SourceFile>& files) {
        for (const SourceFile& file : files) {
            SCOPED_TRACE(file.relative.toStdString());
            EXPECT_EQ(ReadAll(Restored(file.relative)), file.data);
            EXPECT_EQ(QFileInfo(Restored(file.relative)).lastModified(),
                      QFileInfo(source + file.relative).lastModified());
        }
        EXPECT_EQ(FilesBelow(target + source.mid(1)).size(), qsizetype(files.size()));
    }

    TempHome home;
    ScriptedOperator op;
    std::shared_ptr<VirtualTapeLibrary> library;
    std::unique_ptr<Autoloader> loader;
    std::unique_ptr<Session> session;
    const QString source = home.file("source/");
    const QString target = home.file("restore/");
};

// Plain and soft-compressed backups.
class RoundTripTest : public EndToEndTest, public ::testing::WithParamInterface<bool> {};

TEST_P(RoundTripTest, BackupThenRestoreGivesBackEveryFileOnOneTape) {
    SetUpLibrary(32768 * 1000);
    const auto files = SourceTree(200000);
    MakeSource(files);
    Backup(GetParam());
    Restore({source});
    ExpectRestoredAsBackedUp(files);
    EXPECT_TRUE(op.protocolLines.contains(QString::number(files.size()) + " Files proceded."));
    EXPECT_TRUE(op.tapeRequests.empty());
}

TEST_P(RoundTripTest, ASetOfThreeTapesIsReadInOrderFromTapeOne) {
    // 20 blocks per tape, 19 of them data: the random file alone fills more than two tapes.
    SetUpLibrary(32768 * 30);
    const auto files = SourceTree(1400000);
    MakeSource(files);
    Backup(GetParam());
    ASSERT_EQ(library->cartridges().size(), 3u);
    ASSERT_EQ(session->CurrentTapeDescription.TapeNumber, 3) << "the backup ends on tape 3";
    op.tapeRequests.clear();

    Restore({source});
    ExpectRestoredAsBackedUp(files);
    std::vector<int> asked;
    for (const TapeRequest& request : op.tapeRequests) {
        EXPECT_EQ(request.kind, TapeRequest::Kind::TapeOfSet);
        asked.push_back(request.tapeNumber);
    }
    EXPECT_EQ(asked, (std::vector<int>{1, 2, 3}));
    EXPECT_TRUE(
        op.boxTexts().contains("Please insert Tape 1 of the current Tape Set and press then ok!"));
    EXPECT_TRUE(op.boxTexts().contains("Tape at end! Please insert Tape 2 and press then ok!"));

    // The catalog is found on the last tape, the sequential scan starts again at tape 1.
    const auto fast = LoadCatalogFast(*session);
    const auto sequential = LoadCatalogSequential(*session);
    ASSERT_EQ(fast->fileCount(), files.size());
    EXPECT_EQ(fast->filePaths(), sequential->filePaths());

    // The scan ended on tape 3: the verify first asks for tape 1.
    op.tapeRequests.clear();
    const VerifyResult verified = VerifyTape(*session);
    ASSERT_EQ(op.tapeRequests.size(), 3u);
    EXPECT_EQ(op.tapeRequests.front().tapeNumber, 1);
    EXPECT_EQ(verified.VerifiedOk, qsizetype(files.size()));
    EXPECT_EQ(verified.VerifiedDefect, 0);
}

// Chosen files only: the data of the others is passed over, on one tape by positioning the drive
// past the large file, on a set of three tapes by reading on through the tape changes.
class PassOverTest : public EndToEndTest, public ::testing::WithParamInterface<int64_t> {};

TEST_P(PassOverTest, ARestoreOfChosenFilesFindsThemBehindTheOthers) {
    SetUpLibrary(GetParam());
    const auto files = SourceTree(1400000);
    MakeSource(files);
    Backup(false);
    Restore({source + "text/lines.txt", source + "with space/"});
    EXPECT_EQ(ReadAll(Restored("text/lines.txt")), QByteArray(50000, 'l'));
    EXPECT_EQ(ReadAll(Restored("with space/file name.txt")), QByteArray("blanks"));
    EXPECT_EQ(FilesBelow(target + source.mid(1)).size(), 2);
    EXPECT_FALSE(op.protocolLines.join("\n").contains("Error:"));
}

// Only the 19-byte end marker ends the stream, never a name that holds its tag.
TEST_P(RoundTripTest, NamesHoldingTheMarkerTagRestoreVerifyAndList) {
    SetUpLibrary(32768 * 1000);
    const QString tag = QString::fromLatin1(EndMarkerTag.toByteArray());
    const std::vector<SourceFile> files = {{"a-before.txt", "before"},
                                           {tag + ".txt", "the tag in the name"},
                                           {tag, "the tag as the name"},
                                           {"dir" + tag + "/inside.txt", "below it"},
                                           {"z-after.txt", "after"}};
    MakeSource(files);
    Backup(GetParam());
    Restore({source});
    ExpectRestoredAsBackedUp(files);
    const VerifyResult verified = VerifyTape(*session);
    EXPECT_EQ(verified.VerifiedOk, int(files.size()));
    EXPECT_EQ(verified.VerifiedDefect, 0);
    EXPECT_EQ(LoadCatalogFast(*session)->fileCount(), files.size());
    EXPECT_EQ(LoadCatalogSequential(*session)->fileCount(), files.size());
}

INSTANTIATE_TEST_SUITE_P(Tapes, PassOverTest, ::testing::Values(32768 * 1000, 32768 * 30),
                         [](const auto& info) { return info.index == 0 ? "One" : "Three"; });

INSTANTIATE_TEST_SUITE_P(Compression, RoundTripTest, ::testing::Bool(),
                         [](const auto& info) { return info.param ? "Soft" : "Plain"; });

// A compressed record too large to be held in memory goes through the compression work file.
TEST_F(EndToEndTest, ACompressedRecordTooLargeForMemoryRestoresAndVerifies) {
    SetUpLibrary(32768 * 4000);
    const std::vector<SourceFile> files = {
        {"big.bin", RandomBytes(int(SoftCompression::MemoryLimit) + 100000, 9)},
        {"small.txt", "small"}};
    MakeSource(files);
    Backup(true);
    Restore({source});
    ExpectRestoredAsBackedUp(files);
    const VerifyResult verified = VerifyTape(*session);
    EXPECT_EQ(verified.VerifiedOk, 2);
    EXPECT_EQ(verified.VerifiedDefect, 0);
    EXPECT_FALSE(QFile::exists(session->paths.SoftCompressionArchivePath));
}

TEST_F(EndToEndTest, FastAndSequentialCatalogListTheSamePathsOnce) {
    SetUpLibrary(32768 * 1000);
    const auto files = SourceTree(1000);
    MakeSource(files);
    Backup(true);
    Backup(true, true); // every file twice on the appended set

    const auto fast = LoadCatalogFast(*session);
    const auto sequential = LoadCatalogSequential(*session);
    std::vector<QByteArray> expected;
    for (const SourceFile& file : files)
        expected.push_back(QFile::encodeName(source + file.relative));
    std::sort(expected.begin(), expected.end());
    std::vector<QByteArray> listed = fast->filePaths();
    std::sort(listed.begin(), listed.end());
    EXPECT_EQ(listed, expected);
    EXPECT_EQ(sequential->filePaths(), fast->filePaths());
}

TEST_F(EndToEndTest, AFileBackedUpTwiceRestoresByTheOverwriteRule) {
    SetUpLibrary(32768 * 1000);
    const QString file = source + "twice.txt";
    WriteFile(file, "first");
    Backup(false);
    WriteFile(file, "second, longer");
    Backup(false, true);

    struct Case {
        int option;
        QByteArray expected;
    };
    for (const Case& c : {Case{2, "second, longer"}, Case{1, "first"}}) {
        QDir(target).removeRecursively();
        session->settings.RestoreOption = c.option;
        op.protocolLines.clear();
        Restore({file});
        EXPECT_EQ(ReadAll(Restored("twice.txt")), c.expected) << "option " << c.option;
        EXPECT_TRUE(
            op.protocolLines.contains(c.option == 2 ? "2 Files proceded." : "1 Files proceded."));
    }
}

TEST_F(EndToEndTest, VerifyReportsEachKindOfDifference) {
    SetUpLibrary(32768 * 1000);
    MakeSource({{"same.txt", "unchanged"},
                {"changed.txt", QByteArray(3000, 'c')},
                {"resized.txt", QByteArray(3000, 'r')},
                {"within-a-kib.txt", QByteArray(3000, 'w')},
                {"deleted.txt", "gone soon"},
                {"empty.txt", ""}});
    Backup(true);
    WriteFile(source + "changed.txt", QByteArray(2999, 'c') + 'X');
    WriteFile(source + "resized.txt", QByteArray(5000, 'r'));
    WriteFile(source + "within-a-kib.txt", QByteArray(3001, 'w'));
    QFile::remove(source + "deleted.txt");

    session->settings.ShortProtocol = true;
    const VerifyResult result = VerifyTape(*session);
    EXPECT_TRUE(result.verified);
    EXPECT_EQ(result.VerifiedOk, 2);
    EXPECT_EQ(result.VerifiedDefect, 4);
    const QStringList& memo = op.verifyLines;
    const QString work = session->paths.WorkDirectory;
    EXPECT_TRUE(memo.contains(source + "same.txt   OK"));
    EXPECT_TRUE(memo.contains(source + "empty.txt   OK"));
    EXPECT_TRUE(memo.contains("Error in File:  " + source + "changed.txt"));
    EXPECT_TRUE(memo.contains("Error with filesize " + source + "resized.txt <4> / " + work +
                              "resized.txt <2>"));
    EXPECT_TRUE(memo.contains("Error in File:  " + source + "within-a-kib.txt"));
    EXPECT_TRUE(memo.contains("Error in File " + source + "deleted.txt or File not exists !"));
    EXPECT_TRUE(memo.first().startsWith("Verify startet at: "));
    const QStringList summary = memo.mid(memo.size() - 8, 5);
    EXPECT_EQ(summary, QStringList({"", "0 MB Tape Data", "6 Files checked", "2 Files OK",
                                    "4 Files Defect"}));
    EXPECT_FALSE(memo.join('\n').contains("orvane catalog.dat"));
    // The short protocol keeps the OK lines out of the protocol, never the errors.
    EXPECT_FALSE(op.protocolLines.contains(source + "same.txt   OK"));
    EXPECT_TRUE(op.protocolLines.contains("Error in File:  " + source + "changed.txt"));
    EXPECT_TRUE(op.protocolLines.contains("4 Files Defect"));
    EXPECT_EQ(op.busyModes.back(), false);
    EXPECT_TRUE(FilesBelow(work).isEmpty()) << FilesBelow(work).join(' ').toStdString();
}

TEST_F(EndToEndTest, VerifyAfterBackupRunsThroughTheBackupsStep) {
    SetUpLibrary(32768 * 1000);
    MakeSource({{"a.txt", "a"}, {"b.txt", "b"}});
    session->settings.BackupList = {source};
    session->settings.VerifyAfterBackup = true;
    BackupRunSteps steps;
    steps.VerifyBackup = VerifyAfterBackupStep(*session);
    RunBackup(*session, steps);
    EXPECT_TRUE(op.verifyLines.contains("2 Files OK"));
    EXPECT_TRUE(op.protocolLines.contains("2 Files checked"));
}

} // namespace
