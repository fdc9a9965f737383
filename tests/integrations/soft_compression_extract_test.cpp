#include "zip_fixture.h"

#include <QFileInfo>

namespace orvane::test {
namespace {

using ExtractTest = ZipFixture;

// The mode bits themselves; the "user" flags say what the caller may do, and root may do all.
const QFile::Permissions ownerGroupOtherMask(0x7077);
QFile::Permissions ownerGroupOther(const QString& path) {
    return QFileInfo(path).permissions() & ownerGroupOtherMask;
}

TEST_F(ExtractTest, OverwritesExistingFilesEvenReadOnlyOnes) {
    writeArchive(zip.archivePath(), {{"report.txt", "new contents"}});
    const QString existing = writeFile(targetDir + QStringLiteral("report.txt"), "old contents!");
    QFile::setPermissions(existing, QFile::ReadOwner | QFile::ReadGroup);

    ASSERT_TRUE(zip.Extract(targetDir, op));
    EXPECT_TRUE(op.boxes.empty());
    EXPECT_EQ(readFile(existing), QByteArray("new contents"));
}

TEST_F(ExtractTest, WritesEveryMemberOfAnArchiveMadeByStandardZip) {
    const QString tree = home.file(QStringLiteral("tree/"));
    writeFile(tree + QStringLiteral("top.txt"), sampleText(2000));
    writeFile(tree + QStringLiteral("sub/inner.txt"), "inner");
    QDir().mkpath(tree + QStringLiteral("empty"));
    const QDateTime modified = QDateTime::fromSecsSinceEpoch(1500000001);
    setModified(tree + QStringLiteral("top.txt"), modified);
    QProcess zipTool;
    zipTool.setWorkingDirectory(tree);
    zipTool.start(QStringLiteral("zip"),
                  {QStringLiteral("-qr"), zip.archivePath(), QStringLiteral(".")});
    ASSERT_TRUE(zipTool.waitForFinished(-1));
    ASSERT_EQ(zipTool.exitCode(), 0);

    ASSERT_TRUE(zip.Extract(targetDir, op)) << op.boxTexts().join(QLatin1Char('\n')).toStdString();
    EXPECT_EQ(filesBelow(targetDir),
              (QStringList{QStringLiteral("sub/inner.txt"), QStringLiteral("top.txt")}));
    EXPECT_TRUE(QFileInfo(targetDir + QStringLiteral("empty")).isDir());
    EXPECT_EQ(readFile(targetDir + QStringLiteral("top.txt")), readFile(tree + "top.txt"));
    EXPECT_EQ(QFileInfo(targetDir + QStringLiteral("top.txt")).lastModified(), modified);
}

TEST_F(ExtractTest, ReadOnlyModeTravelsAndClearReadOnlyAttributeLiftsIt) {
    const QString original = writeFile(sourceDir + QStringLiteral("frozen.txt"), "frozen");
    const QFile::Permissions readOnly = QFile::ReadOwner | QFile::ReadUser | QFile::ReadGroup |
                                        QFile::ReadOther | QFile::ExeOwner | QFile::ExeUser;
    ASSERT_TRUE(QFile::setPermissions(original, readOnly));
    ASSERT_TRUE(zip.Add(original, op));
    ASSERT_TRUE(zip.Extract(work, op));

    const QString extracted = work + QStringLiteral("frozen.txt");
    EXPECT_EQ(ownerGroupOther(extracted), readOnly & ownerGroupOtherMask);
    ASSERT_TRUE(ClearReadOnlyAttribute(extracted));
    EXPECT_EQ(ownerGroupOther(extracted), (readOnly | QFile::WriteOwner) & ownerGroupOtherMask);
    EXPECT_FALSE(ClearReadOnlyAttribute(work + QStringLiteral("absent.txt")));
}

struct BrokenArchive {
    const char* label;
    // Turns a good archive's bytes into the broken file.
    QByteArray (*damage)(const QByteArray& good);
    const char* reason; // how the message's reason begins
};

class CorruptArchiveTest : public ZipFixture,
                           public ::testing::WithParamInterface<BrokenArchive> {};

// The damaged archive must neither replace the good file already in the target nor leave a
// partial file or a temporary file anywhere.
TEST_P(CorruptArchiveTest, IsReportedAndReplacesNothing) {
    const QString original = writeFile(sourceDir + QStringLiteral("data.txt"), sampleText(20000));
    ASSERT_TRUE(zip.Add(original, op));
    QFile archive(zip.archivePath());
    ASSERT_TRUE(archive.open(QIODevice::ReadOnly));
    const QByteArray broken = GetParam().damage(archive.readAll());
    archive.close();
    writeFile(zip.archivePath(), broken);
    const QString keep = writeFile(targetDir + QStringLiteral("data.txt"), "keep me");

    EXPECT_FALSE(zip.Extract(targetDir, op));

    ASSERT_EQ(op.boxes.size(), 1u);
    EXPECT_TRUE(op.boxes[0].text.startsWith(QStringLiteral("Softcompression could not unpack ") +
                                            zip.archivePath() + QStringLiteral(": ") +
                                            QString::fromUtf8(GetParam().reason)))
        << op.boxes[0].text.toStdString();
    EXPECT_EQ(readFile(keep), QByteArray("keep me"));
    EXPECT_EQ(filesBelow(targetDir), QStringList{QStringLiteral("data.txt")});
    EXPECT_EQ(filesBelow(home.path()),
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
    [](const auto& info) { return std::string(info.param.label); });

TEST_F(ExtractTest, MissingArchiveIsReported) {
    EXPECT_FALSE(zip.Extract(targetDir, op));
    EXPECT_EQ(op.boxTexts(), QStringList{QStringLiteral("Softcompression could not unpack ") +
                                         zip.archivePath() + QStringLiteral(": No such file")});
}

// Archives that try to write outside the target are refused as a whole, before any member is
// written, the harmless ones included.
class ZipSlipTest : public ZipFixture, public ::testing::WithParamInterface<const char*> {};

TEST_P(ZipSlipTest, MemberLeadingOutOfTheTargetIsRefused) {
    const QByteArray evil = GetParam();
    writeArchive(zip.archivePath(), {{"harmless.txt", "fine"}, {evil, "pwned"}});

    EXPECT_FALSE(zip.Extract(targetDir, op));

    ASSERT_EQ(op.boxes.size(), 1u);
    EXPECT_EQ(op.boxes[0].text, QStringLiteral("Softcompression could not unpack ") +
                                    zip.archivePath() + QStringLiteral(": the member \"") +
                                    QString::fromUtf8(evil) +
                                    QStringLiteral("\" would be written outside ") + targetDir);
    EXPECT_TRUE(filesBelow(targetDir).isEmpty());
    EXPECT_EQ(filesBelow(home.path()), QStringList{QStringLiteral("worker/orvane_backup.zip")});
}

INSTANTIATE_TEST_SUITE_P(Names, ZipSlipTest,
                         ::testing::Values("../evil.txt", "../../evil.txt", "sub/../../evil.txt",
                                           "/tmp/orvane-zip-slip-evil.txt", ".."));

TEST_F(ExtractTest, LinkPlantedInTheTargetDoesNotLeadOut) {
    const QString outside = home.file(QStringLiteral("outside/"));
    QDir().mkpath(outside);
    ASSERT_TRUE(QFile::link(outside, targetDir + QStringLiteral("escape")));
    writeArchive(zip.archivePath(), {{"escape/evil.txt", "pwned"}, {"escape/new/evil.txt", "x"}});

    EXPECT_FALSE(zip.Extract(targetDir, op));
    EXPECT_EQ(op.boxes.size(), 1u);
    EXPECT_TRUE(QDir(outside).isEmpty());
}

TEST_F(ExtractTest, LinkAtTheTargetNameIsReplacedNotFollowed) {
    const QString victim = writeFile(home.file(QStringLiteral("outside/victim.txt")), "precious");
    ASSERT_TRUE(QFile::link(victim, targetDir + QStringLiteral("victim.txt")));
    writeArchive(zip.archivePath(), {{"victim.txt", "restored"}});

    ASSERT_TRUE(zip.Extract(targetDir, op));
    EXPECT_EQ(readFile(victim), QByteArray("precious"));
    const QFileInfo replaced(targetDir + QStringLiteral("victim.txt"));
    EXPECT_FALSE(replaced.isSymLink());
    EXPECT_EQ(readFile(replaced.filePath()), QByteArray("restored"));
}

} // namespace
} // namespace orvane::test
