#include "archive/backup_file_record.h"
#include "archive/backup_inclusion.h"
#include "archive/backup_writer_fixture.h"
#include "jobs/backup_run.h"
#include "platform/protocol_log.h"
#include "platform/result_code.h"
#include "tape/tape_access.h"

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
    for (const auto& record : set.Records)
        paths << QFile::decodeName(record.Path);
    return paths;
}

QString Line(const QString& what, const QString& path, qint64 size) {
    return what + path + KBytesText(size);
}

class BackupWriterTest : public ::testing::Test {
protected:
    BackupFixture m_fixture;
    Session& m_session = m_fixture.S();
    BackupOperator& m_op = m_fixture.Op;
};

TEST_F(BackupWriterTest, LinksAreKeptOtherSpecialEntriesSkippedNoneFollowedOrOpened) {
    const QString kept = m_fixture.MakeFile("dir/kept.txt", "kept");
    m_fixture.MakeFile("elsewhere/target.txt", "target");
    const QString fileLink = m_fixture.Source("dir/file-link");
    const QString dirLink = m_fixture.Source("dir/dir-link");
    const QString fifo = m_fixture.Source("dir/fifo");
    const QString socketPath = m_fixture.Source("dir/socket");
    ASSERT_EQ(::symlink(qPrintable(m_fixture.Source("elsewhere/target.txt")), qPrintable(fileLink)),
              0);
    ASSERT_EQ(::symlink(qPrintable(m_fixture.Source("elsewhere")), qPrintable(dirLink)), 0);
    ASSERT_EQ(::mkfifo(qPrintable(fifo), 0644), 0); // opening it for reading would hang
    const int sock = ::socket(AF_UNIX, SOCK_STREAM, 0);
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    std::strncpy(address.sun_path, qPrintable(socketPath), sizeof address.sun_path - 1);
    ASSERT_EQ(::bind(sock, reinterpret_cast<sockaddr*>(&address), sizeof address), 0);

    m_fixture.Backup({m_fixture.Source("dir/"), fileLink, m_fixture.Source("missing.txt"),
                      m_fixture.Source("no-such-dir/")});
    ::close(sock);

    EXPECT_EQ(RecordPaths(m_fixture.Parse()), QStringList({kept, m_session.Paths.CatalogFilePath}));
    const QStringList skipped = m_op.LinesStartingWith("Skipped: ");
    EXPECT_EQ(skipped, QStringList({Line("Skipped: ", fifo, 0), Line("Skipped: ", socketPath, 0)}));
    EXPECT_EQ(m_op.LinesStartingWith("Not found: "),
              QStringList({"Not found: " + m_fixture.Source("missing.txt"),
                           "Not found: " + m_fixture.Source("no-such-dir/")}));
    EXPECT_EQ(m_op.Shown(m_op.BackupReports, &BackupProgress::Skipped), 4);
    EXPECT_FALSE(m_session.CancelFlag) << "skipped files do not fail the run";
    // The links have no file record: they are kept as links in the set's metadata.
    const auto set = m_fixture.Parse();
    ASSERT_EQ(set.MetadataRecords.size(), 1u);
    EXPECT_TRUE(set.MetadataRecords[0].Data.contains(fileLink.toUtf8()));
    EXPECT_TRUE(set.MetadataRecords[0].Data.contains(dirLink.toUtf8()));
}

TEST_F(BackupWriterTest, APathLongerThan255BytesIsSkippedWithItsFullPath) {
    const QString deep = m_fixture.Source(QString(120, 'd') + "/" + QString(120, 'e') + "/");
    const QString longFile =
        m_fixture.MakeFile(deep.mid(m_fixture.Source().size()) + "long.txt", QByteArray(3000, 'l'));
    const QString shortFile = m_fixture.MakeFile("short.txt", "s");
    ASSERT_GT(QFile::encodeName(longFile).size(), 255);

    m_fixture.Backup({m_fixture.Source()});

    EXPECT_EQ(RecordPaths(m_fixture.Parse()),
              QStringList({shortFile, m_session.Paths.CatalogFilePath}));
    EXPECT_EQ(m_op.LinesStartingWith("Skipped: "),
              QStringList({Line("Skipped: ", longFile, 3000)}));
    EXPECT_EQ(m_op.Shown(m_op.BackupReports, &BackupProgress::Skipped), 1);
}

