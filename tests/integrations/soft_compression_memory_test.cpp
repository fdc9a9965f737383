#include "integrations/zip_pack.h"
#include "zip_fixture.h"

#include <QFileInfo>
#include <atomic>

namespace orvane::test {
namespace {

using MemoryPackTest = ZipFixture;

struct MemoryCase {
    int level;
    const char* fileName;
};

class PackInMemoryTest : public ZipFixture, public ::testing::WithParamInterface<MemoryCase> {};

// Tapes written before and after read the same way only when the archive made in memory is the
// one the work file would hold.
TEST_P(PackInMemoryTest, MakesTheWorkFileArchiveByteForByte) {
    const QString fileName = QString::fromUtf8(GetParam().fileName);
    const QByteArray text = sampleText(60000);
    const QString original = writeFile(sourceDir + fileName, text);
    const QDateTime modified = QDateTime::fromSecsSinceEpoch(1623753045);
    setModified(original, modified);
    zip.setLevel(GetParam().level);

    ASSERT_TRUE(zip.Add(original, op));
    const QByteArray fromWorkFile = readFile(zip.archivePath());
    std::optional<MemoryArchive> inMemory = zip.AddInMemory(original, op);
    ASSERT_TRUE(inMemory.has_value());
    EXPECT_TRUE(op.boxes.empty());
    EXPECT_EQ(inMemory->size(), quint64(fromWorkFile.size()));
    const QByteArray bytes = inMemory->readAll();
    EXPECT_EQ(bytes, fromWorkFile);

    const QString copy = writeFile(home.file(QStringLiteral("copy.zip")), bytes);
    const auto [testCode, testOutput] = run(QStringLiteral("unzip"), {QStringLiteral("-t"), copy});
    EXPECT_EQ(testCode, 0) << testOutput.toStdString();

    ASSERT_TRUE(zip.ExtractFrom(bytes, targetDir, op));
    EXPECT_TRUE(op.boxes.empty());
    EXPECT_EQ(filesBelow(targetDir), QStringList{fileName});
    EXPECT_EQ(readFile(targetDir + fileName), text);
    EXPECT_EQ(QFileInfo(targetDir + fileName).lastModified(), modified);
}

INSTANTIATE_TEST_SUITE_P(Members, PackInMemoryTest,
                         ::testing::Values(MemoryCase{1, "notes.txt"}, MemoryCase{9, "notes.txt"},
                                           MemoryCase{6, "picture.png"},
                                           MemoryCase{9, "Grüße und Leerzeichen.txt"}));

TEST_F(MemoryPackTest, ReadingInPiecesGivesTheWholeArchiveOnce) {
    const QString original = writeFile(sourceDir + QStringLiteral("a.txt"), sampleText(20000));
    std::optional<MemoryArchive> archive = zip.AddInMemory(original, op);
    ASSERT_TRUE(archive.has_value());
    QByteArray pieces;
    char piece[1000];
    for (qint64 n; (n = archive->read(piece, sizeof piece)) > 0;)
        pieces.append(piece, n);
    EXPECT_EQ(quint64(pieces.size()), archive->size());
    EXPECT_EQ(archive->read(piece, sizeof piece), 0);

    MemoryArchive moved = std::move(*archive);
    EXPECT_TRUE(archive->isNull());
    EXPECT_EQ(moved.size(), quint64(pieces.size()));
    EXPECT_EQ(archive->read(piece, sizeof piece), -1);
}

// Whatever cannot be packed into the work file cannot be packed into memory either, and the
// operator reads the same words.
TEST_F(MemoryPackTest, FailuresAreToldInTheWordsOfAdd) {
    const QString fifo = sourceDir + QStringLiteral("pipe");
    ASSERT_EQ(run(QStringLiteral("mkfifo"), {fifo}).first, 0);
    for (const QString& bad : {sourceDir + QStringLiteral("gone.txt"), fifo, sourceDir}) {
        SCOPED_TRACE(bad.toStdString());
        ScriptedOperator viaWorkFile;
        ScriptedOperator viaMemory;
        EXPECT_FALSE(zip.Add(bad, viaWorkFile));
        EXPECT_FALSE(zip.AddInMemory(bad, viaMemory).has_value());
        EXPECT_EQ(viaMemory.boxTexts(), viaWorkFile.boxTexts());
        ASSERT_EQ(viaMemory.boxes.size(), 1u);
        EXPECT_TRUE(viaMemory.boxes[0].text.startsWith(
            QStringLiteral("Softcompression could not pack ") + bad + QStringLiteral(": ")));
    }
}

TEST_F(MemoryPackTest, ACancelledPackingLeavesNothing) {
    const QString original = writeFile(sourceDir + QStringLiteral("big.txt"), sampleText(200000));
    const std::atomic<bool> cancelled(true);
    const PackControl control{false, &cancelled};

    MemoryArchive archive;
    const ZipOutcome inMemory = PackFileInMemory(original, 9, archive, control);
    EXPECT_EQ(inMemory.errorCode, ZIP_ER_CANCELLED);
    EXPECT_TRUE(archive.isNull());

    const ZipOutcome inFile = PackFile(zip.archivePath(), original, 9, control);
    EXPECT_EQ(inFile.errorCode, ZIP_ER_CANCELLED);
    EXPECT_TRUE(filesBelow(work).isEmpty());
}

// An archive read back into memory is unpacked with every check the work file gets: the same
// result, the same files and the same message for the same bytes.
enum class Held {
    OneMemberReplacingAnOlderFile,
    ReadOnlyMember,
    MemberLeadingOutOfTheTarget,
    AbsoluteMemberName,
    NotAZipAtAll,
    NoBytes,
    CutShort,
    FlippedDataByte,
};

class ExtractFromTest : public ZipFixture, public ::testing::WithParamInterface<Held> {
protected:
    QByteArray archiveOf(const std::vector<std::pair<QByteArray, QByteArray>>& members) {
        const QString path = home.file(QStringLiteral("made.zip"));
        writeArchive(path, members);
        return readFile(path);
    }

