#include "archive/tape_records.h"
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
    QString Relative;
    QByteArray Data;
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
        m_library = VirtualTapeLibrary::At(m_home.LibraryDir());
        m_library->CreateCartridge("tape1", capacity, 1, false);
        m_library->Insert("tape1");
        m_loader = std::make_unique<Autoloader>(m_library);
        m_op.OnTapeRequest = [this](const TapeRequest& request) { m_loader->Load(request); };
        m_session = std::make_unique<Session>(m_op, m_home.Path(), m_home.TapeChoice());
        m_session->Start();
        m_session->DelayedStart();
        m_session->Settings.RestoreTarget = m_target;
        m_session->Settings.RestoreOption = 2;
        m_session->Settings.ShortProtocol = false;
    }

    void MakeSource(const std::vector<SourceFile>& files) {
        QDateTime when(QDate(2024, 1, 2), QTime(3, 4, 5));
        for (const SourceFile& file : files) {
            WriteFile(m_source + file.Relative, file.Data);
            QFile handle(m_source + file.Relative);
            handle.open(QIODevice::ReadWrite);
            handle.setFileTime(when, QFileDevice::FileModificationTime);
            when = when.addSecs(3671);
        }
    }

    void Backup(bool softCompression, bool append = false) {
        m_session->Settings.BackupList = {m_source};
        m_session->Settings.SoftCompression = softCompression;
        m_session->Settings.Append = append;
        RunBackup(*m_session);
        ASSERT_FALSE(m_session->CancelFlag) << m_op.BoxTexts().join('|').toStdString();
    }

    void Restore(const QStringList& lines) {
        m_session->Settings.RestoreList = lines;
        RunRestore(*m_session);
        EXPECT_EQ(m_op.BusyModes.back(), false);
        EXPECT_TRUE(FilesBelow(m_session->Paths.WorkDirectory).isEmpty())
            << FilesBelow(m_session->Paths.WorkDirectory).join(' ').toStdString();
    }

    // The source as it was restored below the target.
    QString Restored(const QString& relative) const {
        return m_target + m_source.mid(1) + relative;
    }

    void ExpectRestoredAsBackedUp(const std::vector<SourceFile>& files) {
        for (const SourceFile& file : files) {
            SCOPED_TRACE(file.Relative.toStdString());
            EXPECT_EQ(ReadAll(Restored(file.Relative)), file.Data);
            EXPECT_EQ(QFileInfo(Restored(file.Relative)).lastModified(),
                      QFileInfo(m_source + file.Relative).lastModified());
        }
        EXPECT_EQ(FilesBelow(m_target + m_source.mid(1)).size(), qsizetype(files.size()));
    }

    TempHome m_home;
    ScriptedOperator m_op;
    std::shared_ptr<VirtualTapeLibrary> m_library;
    std::unique_ptr<Autoloader> m_loader;
    std::unique_ptr<Session> m_session;
    const QString m_source = m_home.File("source/");
    const QString m_target = m_home.File("restore/");
};

// Plain and soft-compressed backups.
class RoundTripTest : public EndToEndTest, public ::testing::WithParamInterface<bool> {};

TEST_P(RoundTripTest, BackupThenRestoreGivesBackEveryFileOnOneTape) {
    SetUpLibrary(32768 * 1000);
    const auto files = SourceTree(200000);
    MakeSource(files);
    Backup(GetParam());
    Restore({m_source});
    ExpectRestoredAsBackedUp(files);
    EXPECT_TRUE(m_op.ProtocolLines.contains(QString::number(files.size()) + " Files proceded."));
    EXPECT_TRUE(m_op.TapeRequests.empty());
}