// Deeper than the walk holds directories open, it goes on by path.
TEST_F(BackupWriterTest, AVeryDeepTreeIsWalkedToItsBottom) {
    QString relative;
    for (int level = 0; level < 300; ++level)
        relative += "d/";
    const QString bottom = m_fixture.MakeFile(relative + "bottom.txt", QByteArray(2048, 'b'));
    const QString top = m_fixture.MakeFile("top.txt", "t");

    m_fixture.Backup({m_fixture.Source()});

    EXPECT_EQ(RecordPaths(m_fixture.Parse()), QStringList({top, m_session.Paths.CatalogFilePath}));
    EXPECT_EQ(m_op.LinesStartingWith("Skipped: "), QStringList({Line("Skipped: ", bottom, 2048)}));
}

TEST_F(BackupWriterTest, ExcludedPrefixesAndWorkFilesAreNotWritten) {
    const QString kept = m_fixture.MakeFile("data/a.txt", "a");
    const QString inTmp = m_fixture.MakeFile("data/tmp/x", "x");
    const QString tmpFile = m_fixture.MakeFile("data/tmpfile", "tmp");
    const QString otherCase = m_fixture.MakeFile("data/TMP", "upper case is another name");
    const QString stray = m_session.Paths.WorkDirectory + "stray.tmp";
    QFile(stray).open(QIODevice::WriteOnly);
    m_session.Settings.ExcludeList = {m_fixture.Source("data/tmp")};

    // The program directory holds the work files and the tape library itself.
    m_fixture.Backup({m_fixture.Source(), m_session.Paths.ProgramDirectory});

    const QStringList written = RecordPaths(m_fixture.Parse());
    EXPECT_EQ(written.mid(0, 2), QStringList({otherCase, kept}));
    EXPECT_FALSE(written.contains(inTmp));
    EXPECT_FALSE(written.contains(tmpFile));
    EXPECT_FALSE(written.contains(stray));
    for (const QString& path : written)
        EXPECT_FALSE(path.startsWith(m_fixture.Home.LibraryDir())) << path.toStdString();
    const QStringList excluded = m_op.LinesStartingWith("Excluded: ");
    EXPECT_TRUE(excluded.contains(Line("Excluded: ", inTmp, 0)));
    EXPECT_TRUE(excluded.contains(Line("Excluded: ", tmpFile, 0)));
    EXPECT_TRUE(excluded.contains(Line("Excluded: ", stray, 0)));
    EXPECT_EQ(written.last(), m_session.Paths.CatalogFilePath);
}

