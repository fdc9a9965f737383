#include "catalog_hand_tape.h"
#include "jobs/restore_run.h"
#include "platform/virtual_tape_library.h"
#include "support/scripted_operator.h"
#include "support/temp_home.h"
#include "tape/tape_description_io.h"

#include <QDir>
#include <QFile>
#include <gtest/gtest.h>
#include <sys/stat.h>

using namespace orvane;
using namespace orvane::test;

namespace {

// Cartridges written by the release before entry metadata (tests/archive/fixtures/release-tapes)
// restore as that release restored them: the same files, bytes, permission bits and times.
class ReleaseCartridgeTest : public ::testing::TestWithParam<const char*> {};

struct Expected {
    const char* Path;
    QByteArray Data;
    mode_t Mode;
};

TEST_P(ReleaseCartridgeTest, RestoresAsTheReleaseDid) {
    TempHome home;
    QDir().mkpath(home.LibraryDir());
    const QString fixtures =
        QStringLiteral(ORVANE_SOURCE_DIR "/tests/archive/fixtures/release-tapes/");
    for (const char* suffix : {".vtape", ".cartridge"})
        ASSERT_TRUE(QFile::copy(fixtures + GetParam() + suffix,
                                home.LibraryDir() + "/" + GetParam() + suffix));
    auto library = VirtualTapeLibrary::At(home.LibraryDir());
    library->Insert(GetParam());
    ScriptedOperator op;
    Session session(op, home.Path(), home.TapeChoice());
    session.Start();
    const QString target = home.File("restore/");
    session.Settings.RestoreTarget = target;
    session.Settings.RestoreOption = 2;
    session.Settings.RestoreList = {"/tmp/orvane-release-tree/"};
    LoadTapeDescription(session);
    RunRestore(session);

    const std::vector<Expected> expected = {
        {"a.txt", "alpha\n", 0640},
        {"docs/key.pem", "top secret\n", 0600},
        {"docs/empty.dat", "", 0644},
        {"docs/notes/long.txt", QByteArray(70000, 'x'), 0644},
        {"run.sh", "#!/bin/sh\necho hi\n", 0755},
    };
    const QString root = target + "tmp/orvane-release-tree/";
    EXPECT_EQ(FilesBelow(root).size(), qsizetype(expected.size()));
    EXPECT_EQ(session.Counters.NotRestoredCount, 0);
    for (const Expected& file : expected) {
        SCOPED_TRACE(file.Path);
        EXPECT_EQ(ReadAll(root + file.Path), file.Data);
        struct stat info {};
        ASSERT_EQ(::lstat((root + file.Path).toUtf8().constData(), &info), 0);
        EXPECT_EQ(info.st_mode & 07777, file.Mode);
        EXPECT_EQ(info.st_mtim.tv_sec, 1709288430) << "2024-03-01 10:20:30 UTC";
    }
}

INSTANTIATE_TEST_SUITE_P(Cartridges, ReleaseCartridgeTest, ::testing::Values("plain", "packed"));

} // namespace