TEST_P(RoundTripTest, ASetOfThreeTapesIsReadInOrderFromTapeOne) {
    // 20 blocks per tape, 19 of them data: the random file alone fills more than two tapes.
    SetUpLibrary(32768 * 30);
    const auto files = SourceTree(1400000);
    MakeSource(files);
    Backup(GetParam());
    ASSERT_EQ(m_library->Cartridges().size(), 3u);
    ASSERT_EQ(m_session->CurrentTapeDescription.TapeNumber, 3) << "the backup ends on tape 3";
    m_op.TapeRequests.clear();

    Restore({m_source});
    ExpectRestoredAsBackedUp(files);
    std::vector<int> asked;
    for (const TapeRequest& request : m_op.TapeRequests) {
        EXPECT_EQ(request.Kind, TapeRequestKind::TapeOfSet);
        asked.push_back(request.TapeNumber);
    }
    EXPECT_EQ(asked, (std::vector<int>{1, 2, 3}));
    EXPECT_TRUE(m_op.BoxTexts().contains(
        "Please insert Tape 1 of the current Tape Set and press then ok!"));
    EXPECT_TRUE(m_op.BoxTexts().contains("Tape at end! Please insert Tape 2 and press then ok!"));

    // The catalog is found on the last tape, the sequential scan starts again at tape 1.
    const auto fast = LoadCatalogFast(*m_session);
    const auto sequential = LoadCatalogSequential(*m_session);
    ASSERT_EQ(fast->FileCount(), files.size());
    EXPECT_EQ(fast->FilePaths(), sequential->FilePaths());

    // The scan ended on tape 3: the verify first asks for tape 1.
    m_op.TapeRequests.clear();
    const VerifyResult verified = VerifyTape(*m_session);
    ASSERT_EQ(m_op.TapeRequests.size(), 3u);
    EXPECT_EQ(m_op.TapeRequests.front().TapeNumber, 1);
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
    Restore({m_source + "text/lines.txt", m_source + "with space/"});
    EXPECT_EQ(ReadAll(Restored("text/lines.txt")), QByteArray(50000, 'l'));
    EXPECT_EQ(ReadAll(Restored("with space/file name.txt")), QByteArray("blanks"));
    EXPECT_EQ(FilesBelow(m_target + m_source.mid(1)).size(), 2);
    EXPECT_FALSE(m_op.ProtocolLines.join("\n").contains("Error:"));
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
    Restore({m_source});
    ExpectRestoredAsBackedUp(files);
    const VerifyResult verified = VerifyTape(*m_session);
    EXPECT_EQ(verified.VerifiedOk, int(files.size()));
    EXPECT_EQ(verified.VerifiedDefect, 0);
    EXPECT_EQ(LoadCatalogFast(*m_session)->FileCount(), files.size());
    EXPECT_EQ(LoadCatalogSequential(*m_session)->FileCount(), files.size());
}

// Plain and compressed records give the file back with the permissions it had.
TEST_P(RoundTripTest, RestoredFilesKeepTheirPermissions) {
    SetUpLibrary(32768 * 1000);
    using P = QFile::Permission;
    const QFile::Permissions owner = P::ReadOwner | P::WriteOwner;
    const struct {
        const char* Name;
        QFile::Permissions Permissions;
    } cases[] = {
        {"private.txt", owner},
        {"group-readable.txt", owner | P::ReadGroup},
        {"program.sh", owner | P::ExeOwner | P::ReadGroup | P::ExeGroup | P::ExeOther},
        {"public.txt", owner | P::ReadGroup | P::ReadOther},
    };
    for (const auto& c : cases) {
        WriteFile(m_source + c.Name, QByteArray(3000, 'p'));
        QFile::setPermissions(m_source + c.Name, c.Permissions);
    }
    Backup(GetParam());
    Restore({m_source});
    for (const auto& c : cases) {
        // QFile's user flags mirror the owner's bits.
        const QFile::Permissions restored =
            QFileInfo(Restored(c.Name)).permissions() & ~(P::ReadUser | P::WriteUser | P::ExeUser);
        EXPECT_EQ(restored, c.Permissions) << c.Name;
    }
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
    Restore({m_source});
    ExpectRestoredAsBackedUp(files);
    const VerifyResult verified = VerifyTape(*m_session);
    EXPECT_EQ(verified.VerifiedOk, 2);
    EXPECT_EQ(verified.VerifiedDefect, 0);
    EXPECT_FALSE(QFile::exists(m_session->Paths.SoftCompressionArchivePath));
}

// Many small files around one of 1 MiB.
std::vector<SourceFile> SmallFilesAroundABigOne() {
    std::vector<SourceFile> files;
    for (int i = 0; i < 600; ++i)
        files.push_back({QStringLiteral("d%1/f%2.txt").arg(i / 50).arg(i),
                         QByteArray(1000 + (i * 37) % 3000, char('a' + i % 26))});
    files.insert(files.begin() + 300, {"d6/big.bin", RandomBytes(1024 * 1024, 11)});
    return files;
}

