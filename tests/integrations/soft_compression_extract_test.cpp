#include "zip_fixture.h"

#include <QFileInfo>

namespace orvane::test {
namespace {

using ExtractTest = ZipFixture;

// The mode bits themselves; the "user" flags say what the caller may do, and root may do all.
const QFile::Permissions OwnerGroupOtherMask(0x7077);
QFile::Permissions OwnerGroupOther(const QString& path) {
    return QFileInfo(path).permissions() & OwnerGroupOtherMask;
}

TEST_F(ExtractTest, OverwritesExistingFilesEvenReadOnlyOnes) {
    WriteArchive(m_zip.ArchivePath(), {{"report.txt", "new contents"}});
    const QString existing = WriteFile(m_targetDir + QStringLiteral("report.txt"), "old contents!");
    QFile::setPermissions(existing, QFile::ReadOwner | QFile::ReadGroup);

    ASSERT_TRUE(m_zip.Extract(m_targetDir, m_op));
    EXPECT_TRUE(m_op.Boxes.empty());
    EXPECT_EQ(ReadFile(existing), QByteArray("new contents"));
}

TEST_F(ExtractTest, WritesEveryMemberOfAnArchiveMadeByStandardZip) {
    const QString tree = m_home.File(QStringLiteral("tree/"));
    WriteFile(tree + QStringLiteral("top.txt"), SampleText(2000));
    WriteFile(tree + QStringLiteral("sub/inner.txt"), "inner");
    QDir().mkpath(tree + QStringLiteral("empty"));
    const QDateTime modified = QDateTime::fromSecsSinceEpoch(1500000001);
    SetModified(tree + QStringLiteral("top.txt"), modified);
    QProcess zipTool;
    zipTool.setWorkingDirectory(tree);
    zipTool.start(QStringLiteral("zip"),
                  {QStringLiteral("-qr"), m_zip.ArchivePath(), QStringLiteral(".")});
    ASSERT_TRUE(zipTool.waitForFinished(-1));
    ASSERT_EQ(zipTool.exitCode(), 0);

    ASSERT_TRUE(m_zip.Extract(m_targetDir, m_op))
        << m_op.BoxTexts().join(QLatin1Char('\n')).toStdString();
    EXPECT_EQ(FilesBelow(m_targetDir),
              (QStringList{QStringLiteral("sub/inner.txt"), QStringLiteral("top.txt")}));
    EXPECT_TRUE(QFileInfo(m_targetDir + QStringLiteral("empty")).isDir());
    EXPECT_EQ(ReadFile(m_targetDir + QStringLiteral("top.txt")), ReadFile(tree + "top.txt"));
    EXPECT_EQ(QFileInfo(m_targetDir + QStringLiteral("top.txt")).lastModified(), modified);
}

TEST_F(ExtractTest, ReadOnlyModeTravelsAndClearReadOnlyAttributeLiftsIt) {
    const QString original = WriteFile(m_sourceDir + QStringLiteral("frozen.txt"), "frozen");
    const QFile::Permissions readOnly = QFile::ReadOwner | QFile::ReadUser | QFile::ReadGroup |
                                        QFile::ReadOther | QFile::ExeOwner | QFile::ExeUser;
    ASSERT_TRUE(QFile::setPermissions(original, readOnly));
    ASSERT_TRUE(m_zip.Add(original, m_op));
    ASSERT_TRUE(m_zip.Extract(m_work, m_op));

    const QString extracted = m_work + QStringLiteral("frozen.txt");
    EXPECT_EQ(OwnerGroupOther(extracted), readOnly & OwnerGroupOtherMask);
    ASSERT_TRUE(ClearReadOnlyAttribute(extracted));
    EXPECT_EQ(OwnerGroupOther(extracted), (readOnly | QFile::WriteOwner) & OwnerGroupOtherMask);
    EXPECT_FALSE(ClearReadOnlyAttribute(m_work + QStringLiteral("absent.txt")));
}

struct BrokenArchive {
    const char* Label;
    // Turns a good archive's bytes into the broken file.
    QByteArray (*Damage)(const QByteArray& good);
    const char* Reason; // how the message's reason begins
};

class CorruptArchiveTest : public ZipFixture,
                           public ::testing::WithParamInterface<BrokenArchive> {};

// The damaged archive must neither replace the good file already in the target nor leave a
// partial file or a temporary file anywhere.
TEST_P(CorruptArchiveTest, IsReportedAndReplacesNothing) {
    const QString original = WriteFile(m_sourceDir + QStringLiteral("data.txt"), SampleText(20000));
    ASSERT_TRUE(m_zip.Add(original, m_op));
    QFile archive(m_zip.ArchivePath());
    ASSERT_TRUE(archive.open(QIODevice::ReadOnly));
    const QByteArray broken = GetParam().Damage(archive.readAll());
    archive.close();
    WriteFile(m_zip.ArchivePath(), broken);
    const QString keep = WriteFile(m_targetDir + QStringLiteral("data.txt"), "keep me");

    EXPECT_FALSE(m_zip.Extract(m_targetDir, m_op));

    ASSERT_EQ(m_op.Boxes.size(), 1u);
    EXPECT_TRUE(m_op.Boxes[0].Text.startsWith(QStringLiteral("Softcompression could not unpack ") +
                                              m_zip.ArchivePath() + QStringLiteral(": ") +
                                              QString::fromUtf8(GetParam().Reason)))
        << m_op.Boxes[0].Text.toStdString();
    EXPECT_EQ(ReadFile(keep), QByteArray("keep me"));
    EXPECT_EQ(FilesBelow(m_targetDir), QStringList{QStringLiteral("data.txt")});
    EXPECT_EQ(FilesBelow(m_home.Path()),
              (QStringList{QStringLiteral("source/data.txt"), QStringLiteral("target/data.txt"),
                           QStringLiteral("worker/orvane_backup.zip")}));
}

INSTANTIATE_TEST_SUITE_P(
    Damage, CorruptArchiveTest,
    ::testing::Values(
        BrokenArchive{"NotAZipAtAll", [](const QByteArray&) { return QByteArray(4096, 'x'); },
                      "Not a zip archive"},
        BrokenArchive{"EmptyFile", [](const QByteArray&) { return QByteArray(); },
                      "Not a zip archive"},
        BrokenArchive{"CutShort", [](const QByteArray& good) { return good.left(good.size() / 2); },
                      "Not a zip archive"},
        BrokenArchive{"FlippedDataByte",
                      [](const QByteArray& good) {
                          QByteArray bad = good;
                          bad[good.size() / 2] = char(bad[good.size() / 2] ^ 0x55);
                          return bad;
                      },
                      "data.txt: "}),
    [](const auto& info) { return std::string(info.param.Label); });

TEST_F(ExtractTest, MissingArchiveIsReported) {
    EXPECT_FALSE(m_zip.Extract(m_targetDir, m_op));
    EXPECT_EQ(m_op.BoxTexts(), QStringList{QStringLiteral("Softcompression could not unpack ") +
                                           m_zip.ArchivePath() + QStringLiteral(": No such file")});
}

// Archives that try to write outside the target are refused as a whole, before any member is
// written, the harmless ones included.
class ZipSlipTest : public ZipFixture, public ::testing::WithParamInterface<const char*> {};

TEST_P(ZipSlipTest, MemberLeadingOutOfTheTargetIsRefused) {
    const QByteArray evil = GetParam();
    WriteArchive(m_zip.ArchivePath(), {{"harmless.txt", "fine"}, {evil, "pwned"}});

    EXPECT_FALSE(m_zip.Extract(m_targetDir, m_op));

    ASSERT_EQ(m_op.Boxes.size(), 1u);
    EXPECT_EQ(m_op.Boxes[0].Text, QStringLiteral("Softcompression could not unpack ") +
                                      m_zip.ArchivePath() + QStringLiteral(": the member \"") +
                                      QString::fromUtf8(evil) +
                                      QStringLiteral("\" would be written outside ") + m_targetDir);
    EXPECT_TRUE(FilesBelow(m_targetDir).isEmpty());
    EXPECT_EQ(FilesBelow(m_home.Path()), QStringList{QStringLiteral("worker/orvane_backup.zip")});
}

INSTANTIATE_TEST_SUITE_P(Names, ZipSlipTest,
                         ::testing::Values("../evil.txt", "../../evil.txt", "sub/../../evil.txt",
                                           "/tmp/orvane-zip-slip-evil.txt", ".."));

TEST_F(ExtractTest, LinkPlantedInTheTargetDoesNotLeadOut) {
    const QString outside = m_home.File(QStringLiteral("outside/"));
    QDir().mkpath(outside);
    ASSERT_TRUE(QFile::link(outside, m_targetDir + QStringLiteral("escape")));
    WriteArchive(m_zip.ArchivePath(), {{"escape/evil.txt", "pwned"}, {"escape/new/evil.txt", "x"}});

    EXPECT_FALSE(m_zip.Extract(m_targetDir, m_op));
    EXPECT_EQ(m_op.Boxes.size(), 1u);
    EXPECT_TRUE(QDir(outside).isEmpty());
}

TEST_F(ExtractTest, LinkAtTheTargetNameIsReplacedNotFollowed) {
    const QString victim = WriteFile(m_home.File(QStringLiteral("outside/victim.txt")), "precious");
    ASSERT_TRUE(QFile::link(victim, m_targetDir + QStringLiteral("victim.txt")));
    WriteArchive(m_zip.ArchivePath(), {{"victim.txt", "restored"}});

    ASSERT_TRUE(m_zip.Extract(m_targetDir, m_op));
    EXPECT_EQ(ReadFile(victim), QByteArray("precious"));
    const QFileInfo replaced(m_targetDir + QStringLiteral("victim.txt"));
    EXPECT_FALSE(replaced.isSymLink());
    EXPECT_EQ(ReadFile(replaced.filePath()), QByteArray("restored"));
}

} // namespace
} // namespace orvane::test
