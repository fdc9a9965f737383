#include "archive/backup_file_record.h"
#include "archive/backup_inclusion.h"
#include "archive/backup_writer_fixture.h"
#include "jobs/backup_run.h"
#include "platform/protocol_log.h"
#include "platform/result_code.h"

#include <QFileInfo>
#include <QProcess>
#include <QRegularExpression>
#include <QStandardPaths>
#include <gtest/gtest.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

using namespace orvane;
using namespace orvane::test;

namespace {

QStringList RecordPaths(const IndependentTapeReader::TapeSet& set) {
    QStringList paths;
    for (const auto& record : set.records)
        paths << QFile::decodeName(record.path);
    return paths;
}

QString Line(const QString& what, const QString& path, qint64 size) {
    return what + path + KBytesText(size);
}

class BackupWriterTest : public ::testing::Test {
protected:
    BackupFixture fixture;
    Session& session = fixture.S();
    BackupOperator& op = fixture.op;
};

TEST_F(BackupWriterTest, SpecialEntriesAreSkippedNeverFollowedOrOpened) {
    const QString kept = fixture.MakeFile("dir/kept.txt", "kept");
    fixture.MakeFile("elsewhere/target.txt", "target");
    const QString fileLink = fixture.Source("dir/file-link");
    const QString dirLink = fixture.Source("dir/dir-link");
    const QString fifo = fixture.Source("dir/fifo");
    const QString socketPath = fixture.Source("dir/socket");
    ASSERT_EQ(::symlink(qPrintable(fixture.Source("elsewhere/target.txt")), qPrintable(fileLink)),
              0);
    ASSERT_EQ(::symlink(qPrintable(fixture.Source("elsewhere")), qPrintable(dirLink)), 0);
    ASSERT_EQ(::mkfifo(qPrintable(fifo), 0644), 0); // opening it for reading would hang
    const int sock = ::socket(AF_UNIX, SOCK_STREAM, 0);
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    std::strncpy(address.sun_path, qPrintable(socketPath), sizeof address.sun_path - 1);
    ASSERT_EQ(::bind(sock, reinterpret_cast<sockaddr*>(&address), sizeof address), 0);

    fixture.Backup({fixture.Source("dir/"), fileLink, fixture.Source("missing.txt"),
                    fixture.Source("no-such-dir/")});
    ::close(sock);

    EXPECT_EQ(RecordPaths(fixture.Parse()), QStringList({kept, session.paths.CatalogFilePath}));
    const QStringList skipped = op.LinesStartingWith("Skipped: ");
    EXPECT_EQ(skipped,
              QStringList({Line("Skipped: ", dirLink, 0), Line("Skipped: ", fifo, 0),
                           Line("Skipped: ", fileLink, 0), Line("Skipped: ", socketPath, 0),
                           Line("Skipped: ", fileLink, 0),
                           Line("Skipped: ", fixture.Source("missing.txt"), 0),
                           Line("Skipped: ", fixture.Source("no-such-dir/"), 0)}));
    EXPECT_EQ(op.Shown(op.backupReports, &BackupProgress::Skipped), 7);
    EXPECT_FALSE(session.CancelFlag) << "skipped files do not fail the run";
}

TEST_F(BackupWriterTest, APathLongerThan255BytesIsSkippedWithItsFullPath) {
    const QString deep = fixture.Source(QString(120, 'd') + "/" + QString(120, 'e') + "/");
    const QString longFile =
        fixture.MakeFile(deep.mid(fixture.Source().size()) + "long.txt", QByteArray(3000, 'l'));
    const QString shortFile = fixture.MakeFile("short.txt", "s");
    ASSERT_GT(QFile::encodeName(longFile).size(), 255);

    fixture.Backup({fixture.Source()});

    EXPECT_EQ(RecordPaths(fixture.Parse()),
              QStringList({shortFile, session.paths.CatalogFilePath}));
    EXPECT_EQ(op.LinesStartingWith("Skipped: "), QStringList({Line("Skipped: ", longFile, 3000)}));
    EXPECT_EQ(op.Shown(op.backupReports, &BackupProgress::Skipped), 1);
}

// Deeper than the walk holds directories open, it goes on by path.
TEST_F(BackupWriterTest, AVeryDeepTreeIsWalkedToItsBottom) {
    QString relative;
    for (int level = 0; level < 300; ++level)
        relative += "d/";
    const QString bottom = fixture.MakeFile(relative + "bottom.txt", QByteArray(2048, 'b'));
    const QString top = fixture.MakeFile("top.txt", "t");

    fixture.Backup({fixture.Source()});

    EXPECT_EQ(RecordPaths(fixture.Parse()), QStringList({top, session.paths.CatalogFilePath}));
    EXPECT_EQ(op.LinesStartingWith("Skipped: "), QStringList({Line("Skipped: ", bottom, 2048)}));
}

TEST_F(BackupWriterTest, ExcludedPrefixesAndWorkFilesAreNotWritten) {
    const QString kept = fixture.MakeFile("data/a.txt", "a");
    const QString inTmp = fixture.MakeFile("data/tmp/x", "x");
    const QString tmpFile = fixture.MakeFile("data/tmpfile", "tmp");
    const QString otherCase = fixture.MakeFile("data/TMP", "upper case is another name");
    const QString stray = session.paths.WorkDirectory + "stray.tmp";
    QFile(stray).open(QIODevice::WriteOnly);
    session.settings.ExcludeList = {fixture.Source("data/tmp")};

    // The program directory holds the work files and the tape library itself.
    fixture.Backup({fixture.Source(), session.paths.ProgramDirectory});

    const QStringList written = RecordPaths(fixture.Parse());
    EXPECT_EQ(written.mid(0, 2), QStringList({otherCase, kept}));
    EXPECT_FALSE(written.contains(inTmp));
    EXPECT_FALSE(written.contains(tmpFile));
    EXPECT_FALSE(written.contains(stray));
    for (const QString& path : written)
        EXPECT_FALSE(path.startsWith(fixture.home.libraryDir())) << path.toStdString();
    const QStringList excluded = op.LinesStartingWith("Excluded: ");
    EXPECT_TRUE(excluded.contains(Line("Excluded: ", inTmp, 0)));
    EXPECT_TRUE(excluded.contains(Line("Excluded: ", tmpFile, 0)));
    EXPECT_TRUE(excluded.contains(Line("Excluded: ", stray, 0)));
    EXPECT_EQ(written.last(), session.paths.CatalogFilePath);
}

TEST(BackupInclusion, TheWorkDirectoryRuleKeepsOnlyTheCatalogAndTheDescriptionFile) {
    BackupFixture fixture;
    const ProgramPaths& paths = fixture.S().paths;
    BackupWriterState state({"/data/tmp", "", "/Data/"}, true);
    const std::vector<std::pair<QString, bool>> cases = {
        {paths.CatalogFilePath, true},
        {paths.TapeHeaderPath, true},
        {paths.SoftCompressionArchivePath, false},
        {paths.WorkDirectory + "anything", false},
        {fixture.home.libraryDir() + "/t1.vtape", false},
        {"/data/tmp", false},
        {"/data/tmp/x", false},
        {"/data/tmpfile", false},
        {"/data/Tmp/x", true},
        {"/Data/a", false},
        {"/data/a", true},
        {"/backup" + paths.WorkDirectory + "copy", true},
    };
    for (const auto& [path, included] : cases)
        EXPECT_EQ(IsIncluded(fixture.S(), state, QFile::encodeName(path)), included)
            << path.toStdString();
}

TEST(BackupInclusion, OnlyTheCatalogAndFillerRecordsAreWorkFileRecords) {
    EXPECT_TRUE(IsWorkFileRecord("/home/u/.local/share/orvane/worker/orvane catalog.dat"));
    EXPECT_TRUE(IsWorkFileRecord("/opt/orvane/worker/orvane filler.dat"));
    EXPECT_TRUE(IsWorkFileRecord("c:\\orvane\\worker\\orvane catalog.dat"));
    EXPECT_FALSE(IsWorkFileRecord("/data/orvane catalog.dat.bak"));
    EXPECT_FALSE(IsWorkFileRecord("/data/header.tap"));
}

TEST_F(BackupWriterTest, ShortProtocolKeepsOnlyTheErrorLines) {
    const QString a = fixture.MakeFile("a.txt", QByteArray(5000, 'a'));
    const QString b = fixture.MakeFile("b.txt", "b");
    const QString link = fixture.Source("link");
    ASSERT_EQ(::symlink("a.txt", qPrintable(link)), 0);
    session.settings.ExcludeList = {b};

    for (const bool shortProtocol : {false, true}) {
        op.protocolLines.clear();
        session.settings.ShortProtocol = shortProtocol;
        fixture.Backup({fixture.Source()});
        EXPECT_EQ(op.protocolLines.contains(Line("", a, 5000)), !shortProtocol);
        EXPECT_EQ(op.protocolLines.contains(Line("", session.paths.CatalogFilePath, 0)),
                  !shortProtocol);
        EXPECT_EQ(op.protocolLines.contains(Line("Excluded: ", b, 1)), !shortProtocol);
        EXPECT_TRUE(op.protocolLines.contains(Line("Skipped: ", link, 0)));
    }
}

TEST_F(BackupWriterTest, AFileThatChangesWhileItIsWrittenKeepsTheStreamWhole) {
    const QString shrinks = fixture.MakeFile("1-shrinks", Pattern(100000, 1));
    const QString grows = fixture.MakeFile("2-grows", Pattern(50000, 2));
    const QString vanishes = fixture.MakeFile("3-vanishes", "gone before it is opened");
    const QString after = fixture.MakeFile("4-after", Pattern(40000, 4));
    session.settings.ShortProtocol = true;
    op.onStatus = [&](const QString& status) {
        // The length is taken when the file is opened, before this status; the data follows.
        if (status.contains(shrinks + " <")) {
            QFile::resize(shrinks, 40000);
            QFile::remove(vanishes);
        } else if (status.contains(grows + " <")) {
            QFile file(grows);
            file.open(QIODevice::Append);
            file.write(QByteArray(70000, 'g'));
        }
    };

    fixture.Backup({fixture.Source()});

    const auto set = fixture.Parse();
    ASSERT_TRUE(set.error.isEmpty()) << set.error.toStdString();
    ASSERT_EQ(RecordPaths(set),
              QStringList({shrinks, grows, after, session.paths.CatalogFilePath}));
    EXPECT_EQ(set.records[0].length, 100000u);
    EXPECT_EQ(set.records[0].data, Pattern(40000, 1) + QByteArray(60000, '\0'));
    EXPECT_EQ(set.records[1].length, 50000u);
    EXPECT_EQ(set.records[1].data, Pattern(50000, 2));
    EXPECT_EQ(set.records[2].data, Pattern(40000, 4)) << "the next record lies where it should";
    EXPECT_EQ(op.LinesStartingWith("Changed during backup"),
              QStringList({Line("Changed during backup, padded with zeros: ", shrinks, 100000),
                           Line("Changed during backup, cut: ", grows, 50000)}));
    EXPECT_EQ(op.LinesStartingWith("Skipped: "), QStringList({Line("Skipped: ", vanishes, 0)}));
    const auto catalog = IndependentTapeReader::ParseCatalog(set.records[3].data);
    ASSERT_EQ(catalog.size(), 3u);
    EXPECT_EQ(catalog[2].block, set.records[2].afterData.block);
    EXPECT_EQ(catalog[2].offset, set.records[2].afterData.offset);
}

TEST_F(BackupWriterTest, AnUnreadableFileIsSkippedAndTheRunGoesOn) {
    if (::geteuid() == 0)
        GTEST_SKIP() << "permissions do not stop the superuser";
    const QString locked = fixture.MakeFile("a-locked", "secret");
    const QString open = fixture.MakeFile("b-open", "open");
    QFile::setPermissions(locked, QFileDevice::Permissions());
    fixture.Backup({fixture.Source()});
    EXPECT_EQ(RecordPaths(fixture.Parse()), QStringList({open, session.paths.CatalogFilePath}));
    EXPECT_EQ(op.LinesStartingWith("Skipped: "), QStringList({Line("Skipped: ", locked, 0)}));
}

TEST_F(BackupWriterTest, SoftCompressionStoresZipArchivesThatTestClean) {
    if (QStandardPaths::findExecutable("unzip").isEmpty())
        GTEST_SKIP() << "unzip is not installed";
    const QString text = fixture.MakeFile("notes.txt", QByteArray(200000, 'n'));
    const QString picture = fixture.MakeFile("photo.png", Pattern(30000, 9));
    const QString empty = fixture.MakeFile("zero.txt", "");
    session.settings.SoftCompression = true;

    fixture.Backup({fixture.Source()});

    const auto set = fixture.Parse();
    ASSERT_TRUE(set.error.isEmpty()) << set.error.toStdString();
    ASSERT_EQ(RecordPaths(set), QStringList({text, picture, empty, session.paths.CatalogFilePath}));
    EXPECT_FALSE(set.records[2].compressed) << "an empty file has nothing to pack";
    EXPECT_EQ(set.records[2].length, 0u);
    const QStringList methods = {"Defl", "Stored", "", "Defl"};
    for (size_t i : {0, 1, 3}) {
        const auto& record = set.records[i];
        EXPECT_TRUE(record.compressed) << i;
        const QString archive = fixture.home.file(QStringLiteral("record%1.zip").arg(i));
        QFile file(archive);
        file.open(QIODevice::WriteOnly);
        file.write(record.data);
        file.close();
        QProcess test;
        test.start("unzip", {"-tq", archive});
        test.waitForFinished();
        EXPECT_EQ(test.exitCode(), 0) << i << test.readAllStandardOutput().toStdString();
        QProcess list;
        list.start("unzip", {"-v", archive});
        list.waitForFinished();
        const QString listing = QString::fromUtf8(list.readAllStandardOutput());
        EXPECT_TRUE(listing.contains(methods[qsizetype(i)])) << listing.toStdString();
        EXPECT_TRUE(listing.contains(QFileInfo(set.records[i].path).fileName()));
    }
    EXPECT_LT(set.records[0].length, 200000u / 10);
    EXPECT_EQ(session.counters.SourceBytes, 200000 + 30000 + 3 * 272);
    EXPECT_EQ(session.counters.TapeBytes, int64_t(4 * 296 + set.records[0].length +
                                                  set.records[1].length + set.records[3].length));
    EXPECT_FALSE(QFile::exists(session.paths.SoftCompressionArchivePath));
}

TEST_F(BackupWriterTest, TheDisplaysFollowTheRun) {
    for (int i = 0; i < 10; ++i)
        fixture.MakeFile(QStringLiteral("f%1").arg(i), QByteArray(300000, char('a' + i)));
    const QString excluded = fixture.MakeFile("x-excluded", "x");
    session.settings.ExcludeList = {excluded};

    fixture.Backup({fixture.Source()});

    const auto history = [this](auto counter) { return op.History(op.backupReports, counter); };
    EXPECT_EQ(history(&BackupProgress::Files), std::vector<int64_t>({0, 5, 10, 11}))
        << "every fifth file, then the exact count with the catalog";
    EXPECT_EQ(history(&BackupProgress::SourceMiB), std::vector<int64_t>({0, 1, 2}));
    EXPECT_EQ(history(&BackupProgress::Skipped), std::vector<int64_t>({0, 1}));
    EXPECT_EQ(history(&BackupProgress::TapeMiB).back(), (10 * (300000 + 296) + 296 + 2720) >> 20);
    const double rate = op.Shown(op.backupReports, &BackupProgress::Rate).value_or(0);
    EXPECT_GT(rate, 0) << "MB/s: the 2 MB shown over at least one second";
    EXPECT_LE(rate, 2);
    EXPECT_EQ(session.counters.FileCount, 11);
}

TEST(BackupRate, IsCutToTwoDecimals) {
    const std::vector<std::tuple<int64_t, int64_t, double>> cases = {
        {3, 1, 3.0}, {10, 3, 3.33}, {29, 100, 0.29}, {2, 3, 0.66}, {0, 1, 0.0}, {5, 0, 5.0}};
    for (const auto& [megabytes, seconds, rate] : cases)
        EXPECT_EQ(CutRate(megabytes, seconds), rate) << megabytes << "/" << seconds;
}

TEST_F(BackupWriterTest, CancelInTheMiddleStillSealsTheTape) {
    QStringList files;
    for (int i = 0; i < 6; ++i)
        files << fixture.MakeFile(QStringLiteral("f%1").arg(i), Pattern(40000, i));
    op.onStatus = [&](const QString& status) {
        if (status.contains(files[2] + " <")) {
            op.answers.push_back(MessageAnswer::Yes);
            ConfirmCancel(op, session.CancelFlag);
        }
    };

    fixture.Backup({fixture.Source(), fixture.Source("f5")});

    EXPECT_TRUE(session.CancelFlag) << "raised again after the catalog went to tape";
    EXPECT_TRUE(op.boxTexts().contains("canceld."));
    const auto set = fixture.Parse();
    ASSERT_TRUE(set.error.isEmpty()) << set.error.toStdString();
    ASSERT_TRUE(set.endMarkerFound);
    EXPECT_EQ(RecordPaths(set),
              QStringList({files[0], files[1], files[2], session.paths.CatalogFilePath}))
        << "the file being written is finished, nothing after it";
    EXPECT_EQ(IndependentTapeReader::ParseCatalog(set.records[3].data).size(), 3u);
    EXPECT_EQ(set.catalogBlock, set.records[3].header.block);
    EXPECT_EQ(set.catalogOffset, set.records[3].header.offset);
}

TEST_F(BackupWriterTest, AMissingMediumWritesNothingAndEndsWithTheSummary) {
    fixture.MakeFile("a.txt", "a");
    fixture.library->eject();
    fixture.Backup({fixture.Source()});

    EXPECT_TRUE(session.CancelFlag);
    EXPECT_EQ(QFileInfo(fixture.library->imagePath("t1")).size(), 0);
    const QStringList& lines = op.protocolLines;
    const qsizetype error = lines.indexOf(QRegularExpression(
        "^Error: .* : " + QRegularExpression::escape(SystemMessage(ResultCode::NoMediaInDrive))));
    ASSERT_GE(error, 0) << lines.join('\n').toStdString();
    EXPECT_EQ(lines.at(error - 2), ProtocolLog::Separator());
    EXPECT_EQ(lines.at(error + 1), ProtocolLog::Separator());
    EXPECT_TRUE(lines.contains("0 Files proceded."));
    EXPECT_TRUE(lines.last().startsWith("Backup finished at: "));
    EXPECT_TRUE(op.boxTexts().contains(SystemMessage(ResultCode::NoMediaInDrive)));
}

} // namespace