// With the catalog this program kept for the set, a restore of a few files goes straight to
// them: it reads the file and a few blocks around it, not the set.
TEST_F(EndToEndTest, OneFileOfManyIsReadFromItsPlaceAlone) {
    SetUpLibrary(32768 * 1000);
    const auto files = SmallFilesAroundABigOne();
    MakeSource(files);
    Backup(false);
    const int64_t before = m_library->BytesRead();
    Restore({m_source + "d6/big.bin", m_source + "d11/f599.txt"});
    EXPECT_EQ(ReadAll(Restored("d6/big.bin")), files[300].Data);
    EXPECT_EQ(ReadAll(Restored("d11/f599.txt")), files.back().Data);
    EXPECT_EQ(FilesBelow(m_target + m_source.mid(1)).size(), 2);
    const int64_t read = m_library->BytesRead() - before;
    EXPECT_LE(read, 1024 * 1024 + 5 * 32768) << "bytes read from the cartridge";
    EXPECT_FALSE(m_op.ProtocolLines.join("\n").contains("catalog's place"));
}

// Every place from the kept catalog is checked against the header found there; a place that
// does not hold its record sends the restore back to walking the set, which still finds it.
TEST_F(EndToEndTest, APlaceThatDoesNotHoldItsRecordFallsBackToTheWalk) {
    SetUpLibrary(32768 * 1000);
    const auto files = SmallFilesAroundABigOne();
    MakeSource(files);
    Backup(false);
    QFile kept(m_session->Paths.KeptCatalogPath);
    ASSERT_TRUE(kept.open(QIODevice::ReadWrite));
    QByteArray catalog = kept.readAll();
    const qsizetype big = catalog.indexOf(QFile::encodeName(m_source + "d6/big.bin") + '\0');
    ASSERT_GT(big, 0);
    // The end of the record before is the place of the big file: move it by a few bytes.
    catalog[big - 17] = char(catalog[big - 17] + 7); // the path follows its length byte
    ASSERT_TRUE(kept.seek(0));
    kept.write(catalog);
    kept.close();

    Restore({m_source + "d0/f3.txt", m_source + "d6/big.bin"});
    EXPECT_EQ(ReadAll(Restored("d0/f3.txt")), files[3].Data);
    EXPECT_EQ(ReadAll(Restored("d6/big.bin")), files[300].Data);
    EXPECT_EQ(FilesBelow(m_target + m_source.mid(1)).size(), 2);
    EXPECT_TRUE(m_op.ProtocolLines.contains("The catalog's place of " + m_source +
                                            "d6/big.bin does not hold it: the set is read from "
                                            "its start."))
        << m_op.ProtocolLines.join("\n").toStdString();
    EXPECT_FALSE(m_session->CancelFlag);
}

// On a set of several tapes the restore asks for the tape the file lies on, and no other. (A
// file longer than a whole tape hides a tape change from the catalog: the check of the header
// then sends the restore to the walk, as above.)
TEST_F(EndToEndTest, AJumpToAFileOnALaterTapeAsksForThatTape) {
    SetUpLibrary(32768 * 30); // 19 data blocks a tape
    std::vector<SourceFile> files;
    for (int i = 0; i < 8; ++i)
        files.push_back({QStringLiteral("part%1.bin").arg(i), RandomBytes(300000, 20 + i)});
    MakeSource(files);
    Backup(false);
    const int lastTape = m_session->CurrentTapeDescription.TapeNumber;
    ASSERT_GE(lastTape, 4);
    // The last record written lies on the last tape or the one before.
    QFile kept(m_session->Paths.KeptCatalogPath);
    ASSERT_TRUE(kept.open(QIODevice::ReadOnly));
    ASSERT_TRUE(kept.seek(kept.size() - 272));
    const QByteArray last = CatalogRecord::Decode(kept.read(272).constData()).Path;
    const QString relative = QFile::decodeName(last).mid(m_source.size());
    m_op.TapeRequests.clear();

    Restore({QFile::decodeName(last)});
    const auto file = std::find_if(files.begin(), files.end(),
                                   [&](const SourceFile& f) { return f.Relative == relative; });
    ASSERT_NE(file, files.end()) << relative.toStdString();
    EXPECT_EQ(ReadAll(Restored(relative)), file->Data);
    std::vector<int> asked;
    for (const TapeRequest& request : m_op.TapeRequests)
        asked.push_back(request.TapeNumber);
    ASSERT_EQ(asked.size(), 2u) << "tape 1, then the file's own";
    EXPECT_EQ(asked.front(), 1);
    EXPECT_GE(asked.back(), lastTape - 1);
    EXPECT_FALSE(m_op.ProtocolLines.join("\n").contains("catalog's place"));
}

