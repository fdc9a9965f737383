#include "integrations/zip_pack.h"
#include "zip_fixture.h"

#include <QCoreApplication>
#include <QFileInfo>
#include <QTimer>
#include <memory>

namespace orvane::test {
namespace {

using PackTest = ZipFixture;

// Compression method and uncompressed size of the archive's only member, and its name.
struct MemberFacts {
    qint64 Members = 0;
    QString Name;
    int Method = -1;
    qint64 Size = -1;
};

MemberFacts Inspect(const QString& archivePath) {
    MemberFacts facts;
    int error = 0;
    zip_t* archive = zip_open(QFile::encodeName(archivePath).constData(), ZIP_RDONLY, &error);
    if (!archive)
        return facts;
    facts.Members = zip_get_num_entries(archive, 0);
    zip_stat_t stat;
    if (facts.Members > 0 && zip_stat_index(archive, 0, 0, &stat) == 0) {
        facts.Name = QString::fromUtf8(stat.name);
        facts.Method = stat.comp_method;
        facts.Size = qint64(stat.size);
    }
    zip_discard(archive);
    return facts;
}

struct RoundTrip {
    int Level;
    const char* FileName;
};

class PackRoundTripTest : public ZipFixture, public ::testing::WithParamInterface<RoundTrip> {};

TEST_P(PackRoundTripTest, UnpacksToTheSameBytesNameAndTime) {
    const QString fileName = QString::fromUtf8(GetParam().FileName);
    const QByteArray text = SampleText(40000);
    const QString original = WriteFile(m_sourceDir + QStringLiteral("deep/dir/") + fileName, text);
    // An odd second: the member must keep it, not round it to the zip header's two seconds.
    const QDateTime modified = QDateTime::fromSecsSinceEpoch(1623753045);
    SetModified(original, modified);
    m_zip.SetLevel(GetParam().Level);

    ASSERT_TRUE(m_zip.Add(original, m_op));
    EXPECT_TRUE(m_op.Boxes.empty());

    const MemberFacts facts = Inspect(m_zip.ArchivePath());
    EXPECT_EQ(facts.Members, 1);
    EXPECT_EQ(facts.Name, fileName); // bare name, no directory part
    EXPECT_EQ(facts.Method, ZIP_CM_DEFLATE);
    EXPECT_LT(QFileInfo(m_zip.ArchivePath()).size(), text.size() / 2);

    const auto [testCode, testOutput] =
        Run(QStringLiteral("unzip"), {QStringLiteral("-t"), m_zip.ArchivePath()});
    EXPECT_EQ(testCode, 0) << testOutput.toStdString();
    const auto [listCode, listing] =
        Run(QStringLiteral("unzip"), {QStringLiteral("-Z1"), m_zip.ArchivePath()});
    EXPECT_EQ(listing.trimmed(), fileName);

    ASSERT_TRUE(m_zip.Extract(m_targetDir, m_op));
    EXPECT_TRUE(m_op.Boxes.empty());
    EXPECT_EQ(FilesBelow(m_targetDir), QStringList{fileName});
    const QString restored = m_targetDir + fileName;
    EXPECT_EQ(ReadFile(restored), text);
    EXPECT_EQ(QFileInfo(restored).lastModified(), modified);
}

INSTANTIATE_TEST_SUITE_P(Levels, PackRoundTripTest,
                         ::testing::Values(RoundTrip{1, "notes.txt"}, RoundTrip{9, "notes.txt"},
                                           RoundTrip{9, "Grüße und Leerzeichen.txt"}));

TEST_F(PackTest, LevelNinePacksTighterThanLevelOne) {
    const QString original =
        WriteFile(m_sourceDir + QStringLiteral("notes.txt"), SampleText(40000));
    m_zip.SetLevel(1);
    ASSERT_TRUE(m_zip.Add(original, m_op));
    const qint64 fastSize = QFileInfo(m_zip.ArchivePath()).size();
    m_zip.SetLevel(9);
    ASSERT_TRUE(m_zip.Add(original, m_op));
    const qint64 tightSize = QFileInfo(m_zip.ArchivePath()).size();
    EXPECT_LT(tightSize, fastSize);
}

TEST_F(PackTest, LevelOutsideTheRangeTakesTheNearestEnd) {
    m_zip.SetLevel(0);
    EXPECT_EQ(m_zip.Level(), 1);
    m_zip.SetLevel(12);
    EXPECT_EQ(m_zip.Level(), 9);
}

struct SuffixCase {
    const char* FileName;
    bool Stored;
};

class StoredSuffixTest : public ZipFixture, public ::testing::WithParamInterface<SuffixCase> {};

TEST_P(StoredSuffixTest, AlreadyCompressedFormatsAreStored) {
    const QString name = QString::fromUtf8(GetParam().FileName);
    EXPECT_EQ(IsStoredSuffix(name), GetParam().Stored);

    const QByteArray text = SampleText(5000);
    ASSERT_TRUE(m_zip.Add(WriteFile(m_sourceDir + name, text), m_op));
    const MemberFacts facts = Inspect(m_zip.ArchivePath());
    EXPECT_EQ(facts.Method, GetParam().Stored ? ZIP_CM_STORE : ZIP_CM_DEFLATE);
    EXPECT_EQ(facts.Size, text.size());
    EXPECT_EQ(Run(QStringLiteral("unzip"), {QStringLiteral("-tq"), m_zip.ArchivePath()}).first, 0);
}

INSTANTIATE_TEST_SUITE_P(
    Suffixes, StoredSuffixTest,
    ::testing::Values(SuffixCase{"picture.png", true}, SuffixCase{"PICTURE.PNG", true},
                      SuffixCase{"anim.Gif", true}, SuffixCase{"backup.tar.gz", true},
                      SuffixCase{"old.Z", true}, SuffixCase{"lib.jar", true},
                      SuffixCase{"notes.txt", false}, SuffixCase{"png", false},
                      SuffixCase{"archive.zip.txt", false}, SuffixCase{"Makefile", false}));

TEST_F(PackTest, EmptyFileMakesAnArchiveWithAnEmptyMember) {
    const QString original = WriteFile(m_sourceDir + QStringLiteral("empty.log"), QByteArray());
    ASSERT_TRUE(m_zip.Add(original, m_op));
    const MemberFacts facts = Inspect(m_zip.ArchivePath());
    EXPECT_EQ(facts.Members, 1);
    EXPECT_EQ(facts.Size, 0);
    EXPECT_EQ(Run(QStringLiteral("unzip"), {QStringLiteral("-tq"), m_zip.ArchivePath()}).first, 0);

    ASSERT_TRUE(m_zip.Extract(m_targetDir, m_op));
    const QFileInfo restored(m_targetDir + QStringLiteral("empty.log"));
    EXPECT_TRUE(restored.isFile());
    EXPECT_EQ(restored.size(), 0);
}

TEST_F(PackTest, NewArchiveReplacesThePreviousOne) {
    ASSERT_TRUE(m_zip.Add(WriteFile(m_sourceDir + QStringLiteral("first.txt"), "one"), m_op));
    ASSERT_TRUE(m_zip.Add(WriteFile(m_sourceDir + QStringLiteral("second.txt"), "two"), m_op));
    const MemberFacts facts = Inspect(m_zip.ArchivePath());
    EXPECT_EQ(facts.Members, 1);
    EXPECT_EQ(facts.Name, QStringLiteral("second.txt"));
}

// A failed add must not leave the previous file's archive for the writer to put on tape.
TEST_F(PackTest, MissingFileIsReportedAndLeavesNoArchive) {
    ASSERT_TRUE(m_zip.Add(WriteFile(m_sourceDir + QStringLiteral("earlier.txt"), "earlier"), m_op));
    const QString missing = m_sourceDir + QStringLiteral("gone.txt");

    EXPECT_FALSE(m_zip.Add(missing, m_op));

    ASSERT_EQ(m_op.Boxes.size(), 1u);
    EXPECT_EQ(m_op.Boxes[0].Text, QStringLiteral("Softcompression could not pack ") + missing +
                                      QStringLiteral(": No such file"));
    EXPECT_TRUE(m_op.Boxes[0].Caption.isEmpty());
    EXPECT_EQ(m_op.Boxes[0].Icon, MessageIcon::None);
    EXPECT_EQ(m_op.Boxes[0].Buttons, MessageButtons::Ok);
    EXPECT_FALSE(QFileInfo::exists(m_zip.ArchivePath()));
}

TEST_F(PackTest, UnreadableOrSpecialFilesAreReportedWithoutHanging) {
    const QString locked = WriteFile(m_sourceDir + QStringLiteral("locked.txt"), "secret");
    QFile::setPermissions(locked, QFileDevice::Permissions());
    const QString fifo = m_sourceDir + QStringLiteral("pipe");
    ASSERT_EQ(Run(QStringLiteral("mkfifo"), {fifo}).first, 0);

    // root reads everything, so the locked file only counts where permissions bite.
    const bool permissionsBite = !QFile(locked).open(QIODevice::ReadOnly);
    EXPECT_EQ(m_zip.Add(locked, m_op), !permissionsBite);
    EXPECT_FALSE(m_zip.Add(fifo, m_op));
    EXPECT_FALSE(m_zip.Add(m_sourceDir, m_op));

    const QStringList texts = m_op.BoxTexts();
    ASSERT_EQ(texts.size(), permissionsBite ? 3 : 2);
    EXPECT_EQ(texts.last(), QStringLiteral("Softcompression could not pack ") + m_sourceDir +
                                QStringLiteral(": not a regular file"));
    EXPECT_FALSE(QFileInfo::exists(m_zip.ArchivePath()));
}

TEST_F(PackTest, WorkDirectoryThatCannotHoldTheArchiveIsReported) {
    SoftCompression nowhere(m_home.File(QStringLiteral("missing/dir/orvane_backup.zip")));
    EXPECT_FALSE(nowhere.Add(WriteFile(m_sourceDir + QStringLiteral("a.txt"), "a"), m_op));
    ASSERT_EQ(m_op.Boxes.size(), 1u);
    EXPECT_TRUE(m_op.Boxes[0].Text.startsWith(QStringLiteral("Softcompression could not pack ")));
    EXPECT_FALSE(QFileInfo::exists(nowhere.ArchivePath()));
}

// libzip reads the length the file had when it was opened. The file grows while it is packed
// (the window's event pump runs inside the packing and appends to it): the archive holds the
// first length only, and the caller learns that the file grew, for its protocol line.
TEST_F(PackTest, AFileThatGrowsWhilePackedIsToldApart) {
    int argc = 0;
    const std::unique_ptr<QCoreApplication> app(
        QCoreApplication::instance() ? nullptr : new QCoreApplication(argc, nullptr));
    const QByteArray text = SampleText(3 << 20);
    const QString original = WriteFile(m_sourceDir + QStringLiteral("growing.log"), text);
    for (const bool inMemory : {false, true}) {
        QFile(original).resize(text.size());
        QTimer::singleShot(0, [&] {
            QFile file(original);
            ASSERT_TRUE(file.open(QIODevice::Append));
            file.write("appended while packed\n");
        });
        bool grew = false;
        if (inMemory) {
            ASSERT_TRUE(m_zip.AddInMemory(original, m_op, &grew).has_value());
        } else {
            ASSERT_TRUE(m_zip.Add(original, m_op, &grew));
            EXPECT_EQ(Inspect(m_zip.ArchivePath()).Size, text.size());
        }
        EXPECT_TRUE(grew) << (inMemory ? "in memory" : "work file");
        QCoreApplication::processEvents();
    }

    bool grew = true;
    ASSERT_TRUE(m_zip.Add(original, m_op, &grew));
    EXPECT_FALSE(grew) << "a file that stays as it is";
}

} // namespace
} // namespace orvane::test
