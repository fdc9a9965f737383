#include "integrations/zip_pack.h"
#include "zip_fixture.h"

#include <QFileInfo>
#include <atomic>

namespace orvane::test {
namespace {

using MemoryPackTest = ZipFixture;

struct MemoryCase {
    int Level;
    const char* FileName;
};

class PackInMemoryTest : public ZipFixture, public ::testing::WithParamInterface<MemoryCase> {};

// Tapes written before and after read the same way only when the archive made in memory is the
// one the work file would hold.
TEST_P(PackInMemoryTest, MakesTheWorkFileArchiveByteForByte) {
    const QString fileName = QString::fromUtf8(GetParam().FileName);
    const QByteArray text = SampleText(60000);
    const QString original = WriteFile(m_sourceDir + fileName, text);
    const QDateTime modified = QDateTime::fromSecsSinceEpoch(1623753045);
    SetModified(original, modified);
    m_zip.SetLevel(GetParam().Level);

    ASSERT_TRUE(m_zip.Add(original, m_op));
    const QByteArray fromWorkFile = ReadFile(m_zip.ArchivePath());
    std::optional<MemoryArchive> inMemory = m_zip.AddInMemory(original, m_op);
    ASSERT_TRUE(inMemory.has_value());
    EXPECT_TRUE(m_op.Boxes.empty());
    EXPECT_EQ(inMemory->Size(), quint64(fromWorkFile.size()));
    const QByteArray bytes = inMemory->ReadAll();
    EXPECT_EQ(bytes, fromWorkFile);

    const QString copy = WriteFile(m_home.File(QStringLiteral("copy.zip")), bytes);
    const auto [testCode, testOutput] = Run(QStringLiteral("unzip"), {QStringLiteral("-t"), copy});
    EXPECT_EQ(testCode, 0) << testOutput.toStdString();

    ASSERT_TRUE(m_zip.ExtractFrom(bytes, m_targetDir, m_op));
    EXPECT_TRUE(m_op.Boxes.empty());
    EXPECT_EQ(FilesBelow(m_targetDir), QStringList{fileName});
    EXPECT_EQ(ReadFile(m_targetDir + fileName), text);
    EXPECT_EQ(QFileInfo(m_targetDir + fileName).lastModified(), modified);
}

INSTANTIATE_TEST_SUITE_P(Members, PackInMemoryTest,
                         ::testing::Values(MemoryCase{1, "notes.txt"}, MemoryCase{9, "notes.txt"},
                                           MemoryCase{6, "picture.png"},
                                           MemoryCase{9, "Grüße und Leerzeichen.txt"}));

TEST_F(MemoryPackTest, ReadingInPiecesGivesTheWholeArchiveOnce) {
    const QString original = WriteFile(m_sourceDir + QStringLiteral("a.txt"), SampleText(20000));
    std::optional<MemoryArchive> archive = m_zip.AddInMemory(original, m_op);
    ASSERT_TRUE(archive.has_value());
    QByteArray pieces;
    char piece[1000];
    for (qint64 n; (n = archive->Read(piece, sizeof piece)) > 0;)
        pieces.append(piece, n);
    EXPECT_EQ(quint64(pieces.size()), archive->Size());
    EXPECT_EQ(archive->Read(piece, sizeof piece), 0);

    MemoryArchive moved = std::move(*archive);
    EXPECT_TRUE(archive->IsNull());
    EXPECT_EQ(moved.Size(), quint64(pieces.size()));
    EXPECT_EQ(archive->Read(piece, sizeof piece), -1);
}

// Whatever cannot be packed into the work file cannot be packed into memory either, and the
// operator reads the same words.
TEST_F(MemoryPackTest, FailuresAreToldInTheWordsOfAdd) {
    const QString fifo = m_sourceDir + QStringLiteral("pipe");
    ASSERT_EQ(Run(QStringLiteral("mkfifo"), {fifo}).first, 0);
    for (const QString& bad : {m_sourceDir + QStringLiteral("gone.txt"), fifo, m_sourceDir}) {
        SCOPED_TRACE(bad.toStdString());
        ScriptedOperator viaWorkFile;
        ScriptedOperator viaMemory;
        EXPECT_FALSE(m_zip.Add(bad, viaWorkFile));
        EXPECT_FALSE(m_zip.AddInMemory(bad, viaMemory).has_value());
        EXPECT_EQ(viaMemory.BoxTexts(), viaWorkFile.BoxTexts());
        ASSERT_EQ(viaMemory.Boxes.size(), 1u);
        EXPECT_TRUE(viaMemory.Boxes[0].Text.startsWith(
            QStringLiteral("Softcompression could not pack ") + bad + QStringLiteral(": ")));
    }
}

TEST_F(MemoryPackTest, ACancelledPackingLeavesNothing) {
    const QString original = WriteFile(m_sourceDir + QStringLiteral("big.txt"), SampleText(200000));
    const std::atomic<bool> cancelled(true);
    const PackControl control{false, &cancelled};

    MemoryArchive archive;
    const ZipOutcome inMemory = PackFileInMemory(original, 9, archive, control);
    EXPECT_EQ(inMemory.ErrorCode, ZIP_ER_CANCELLED);
    EXPECT_TRUE(archive.IsNull());

    const ZipOutcome inFile = PackFile(m_zip.ArchivePath(), original, 9, control);
    EXPECT_EQ(inFile.ErrorCode, ZIP_ER_CANCELLED);
    EXPECT_TRUE(FilesBelow(m_work).isEmpty());
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
    QByteArray ArchiveOf(const std::vector<std::pair<QByteArray, QByteArray>>& members) {
        const QString path = m_home.File(QStringLiteral("made.zip"));
        WriteArchive(path, members);
        return ReadFile(path);
    }

    QByteArray HeldBytes() {
        switch (GetParam()) {
        case Held::OneMemberReplacingAnOlderFile:
            return ArchiveOf({{"member.txt", SampleText(3000)}});
        case Held::ReadOnlyMember: {
            const QString original = WriteFile(m_sourceDir + "member.txt", "frozen");
            QFile::setPermissions(original, QFile::ReadOwner | QFile::ReadGroup);
            std::optional<MemoryArchive> archive = m_zip.AddInMemory(original, m_op);
            return archive ? archive->ReadAll() : QByteArray();
        }
        case Held::MemberLeadingOutOfTheTarget:
            return ArchiveOf({{"harmless.txt", "fine"}, {"../evil.txt", "pwned"}});
        case Held::AbsoluteMemberName:
            return ArchiveOf({{"/tmp/evil.txt", "pwned"}});
        case Held::NotAZipAtAll:
            return QByteArray(4096, 'x');
        case Held::NoBytes:
            return QByteArray();
        case Held::CutShort: {
            const QByteArray good = ArchiveOf({{"member.txt", "whole"}});
            return good.left(good.size() / 2);
        }
        case Held::FlippedDataByte: {
            QByteArray bad = ArchiveOf({{"member.txt", SampleText(9000)}});
            bad[bad.size() / 3] = char(bad[bad.size() / 3] ^ 0x55);
            return bad;
        }
        }
        return {};
    }
};

TEST_P(ExtractFromTest, UnpacksAsTheWorkFileWould) {
    const QByteArray bytes = HeldBytes();
    WriteFile(m_zip.ArchivePath(), bytes);
    const QString fromFile = m_home.File(QStringLiteral("from-file/"));
    const QString fromMemory = m_home.File(QStringLiteral("from-memory/"));
    for (const QString& dir : {fromFile, fromMemory})
        WriteFile(dir + QStringLiteral("member.txt"), "an older file of that name");
    ScriptedOperator viaFile;
    ScriptedOperator viaMemory;

    const bool fileResult = m_zip.Extract(fromFile, viaFile);
    const bool memoryResult = m_zip.ExtractFrom(bytes, fromMemory, viaMemory);

    EXPECT_EQ(memoryResult, fileResult);
    QStringList fileTexts = viaFile.BoxTexts();
    fileTexts.replaceInStrings(fromFile, QStringLiteral("TARGET/"));
    QStringList memoryTexts = viaMemory.BoxTexts();
    memoryTexts.replaceInStrings(fromMemory, QStringLiteral("TARGET/"));
    EXPECT_EQ(memoryTexts, fileTexts);
    EXPECT_EQ(FilesBelow(fromMemory), FilesBelow(fromFile));
    for (const QString& name : FilesBelow(fromFile)) {
        EXPECT_EQ(ReadFile(fromMemory + name), ReadFile(fromFile + name)) << name.toStdString();
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