TEST_F(EndToEndTest, FastAndSequentialCatalogListTheSamePathsOnce) {
    SetUpLibrary(32768 * 1000);
    const auto files = SourceTree(1000);
    MakeSource(files);
    Backup(true);
    Backup(true, true); // every file twice on the appended set

    const auto fast = LoadCatalogFast(*m_session);
    const auto sequential = LoadCatalogSequential(*m_session);
    std::vector<QByteArray> expected;
    for (const SourceFile& file : files)
        expected.push_back(QFile::encodeName(m_source + file.Relative));
    std::sort(expected.begin(), expected.end());
    std::vector<QByteArray> listed = fast->FilePaths();
    std::sort(listed.begin(), listed.end());
    EXPECT_EQ(listed, expected);
    EXPECT_EQ(sequential->FilePaths(), fast->FilePaths());
}

TEST_F(EndToEndTest, AFileBackedUpTwiceRestoresByTheOverwriteRule) {
    SetUpLibrary(32768 * 1000);
    const QString file = m_source + "twice.txt";
    WriteFile(file, "first");
    Backup(false);
    WriteFile(file, "second, longer");
    Backup(false, true);

    struct Case {
        int Option;
        QByteArray Expected;
    };
    for (const Case& c : {Case{2, "second, longer"}, Case{1, "first"}}) {
        QDir(m_target).removeRecursively();
        m_session->Settings.RestoreOption = c.Option;
        m_op.ProtocolLines.clear();
        Restore({file});
        EXPECT_EQ(ReadAll(Restored("twice.txt")), c.Expected) << "option " << c.Option;
        EXPECT_TRUE(
            m_op.ProtocolLines.contains(c.Option == 2 ? "2 Files proceded." : "1 Files proceded."));
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
    WriteFile(m_source + "changed.txt", QByteArray(2999, 'c') + 'X');
    WriteFile(m_source + "resized.txt", QByteArray(5000, 'r'));
    WriteFile(m_source + "within-a-kib.txt", QByteArray(3001, 'w'));
    QFile::remove(m_source + "deleted.txt");

    m_session->Settings.ShortProtocol = true;
    const VerifyResult result = VerifyTape(*m_session);
    EXPECT_TRUE(result.Verified);
    EXPECT_EQ(result.VerifiedOk, 2);
    EXPECT_EQ(result.VerifiedDefect, 4);
    const QStringList& memo = m_op.VerifyLines;
    const QString work = m_session->Paths.WorkDirectory;
    EXPECT_TRUE(memo.contains(m_source + "same.txt   OK"));
    EXPECT_TRUE(memo.contains(m_source + "empty.txt   OK"));
    EXPECT_TRUE(memo.contains("Error in File:  " + m_source + "changed.txt"));
    EXPECT_TRUE(memo.contains("Error with filesize " + m_source + "resized.txt <4> / " + work +
                              "resized.txt <2>"));
    EXPECT_TRUE(memo.contains("Error in File:  " + m_source + "within-a-kib.txt"));
    EXPECT_TRUE(memo.contains("Error in File " + m_source + "deleted.txt or File not exists !"));
    EXPECT_TRUE(memo.first().startsWith("Verify startet at: "));
    const QStringList summary = memo.mid(memo.size() - 8, 5);
    EXPECT_EQ(summary, QStringList({"", "0 MB Tape Data", "6 Files checked", "2 Files OK",
                                    "4 Files Defect"}));
    EXPECT_FALSE(memo.join('\n').contains("orvane catalog.dat"));
    // The short protocol keeps the OK lines out of the protocol, never the errors.
    EXPECT_FALSE(m_op.ProtocolLines.contains(m_source + "same.txt   OK"));
    EXPECT_TRUE(m_op.ProtocolLines.contains("Error in File:  " + m_source + "changed.txt"));
    EXPECT_TRUE(m_op.ProtocolLines.contains("4 Files Defect"));
    EXPECT_EQ(m_op.BusyModes.back(), false);
    EXPECT_TRUE(FilesBelow(work).isEmpty()) << FilesBelow(work).join(' ').toStdString();
}

TEST_F(EndToEndTest, VerifyAfterBackupRunsThroughTheBackupsStep) {
    SetUpLibrary(32768 * 1000);
    MakeSource({{"a.txt", "a"}, {"b.txt", "b"}});
    m_session->Settings.BackupList = {m_source};
    m_session->Settings.VerifyAfterBackup = true;
    BackupRunSteps steps;
    steps.VerifyBackup = VerifyAfterBackupStep(*m_session);
    RunBackup(*m_session, steps);
    EXPECT_TRUE(m_op.VerifyLines.contains("2 Files OK"));
    EXPECT_TRUE(m_op.ProtocolLines.contains("2 Files checked"));
}

} // namespace