// The walk never writes the catalog file: the one record of that name a run writes is the last.
TEST(BackupInclusion, TheWorkDirectoryRuleKeepsTheDescriptionFileAndTheCatalogOnlyAtTheEnd) {
    BackupFixture fixture;
    const ProgramPaths& paths = fixture.S().Paths;
    BackupWriterState state({"/data/tmp", "", "/Data/"}, true);
    const std::vector<std::pair<QString, bool>> cases = {
        {paths.CatalogFilePath, false},
        {paths.TapeHeaderPath, true},
        {paths.SoftCompressionArchivePath, false},
        {paths.WorkDirectory + "anything", false},
        {fixture.Home.LibraryDir() + "/t1.vtape", false},
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
    state.WritingCatalog = true;
    EXPECT_TRUE(IsIncluded(fixture.S(), state, QFile::encodeName(paths.CatalogFilePath)));
}

TEST(BackupInclusion, OnlyTheCatalogAndFillerRecordsAreWorkFileRecords) {
    EXPECT_TRUE(IsWorkFileRecord("/home/u/.local/share/orvane/worker/orvane catalog.dat"));
    EXPECT_TRUE(IsWorkFileRecord("/opt/orvane/worker/orvane filler.dat"));
    EXPECT_TRUE(IsWorkFileRecord("c:\\orvane\\worker\\orvane catalog.dat"));
    EXPECT_FALSE(IsWorkFileRecord("/data/orvane catalog.dat.bak"));
    EXPECT_FALSE(IsWorkFileRecord("/data/header.tap"));
}

TEST_F(BackupWriterTest, ShortProtocolKeepsOnlyTheErrorLines) {
    const QString a = m_fixture.MakeFile("a.txt", QByteArray(5000, 'a'));
    const QString b = m_fixture.MakeFile("b.txt", "b");
    const QString link = m_fixture.Source("link");
    ASSERT_EQ(::symlink("a.txt", qPrintable(link)), 0);
    m_session.Settings.ExcludeList = {b};

    for (const bool shortProtocol : {false, true}) {
        m_op.ProtocolLines.clear();
        m_session.Settings.ShortProtocol = shortProtocol;
        m_fixture.Backup({m_fixture.Source()});
        EXPECT_EQ(m_op.ProtocolLines.contains(Line("", a, 5000)), !shortProtocol);
        EXPECT_EQ(m_op.ProtocolLines.contains(Line("", m_session.Paths.CatalogFilePath, 0)),
                  !shortProtocol);
        EXPECT_EQ(m_op.ProtocolLines.contains(Line("Excluded: ", b, 1)), !shortProtocol);
        EXPECT_EQ(m_op.ProtocolLines.contains(link + " -> a.txt"), !shortProtocol);
    }
}

TEST_F(BackupWriterTest, AFileThatChangesWhileItIsWrittenKeepsTheStreamWhole) {
    const QString shrinks = m_fixture.MakeFile("1-shrinks", Pattern(100000, 1));
    const QString grows = m_fixture.MakeFile("2-grows", Pattern(50000, 2));
    const QString vanishes = m_fixture.MakeFile("3-vanishes", "gone before it is opened");
    const QString after = m_fixture.MakeFile("4-after", Pattern(40000, 4));
    m_session.Settings.ShortProtocol = true;
    m_op.OnStatus = [&](const QString& status) {
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

    m_fixture.Backup({m_fixture.Source()});

    const auto set = m_fixture.Parse();
    ASSERT_TRUE(set.Error.isEmpty()) << set.Error.toStdString();
    ASSERT_EQ(RecordPaths(set),
              QStringList({shrinks, grows, after, m_session.Paths.CatalogFilePath}));
    EXPECT_EQ(set.Records[0].Length, 100000u);
    EXPECT_EQ(set.Records[0].Data, Pattern(40000, 1) + QByteArray(60000, '\0'));
    EXPECT_EQ(set.Records[1].Length, 50000u);
    EXPECT_EQ(set.Records[1].Data, Pattern(50000, 2));
    EXPECT_EQ(set.Records[2].Data, Pattern(40000, 4)) << "the next record lies where it should";
    EXPECT_EQ(m_op.LinesStartingWith("Changed during backup"),
              QStringList({Line("Changed during backup, padded with zeros: ", shrinks, 100000),
                           Line("Changed during backup, cut: ", grows, 50000)}));
    EXPECT_EQ(m_op.LinesStartingWith("Skipped: "), QStringList({Line("Skipped: ", vanishes, 0)}));
    const auto catalog = IndependentTapeReader::ParseCatalog(set.Records[3].Data);
    ASSERT_EQ(catalog.size(), 3u);
    EXPECT_EQ(catalog[2].Block, set.Records[2].AfterData.Block);
    EXPECT_EQ(catalog[2].Offset, set.Records[2].AfterData.Offset);
}

TEST_F(BackupWriterTest, AnUnreadableFileIsSkippedAndTheRunGoesOn) {
    if (::geteuid() == 0)
        GTEST_SKIP() << "permissions do not stop the superuser";
    const QString locked = m_fixture.MakeFile("a-locked", "secret");
    const QString open = m_fixture.MakeFile("b-open", "open");
    QFile::setPermissions(locked, QFileDevice::Permissions());
    m_fixture.Backup({m_fixture.Source()});
    EXPECT_EQ(RecordPaths(m_fixture.Parse()), QStringList({open, m_session.Paths.CatalogFilePath}));
    EXPECT_EQ(m_op.LinesStartingWith("Skipped: "), QStringList({Line("Skipped: ", locked, 0)}));
}

TEST_F(BackupWriterTest, SoftCompressionStoresZipArchivesThatTestClean) {
    if (QStandardPaths::findExecutable("unzip").isEmpty())
        GTEST_SKIP() << "unzip is not installed";
    const QString text = m_fixture.MakeFile("notes.txt", QByteArray(200000, 'n'));
    const QString picture = m_fixture.MakeFile("photo.png", Pattern(30000, 9));
    const QString empty = m_fixture.MakeFile("zero.txt", "");
    m_session.Settings.SoftCompression = true;

    m_fixture.Backup({m_fixture.Source()});

    const auto set = m_fixture.Parse();
    ASSERT_TRUE(set.Error.isEmpty()) << set.Error.toStdString();
    ASSERT_EQ(RecordPaths(set),
              QStringList({text, picture, empty, m_session.Paths.CatalogFilePath}));
    EXPECT_FALSE(set.Records[2].Compressed) << "an empty file has nothing to pack";
    EXPECT_EQ(set.Records[2].Length, 0u);
    const QStringList methods = {"Defl", "Stored", "", "Defl"};
    for (size_t i : {0, 1, 3}) {
        const auto& record = set.Records[i];
        EXPECT_TRUE(record.Compressed) << i;
        const QString archive = m_fixture.Home.File(QStringLiteral("record%1.zip").arg(i));
        QFile file(archive);
        file.open(QIODevice::WriteOnly);
        file.write(record.Data);
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
        EXPECT_TRUE(listing.contains(QFileInfo(set.Records[i].Path).fileName()));
    }
    EXPECT_LT(set.Records[0].Length, 200000u / 10);
    EXPECT_EQ(m_session.Counters.SourceBytes, 200000 + 30000 + 3 * 272);
    ASSERT_EQ(set.MetadataRecords.size(), 1u);
    EXPECT_EQ(m_session.Counters.TapeBytes,
              int64_t(5 * 296 + set.Records[0].Length + set.Records[1].Length +
                      set.Records[3].Length + set.MetadataRecords[0].Length));
    EXPECT_FALSE(QFile::exists(m_session.Paths.SoftCompressionArchivePath));
}

TEST_F(BackupWriterTest, TheDisplaysFollowTheRun) {
    for (int i = 0; i < 10; ++i)
        m_fixture.MakeFile(QStringLiteral("f%1").arg(i), QByteArray(300000, char('a' + i)));
    const QString excluded = m_fixture.MakeFile("x-excluded", "x");
    m_session.Settings.ExcludeList = {excluded};

    m_fixture.Backup({m_fixture.Source()});

    const auto history = [this](auto counter) { return m_op.History(m_op.BackupReports, counter); };
    EXPECT_EQ(history(&BackupProgress::Files), std::vector<int64_t>({0, 5, 10, 11}))
        << "every fifth file, then the exact count with the catalog";
    EXPECT_EQ(history(&BackupProgress::SourceMiB), std::vector<int64_t>({0, 1, 2}));
    EXPECT_EQ(history(&BackupProgress::Skipped), std::vector<int64_t>({0, 1}));
    EXPECT_EQ(history(&BackupProgress::TapeMiB).back(), (10 * (300000 + 296) + 296 + 2720) >> 20);
    const double rate = m_op.Shown(m_op.BackupReports, &BackupProgress::Rate).value_or(0);
    EXPECT_GT(rate, 0) << "MB/s: the 2 MB shown over at least one second";
    EXPECT_LE(rate, 2);
    EXPECT_EQ(m_session.Counters.FileCount, 11);
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
        files << m_fixture.MakeFile(QStringLiteral("f%1").arg(i), Pattern(40000, i));
    m_op.OnStatus = [&](const QString& status) {
        if (status.contains(files[2] + " <")) {
            m_op.Answers.push_back(MessageAnswer::Yes);
            ConfirmCancel(m_op, m_session.CancelFlag);
        }
    };

    m_fixture.Backup({m_fixture.Source(), m_fixture.Source("f5")});

    EXPECT_TRUE(m_session.CancelFlag) << "raised again after the catalog went to tape";
    EXPECT_TRUE(m_op.BoxTexts().contains("canceld."));
    const auto set = m_fixture.Parse();
    ASSERT_TRUE(set.Error.isEmpty()) << set.Error.toStdString();
    ASSERT_TRUE(set.EndMarkerFound);
    EXPECT_EQ(RecordPaths(set),
              QStringList({files[0], files[1], files[2], m_session.Paths.CatalogFilePath}))
        << "the file being written is finished, nothing after it";
    EXPECT_EQ(IndependentTapeReader::ParseCatalog(set.Records[3].Data).size(), 3u);
    EXPECT_EQ(set.CatalogBlock, set.Records[3].Header.Block);
    EXPECT_EQ(set.CatalogOffset, set.Records[3].Header.Offset);
}

TEST_F(BackupWriterTest, AMissingMediumWritesNothingAndEndsWithTheSummary) {
    m_fixture.MakeFile("a.txt", "a");
    m_fixture.Library->Eject();
    m_fixture.Backup({m_fixture.Source()});

    EXPECT_TRUE(m_session.CancelFlag);
    EXPECT_EQ(QFileInfo(m_fixture.Library->ImagePath("t1")).size(), 0);
    const QStringList& lines = m_op.ProtocolLines;
    const qsizetype error = lines.indexOf(
        QRegularExpression("^Error: .* : .*: " +
                           QRegularExpression::escape(SystemMessage(ResultCode::NoMediaInDrive))));
    ASSERT_GE(error, 0) << lines.join('\n').toStdString();
    EXPECT_EQ(lines.at(error - 2), ProtocolLog::Separator());
    EXPECT_EQ(lines.at(error + 1), ProtocolLog::Separator());
    EXPECT_TRUE(lines.contains("0 Files proceded."));
    EXPECT_TRUE(lines.last().startsWith("Backup finished at: "));
    EXPECT_TRUE(m_op.BoxTexts().contains(TapeErrorMessage(m_session, ResultCode::NoMediaInDrive)));
}

} // namespace
