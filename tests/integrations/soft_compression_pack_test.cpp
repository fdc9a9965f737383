#include "integrations/zip_pack.h"
#include "zip_fixture.h"

#include <QFileInfo>

namespace orvane::test {
namespace {

using PackTest = ZipFixture;

// Compression method and uncompressed size of the archive's only member, and its name.
struct MemberFacts {
    qint64 members = 0;
    QString name;
    int method = -1;
    qint64 size = -1;
};

MemberFacts Inspect(const QString& archivePath) {
    MemberFacts facts;
    int error = 0;
    zip_t* archive = zip_open(QFile::encodeName(archivePath).constData(), ZIP_RDONLY, &error);
    if (!archive)
        return facts;
    facts.members = zip_get_num_entries(archive, 0);
    zip_stat_t stat;
    if (facts.members > 0 && zip_stat_index(archive, 0, 0, &stat) == 0) {
        facts.name = QString::fromUtf8(stat.name);
        facts.method = stat.comp_method;
        facts.size = qint64(stat.size);
    }
    zip_discard(archive);
    return facts;
}

struct RoundTrip {
    int level;
    const char* fileName;
};

class PackRoundTripTest : public ZipFixture, public ::testing::WithParamInterface<RoundTrip> {};

TEST_P(PackRoundTripTest, UnpacksToTheSameBytesNameAndTime) {
    const QString fileName = QString::fromUtf8(GetParam().fileName);
    const QByteArray text = sampleText(40000);
    const QString original = writeFile(sourceDir + QStringLiteral("deep/dir/") + fileName, text);
    // An odd second: the member must keep it, not round it to the zip header's two seconds.
    const QDateTime modified = QDateTime::fromSecsSinceEpoch(1623753045);
    setModified(original, modified);
    zip.setLevel(GetParam().level);

    ASSERT_TRUE(zip.Add(original, op));
    EXPECT_TRUE(op.boxes.empty());

    const MemberFacts facts = Inspect(zip.archivePath());
    EXPECT_EQ(facts.members, 1);
    EXPECT_EQ(facts.name, fileName); // bare name, no directory part
    EXPECT_EQ(facts.method, ZIP_CM_DEFLATE);
    EXPECT_LT(QFileInfo(zip.archivePath()).size(), text.size() / 2);

    const auto [testCode, testOutput] =
        run(QStringLiteral("unzip"), {QStringLiteral("-t"), zip.archivePath()});
    EXPECT_EQ(testCode, 0) << testOutput.toStdString();
    const auto [listCode, listing] =
        run(QStringLiteral("unzip"), {QStringLiteral("-Z1"), zip.archivePath()});
    EXPECT_EQ(listing.trimmed(), fileName);

    ASSERT_TRUE(zip.Extract(targetDir, op));
    EXPECT_TRUE(op.boxes.empty());
    EXPECT_EQ(filesBelow(targetDir), QStringList{fileName});
    const QString restored = targetDir + fileName;
    EXPECT_EQ(readFile(restored), text);
    EXPECT_EQ(QFileInfo(restored).lastModified(), modified);
}

INSTANTIATE_TEST_SUITE_P(Levels, PackRoundTripTest,
                         ::testing::Values(RoundTrip{1, "notes.txt"}, RoundTrip{9, "notes.txt"},
                                           RoundTrip{9, "Grüße und Leerzeichen.txt"}));

TEST_F(PackTest, LevelNinePacksTighterThanLevelOne) {
    const QString original = writeFile(sourceDir + QStringLiteral("notes.txt"), sampleText(40000));
    zip.setLevel(1);
    ASSERT_TRUE(zip.Add(original, op));
    const qint64 fastSize = QFileInfo(zip.archivePath()).size();
    zip.setLevel(9);
    ASSERT_TRUE(zip.Add(original, op));
    const qint64 tightSize = QFileInfo(zip.archivePath()).size();
    EXPECT_LT(tightSize, fastSize);
}

TEST_F(PackTest, LevelOutsideTheRangeTakesTheNearestEnd) {
    zip.setLevel(0);
    EXPECT_EQ(zip.level(), 1);
    zip.setLevel(12);
    EXPECT_EQ(zip.level(), 9);
}

struct SuffixCase {
    const char* fileName;
    bool stored;
};

class StoredSuffixTest : public ZipFixture, public ::testing::WithParamInterface<SuffixCase> {};

TEST_P(StoredSuffixTest, AlreadyCompressedFormatsAreStored) {
    const QString name = QString::fromUtf8(GetParam().fileName);
    EXPECT_EQ(IsStoredSuffix(name), GetParam().stored);

    const QByteArray text = sampleText(5000);
    ASSERT_TRUE(zip.Add(writeFile(sourceDir + name, text), op));
    const MemberFacts facts = Inspect(zip.archivePath());
    EXPECT_EQ(facts.method, GetParam().stored ? ZIP_CM_STORE : ZIP_CM_DEFLATE);
    EXPECT_EQ(facts.size, text.size());
    EXPECT_EQ(run(QStringLiteral("unzip"), {QStringLiteral("-tq"), zip.archivePath()}).first, 0);
}

INSTANTIATE_TEST_SUITE_P(
    Suffixes, StoredSuffixTest,
    ::testing::Values(SuffixCase{"picture.png", true}, SuffixCase{"PICTURE.PNG", true},
                      SuffixCase{"anim.Gif", true}, SuffixCase{"backup.tar.gz", true},
                      SuffixCase{"old.Z", true}, SuffixCase{"lib.jar", true},
                      SuffixCase{"notes.txt", false}, SuffixCase{"png", false},
                      SuffixCase{"archive.zip.txt", false}, SuffixCase{"Makefile", false}));

TEST_F(PackTest, EmptyFileMakesAnArchiveWithAnEmptyMember) {
    const QString original = writeFile(sourceDir + QStringLiteral("empty.log"), QByteArray());
    ASSERT_TRUE(zip.Add(original, op));
    const MemberFacts facts = Inspect(zip.archivePath());
    EXPECT_EQ(facts.members, 1);
    EXPECT_EQ(facts.size, 0);
    EXPECT_EQ(run(QStringLiteral("unzip"), {QStringLiteral("-tq"), zip.archivePath()}).first, 0);

    ASSERT_TRUE(zip.Extract(targetDir, op));
    const QFileInfo restored(targetDir + QStringLiteral("empty.log"));
    EXPECT_TRUE(restored.isFile());
    EXPECT_EQ(restored.size(), 0);
}

TEST_F(PackTest, NewArchiveReplacesThePreviousOne) {
    ASSERT_TRUE(zip.Add(writeFile(sourceDir + QStringLiteral("first.txt"), "one"), op));
    ASSERT_TRUE(zip.Add(writeFile(sourceDir + QStringLiteral("second.txt"), "two"), op));
    const MemberFacts facts = Inspect(zip.archivePath());
    EXPECT_EQ(facts.members, 1);
    EXPECT_EQ(facts.name, QStringLiteral("second.txt"));
}

// A failed add must not leave the previous file's archive for the writer to put on tape.
TEST_F(PackTest, MissingFileIsReportedAndLeavesNoArchive) {
    ASSERT_TRUE(zip.Add(writeFile(sourceDir + QStringLiteral("earlier.txt"), "earlier"), op));
    const QString missing = sourceDir + QStringLiteral("gone.txt");

    EXPECT_FALSE(zip.Add(missing, op));

    ASSERT_EQ(op.boxes.size(), 1u);
    EXPECT_EQ(op.boxes[0].text, QStringLiteral("Softcompression could not pack ") + missing +
                                    QStringLiteral(": No such file"));
    EXPECT_TRUE(op.boxes[0].caption.isEmpty());
    EXPECT_EQ(op.boxes[0].icon, MessageIcon::None);
    EXPECT_EQ(op.boxes[0].buttons, MessageButtons::Ok);
    EXPECT_FALSE(QFileInfo::exists(zip.archivePath()));
}

TEST_F(PackTest, UnreadableOrSpecialFilesAreReportedWithoutHanging) {
    const QString locked = writeFile(sourceDir + QStringLiteral("locked.txt"), "secret");
    QFile::setPermissions(locked, QFileDevice::Permissions());
    const QString fifo = sourceDir + QStringLiteral("pipe");
    ASSERT_EQ(run(QStringLiteral("mkfifo"), {fifo}).first, 0);

    // root reads everything, so the locked file only counts where permissions bite.
    const bool permissionsBite = !QFile(locked).open(QIODevice::ReadOnly);
    EXPECT_EQ(zip.Add(locked, op), !permissionsBite);
    EXPECT_FALSE(zip.Add(fifo, op));
    EXPECT_FALSE(zip.Add(sourceDir, op));

    const QStringList texts = op.boxTexts();
    ASSERT_EQ(texts.size(), permissionsBite ? 3 : 2);
    EXPECT_EQ(texts.last(), QStringLiteral("Softcompression could not pack ") + sourceDir +
                                QStringLiteral(": not a regular file"));
    EXPECT_FALSE(QFileInfo::exists(zip.archivePath()));
}

TEST_F(PackTest, WorkDirectoryThatCannotHoldTheArchiveIsReported) {
    SoftCompression nowhere(home.file(QStringLiteral("missing/dir/orvane_backup.zip")));
    EXPECT_FALSE(nowhere.Add(writeFile(sourceDir + QStringLiteral("a.txt"), "a"), op));
    ASSERT_EQ(op.boxes.size(), 1u);
    EXPECT_TRUE(op.boxes[0].text.startsWith(QStringLiteral("Softcompression could not pack ")));
    EXPECT_FALSE(QFileInfo::exists(nowhere.archivePath()));
}

} // namespace
} // namespace orvane::test