    QByteArray heldBytes() {
        switch (GetParam()) {
        case Held::OneMemberReplacingAnOlderFile:
            return archiveOf({{"member.txt", sampleText(3000)}});
        case Held::ReadOnlyMember: {
            const QString original = writeFile(sourceDir + "member.txt", "frozen");
            QFile::setPermissions(original, QFile::ReadOwner | QFile::ReadGroup);
            std::optional<MemoryArchive> archive = zip.AddInMemory(original, op);
            return archive ? archive->readAll() : QByteArray();
        }
        case Held::MemberLeadingOutOfTheTarget:
            return archiveOf({{"harmless.txt", "fine"}, {"../evil.txt", "pwned"}});
        case Held::AbsoluteMemberName:
            return archiveOf({{"/tmp/evil.txt", "pwned"}});
        case Held::NotAZipAtAll:
            return QByteArray(4096, 'x');
        case Held::NoBytes:
            return QByteArray();
        case Held::CutShort: {
            const QByteArray good = archiveOf({{"member.txt", "whole"}});
            return good.left(good.size() / 2);
        }
        case Held::FlippedDataByte: {
            QByteArray bad = archiveOf({{"member.txt", sampleText(9000)}});
            bad[bad.size() / 3] = char(bad[bad.size() / 3] ^ 0x55);
            return bad;
        }
        }
        return {};
    }
};

TEST_P(ExtractFromTest, UnpacksAsTheWorkFileWould) {
    const QByteArray bytes = heldBytes();
    writeFile(zip.archivePath(), bytes);
    const QString fromFile = home.file(QStringLiteral("from-file/"));
    const QString fromMemory = home.file(QStringLiteral("from-memory/"));
    for (const QString& dir : {fromFile, fromMemory})
        writeFile(dir + QStringLiteral("member.txt"), "an older file of that name");
    ScriptedOperator viaFile;
    ScriptedOperator viaMemory;

    const bool fileResult = zip.Extract(fromFile, viaFile);
    const bool memoryResult = zip.ExtractFrom(bytes, fromMemory, viaMemory);

    EXPECT_EQ(memoryResult, fileResult);
    QStringList fileTexts = viaFile.boxTexts();
    fileTexts.replaceInStrings(fromFile, QStringLiteral("TARGET/"));
    QStringList memoryTexts = viaMemory.boxTexts();
    memoryTexts.replaceInStrings(fromMemory, QStringLiteral("TARGET/"));
    EXPECT_EQ(memoryTexts, fileTexts);
    EXPECT_EQ(filesBelow(fromMemory), filesBelow(fromFile));
    for (const QString& name : filesBelow(fromFile)) {
        EXPECT_EQ(readFile(fromMemory + name), readFile(fromFile + name)) << name.toStdString();
        EXPECT_EQ(QFileInfo(fromMemory + name).permissions(),
                  QFileInfo(fromFile + name).permissions())
            << name.toStdString();
    }
}

std::string HeldName(const ::testing::TestParamInfo<Held>& info) {
    static const char* names[] = {"OneMemberReplacingAnOlderFile",
                                  "ReadOnlyMember",
                                  "MemberLeadingOutOfTheTarget",
                                  "AbsoluteMemberName",
                                  "NotAZipAtAll",
                                  "NoBytes",
                                  "CutShort",
                                  "FlippedDataByte"};
    return names[int(info.param)];
}

INSTANTIATE_TEST_SUITE_P(Archives, ExtractFromTest,
                         ::testing::Values(Held::OneMemberReplacingAnOlderFile,
                                           Held::ReadOnlyMember, Held::MemberLeadingOutOfTheTarget,
                                           Held::AbsoluteMemberName, Held::NotAZipAtAll,
                                           Held::NoBytes, Held::CutShort, Held::FlippedDataByte),
                         HeldName);

} // namespace
} // namespace orvane::test
