#include "catalog_hand_tape.h"
#include "jobs/backup_run.h"
#include "jobs/catalog_entry_text.h"
#include "jobs/catalog_load.h"
#include "jobs/owner_mapping.h"
#include "jobs/restore_run.h"
#include "jobs/verify_run.h"
#include "platform/virtual_tape_library.h"
#include "support/scripted_operator.h"
#include "support/stat_walk.h"
#include "support/temp_home.h"
#include "tape/autoloader.h"

#include <QFile>
#include <QFileInfo>
#include <QRandomGenerator>
#include <cstdint>
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/xattr.h>
#include <unistd.h>

using namespace orvane;
using namespace orvane::test;

namespace {

QByteArray Bytes(const QString& path) {
    return path.toUtf8();
}

void MakeFile(const QString& path, const QByteArray& data, mode_t mode) {
    WriteFile(path, data);
    ASSERT_EQ(::chmod(Bytes(path).constData(), mode), 0);
}

void SetTime(const QString& path, int64_t seconds, long nanoseconds) {
    const timespec times[2] = {{time_t(seconds), nanoseconds}, {time_t(seconds), nanoseconds}};
    ASSERT_EQ(::utimensat(AT_FDCWD, Bytes(path).constData(), times, AT_SYMLINK_NOFOLLOW), 0);
}

// A POSIX access ACL as the kernel stores it: owner rw-, user 1001 r--, group r--, mask r--,
// others r--.
QByteArray AccessAcl() {
    QByteArray acl;
    const auto add = [&acl](uint16_t tag, uint16_t permissions, uint32_t id) {
        acl.append(reinterpret_cast<const char*>(&tag), 2);
        acl.append(reinterpret_cast<const char*>(&permissions), 2);
        acl.append(reinterpret_cast<const char*>(&id), 4);
    };
    const uint32_t version = 2;
    acl.append(reinterpret_cast<const char*>(&version), 4);
    add(0x01, 6, UINT32_MAX);
    add(0x02, 4, 1001);
    add(0x04, 4, UINT32_MAX);
    add(0x10, 4, UINT32_MAX);
    add(0x20, 4, UINT32_MAX);
    return acl;
}

class EntryMetadataTest : public ::testing::Test {
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
    }

    // What an administrator's tree holds, with a file of `bulk` random bytes to fill tapes.
    void MakeSource(int bulk) {
        const QString s = m_source;
        QDir().mkpath(s + "dir/sub");
        QDir().mkpath(s + "empty");
        QDir().mkpath(s + "private");
        MakeFile(s + "dir/f600", "secret\n", 0600);
        MakeFile(s + "dir/f755", "#!/bin/sh\n", 0755);
        MakeFile(s + "suid", "setuid\n", 04755);
        MakeFile(s + "owned", "user's\n", 0644);
        QByteArray random(bulk, '\0');
        QRandomGenerator(5).fillRange(reinterpret_cast<quint32*>(random.data()), bulk / 4);
        MakeFile(s + "dir/bulk.bin", random, 0644);
        if (m_rootHere) {
            ASSERT_EQ(::chown(Bytes(s + "owned").constData(), 1000, 1000), 0);
        }
        ASSERT_EQ(::link(Bytes(s + "dir/f755").constData(), Bytes(s + "dir/sub/hard").constData()),
                  0);
        ASSERT_EQ(::symlink("../f600", Bytes(s + "dir/sub/relative").constData()), 0);
        ASSERT_EQ(::symlink("/etc/hostname", Bytes(s + "absolute").constData()), 0);
        ASSERT_EQ(::symlink("nowhere", Bytes(s + "dangling").constData()), 0);
        ASSERT_EQ(::symlink("dir", Bytes(s + "to-dir").constData()), 0);
        ASSERT_EQ(::chmod(Bytes(s + "empty").constData(), 01777), 0);
        ASSERT_EQ(::chmod(Bytes(s + "private").constData(), 0700), 0);
        ASSERT_EQ(::setxattr(Bytes(s + "dir/f600").constData(), "user.note", "kept", 4, 0), 0);
        const QByteArray acl = AccessAcl();
        ASSERT_EQ(::setxattr(Bytes(s + "owned").constData(), "system.posix_acl_access",
                             acl.constData(), size_t(acl.size()), 0),
                  0);
        // Times last, directories after what is in them.
        for (const char* entry :
             {"dir/f600", "dir/f755", "suid", "owned", "dir/sub/relative", "absolute", "dangling",
              "to-dir", "dir/sub", "dir", "empty", "private"})
            SetTime(s + entry, 1700000000, 123456789);
        SetTime(s.chopped(1), 1600000000, 987654321);
    }

    void Backup(bool softCompression) {
        m_session->Settings.BackupList = {m_source};
        m_session->Settings.SoftCompression = softCompression;
        RunBackup(*m_session);
        ASSERT_FALSE(m_session->CancelFlag) << m_op.BoxTexts().join('|').toStdString();
    }

    void Restore(const QStringList& lines) {
        m_session->Settings.RestoreList = lines;
        RunRestore(*m_session);
    }

    QString Restored() const { return m_target + m_source.mid(1).chopped(1); }

    qsizetype ProtocolCount(const QString& line) const { return m_op.ProtocolLines.count(line); }

    TempHome m_home;
    ScriptedOperator m_op;
    std::shared_ptr<VirtualTapeLibrary> m_library;
    std::unique_ptr<Autoloader> m_loader;
    std::unique_ptr<Session> m_session;
    const bool m_rootHere = ::geteuid() == 0;
    const QString m_source = m_home.File("source/");
    const QString m_target = m_home.File("restore/");
};

inline const QString OwnersNotKept = QStringLiteral(
    "Owners not restored: only root may give files to other users; the restored files belong to "
    "the user who restored them.");

struct RoundTrip {
    const char* Name;
    bool SoftCompression;
    int64_t Capacity;
    int Bulk;
    size_t Tapes;
};

class MetadataRoundTripTest : public EntryMetadataTest,
                              public ::testing::WithParamInterface<RoundTrip> {};

TEST_P(MetadataRoundTripTest, TheRestoredTreeLooksLikeTheSource) {
    if (!m_rootHere)
        GTEST_SKIP() << "owners are kept only by root";
    SetUpLibrary(GetParam().Capacity);
    MakeSource(GetParam().Bulk);
    Backup(GetParam().SoftCompression);
    ASSERT_EQ(m_library->Cartridges().size(), GetParam().Tapes);

    Restore({m_source});
    EXPECT_EQ(m_session->Counters.NotRestoredCount, 0)
        << m_op.ProtocolLines.join('\n').toStdString();
    EXPECT_EQ(StatWalk(Restored()), StatWalk(m_source.chopped(1)));
    EXPECT_EQ(ProtocolCount(OwnersNotKept), 0);
}

INSTANTIATE_TEST_SUITE_P(
    Sets, MetadataRoundTripTest,
    ::testing::Values(RoundTrip{"OneTape", false, 32768 * 1000, 4096, 1},
                      RoundTrip{"OneTapeCompressed", true, 32768 * 1000, 4096, 1},
                      // 19 data blocks a tape: the random file runs on to the second tape.
                      RoundTrip{"TwoTapes", false, 32768 * 30, 800000, 2},
                      RoundTrip{"TwoTapesCompressed", true, 32768 * 30, 800000, 2}),
    [](const auto& info) { return std::string(info.param.Name); });

TEST_F(EntryMetadataTest, WithoutRootEverythingButTheOwnersIsRestoredAndSaidOnce) {
    SetUpLibrary(32768 * 1000);
    MakeSource(4096);
    Backup(false);
    m_session->KeepOwners = false;
    Restore({m_source});

    EXPECT_EQ(ProtocolCount(OwnersNotKept), 1);
    EXPECT_EQ(m_session->Counters.NotRestoredCount, 0);
    struct stat info {};
    ASSERT_EQ(::lstat(Bytes(Restored() + "/owned").constData(), &info), 0);
    EXPECT_EQ(info.st_uid, ::geteuid());
    ASSERT_EQ(::lstat(Bytes(Restored() + "/suid").constData(), &info), 0);
    EXPECT_EQ(info.st_mode & 07777, 0755u) << "no setuid for the restoring user's file";
    ASSERT_EQ(::lstat(Bytes(Restored() + "/dir/f600").constData(), &info), 0);
    EXPECT_EQ(info.st_mode & 07777, 0600u);
    EXPECT_EQ(info.st_mtim.tv_nsec, 123456789);
    ASSERT_EQ(::lstat(Bytes(Restored() + "/empty").constData(), &info), 0);
    EXPECT_EQ(info.st_mode & 07777, 01777u);
    ASSERT_EQ(::lstat(Bytes(Restored() + "/dangling").constData(), &info), 0);
    EXPECT_TRUE(S_ISLNK(info.st_mode));
}

TEST_F(EntryMetadataTest, OverwriteNeverKeepsLinksAndDirectoriesOverwriteEverReplacesThem) {
    SetUpLibrary(32768 * 1000);
    MakeSource(4096);
    Backup(false);
    Restore({m_source});
    const QByteArray link = Bytes(Restored() + "/to-dir");
    const QByteArray directory = Bytes(Restored() + "/private");
    ASSERT_EQ(::unlink(link.constData()), 0);
    ASSERT_EQ(::symlink("elsewhere", link.constData()), 0);
    ASSERT_EQ(::chmod(directory.constData(), 0755), 0);
    const auto linkTarget = [&link] {
        char target[64] = {};
        return QByteArray(target, int(::readlink(link.constData(), target, sizeof target)));
    };
    const auto directoryMode = [&directory] {
        struct stat info {};
        ::lstat(directory.constData(), &info);
        return info.st_mode & 07777;
    };

    m_session->Settings.RestoreOption = 1;
    Restore({m_source});
    EXPECT_EQ(linkTarget(), "elsewhere");
    EXPECT_EQ(directoryMode(), 0755u);

    m_session->Settings.RestoreOption = 2;
    Restore({m_source});
    EXPECT_EQ(linkTarget(), "dir");
    EXPECT_EQ(directoryMode(), 0700u);
}

TEST_F(EntryMetadataTest, AHardLinkWhoseFileIsNotRestoredIsReported) {
    SetUpLibrary(32768 * 1000);
    MakeSource(4096);
    Backup(false);
    Restore({m_source + "dir/sub/hard"});
    EXPECT_EQ(m_session->Counters.NotRestoredCount, 1);
    EXPECT_FALSE(QFile::exists(Restored() + "/dir/sub/hard"));
}

TEST_F(EntryMetadataTest, AnAppendedRunKeepsTheMetadataOfTheRunsBefore) {
    SetUpLibrary(32768 * 1000);
    MakeSource(4096);
    Backup(false);
    const QString more = m_home.File("more/");
    QDir().mkpath(more + "new-empty");
    ASSERT_EQ(::symlink("x", Bytes(more + "new-link").constData()), 0);
    m_session->Settings.Append = true;
    m_session->Settings.BackupList = {more};
    RunBackup(*m_session);
    ASSERT_FALSE(m_session->CancelFlag);

    Restore({m_source, more});
    EXPECT_EQ(m_session->Counters.NotRestoredCount, 0);
    for (const QString& link : {Restored() + "/dangling", m_target + more.mid(1) + "new-link"}) {
        struct stat info {};
        EXPECT_EQ(::lstat(Bytes(link).constData(), &info), 0) << link.toStdString();
        EXPECT_TRUE(S_ISLNK(info.st_mode)) << link.toStdString();
    }
    EXPECT_TRUE(QFileInfo(m_target + more.mid(1) + "new-empty").isDir());
    EXPECT_TRUE(QFileInfo(Restored() + "/empty").isDir());
}

TEST_F(EntryMetadataTest, VerifyReportsChangedModeOwnerLinkTargetAndMissingDirectory) {
    if (!m_rootHere)
        GTEST_SKIP() << "changing an owner needs root";
    SetUpLibrary(32768 * 1000);
    MakeSource(4096);
    Backup(false);
    VerifyResult clean = VerifyTape(*m_session);
    EXPECT_EQ(clean.VerifiedDefect, 0) << m_op.VerifyLines.join('\n').toStdString();
    // Six files (one of them a hard link) and four symbolic links.
    EXPECT_EQ(clean.VerifiedOk, 10);

    const QString s = m_source;
    ASSERT_EQ(::chmod(Bytes(s + "dir/f600").constData(), 0644), 0);
    ASSERT_EQ(::chown(Bytes(s + "suid").constData(), 0, 1), 0);
    ASSERT_EQ(::unlink(Bytes(s + "dangling").constData()), 0);
    ASSERT_EQ(::symlink("somewhere", Bytes(s + "dangling").constData()), 0);
    ASSERT_TRUE(QDir(s + "empty").removeRecursively());
    const VerifyResult changed = VerifyTape(*m_session);

    const QStringList expected = {
        "Error with mode " + s + "dir/f600 <0644> / Tape <0600>",
        "Error with owner " + s + "suid <0:1> / Tape <0:0>",
        "Error in Link:  " + s + "dangling -> nowhere",
        "Error in Directory " + s + "empty or Directory not exists !",
    };
    for (const QString& line : expected)
        EXPECT_TRUE(m_op.VerifyLines.contains(line)) << line.toStdString() << "\n"
                                                     << m_op.VerifyLines.join('\n').toStdString();
    EXPECT_EQ(changed.VerifiedDefect, 4);
    EXPECT_EQ(changed.VerifiedOk, 7) << "the files whose mode or owner changed are no longer OK";
}

TEST_F(EntryMetadataTest, BothCatalogLoadsListLinksAndEmptyDirectoriesWithTheirDetails) {
    if (!m_rootHere)
        GTEST_SKIP() << "the lines name root as the owner";
    SetUpLibrary(32768 * 1000);
    MakeSource(4096);
    Backup(true);
    const auto fast = LoadCatalogFast(*m_session);
    const auto sequential = LoadCatalogSequential(*m_session);
    ASSERT_TRUE(fast && sequential);
    EXPECT_EQ(fast->FilePaths(true), sequential->FilePaths(true));
    const std::vector<QByteArray> listed = fast->FilePaths(true);
    for (const char* entry : {"dangling", "dir/sub/hard", "empty/", "private/"})
        EXPECT_NE(std::find(listed.begin(), listed.end(), Bytes(m_source + entry)), listed.end())
            << entry;

    const SetMetadata* metadata = fast->Metadata();
    ASSERT_TRUE(metadata);
    const auto line = [&](const QString& entry, bool storage) {
        const QByteArray path = Bytes(m_source + entry);
        return CatalogEntryLine(path, metadata->Find(path), storage);
    };
    const QString time =
        QDateTime::fromSecsSinceEpoch(1700000000).toString(QStringLiteral("yyyy-MM-dd HH:mm:ss"));
    EXPECT_EQ(line("dangling", false), "lrwxrwxrwx root/root         0 " + time +
                                           " tape - block - " + m_source + "dangling -> nowhere");
    EXPECT_EQ(line("empty", false),
              "drwxrwxrwt root/root         0 " + time + " tape - block - " + m_source + "empty");
    EXPECT_TRUE(line("suid", true).startsWith("-rwsr-xr-x root/root "));
    EXPECT_TRUE(line("suid", true).endsWith(time + " tape 1 block 1 packed " + m_source + "suid"))
        << line("suid", true).toStdString();
    // The window's detail of a node, for the link and for the empty directory.
    for (uint32_t node = 0; node < fast->NodeCount(); ++node) {
        const QByteArrayView name = fast->Name(node);
        if (name == QByteArrayView("dangling")) {
            EXPECT_EQ(CatalogEntryDetail(*fast->MetadataOf(node)),
                      "lrwxrwxrwx root/root -> nowhere");
        } else if (name == QByteArrayView("empty")) {
            EXPECT_EQ(CatalogEntryDetail(*fast->MetadataOf(node)), "drwxrwxrwt root/root");
        }
    }
    EXPECT_EQ(CatalogEntryLine("/old/file", nullptr, false),
              "?????????? ?/?         ? ? ? tape ? block ? /old/file");
}

} // namespace

namespace {

TEST(OwnerMapping, TakesTheNameWhereThisMachineKnowsItAsTarDoes) {
    EntryMetadata entry;
    entry.Uid = 4242;
    entry.Gid = 4343;
    entry.User = "root";
    entry.Group = "root";
    OwnerMapping byName(false);
    EXPECT_EQ(byName.Uid(entry), 0u);
    EXPECT_EQ(byName.Gid(entry), 0u);
    OwnerMapping numeric(true);
    EXPECT_EQ(numeric.Uid(entry), 4242u);
    EXPECT_EQ(numeric.Gid(entry), 4343u);
    entry.User = "no-such-user-here";
    entry.Group.clear();
    EXPECT_EQ(byName.Uid(entry), 4242u);
    EXPECT_EQ(byName.Gid(entry), 4343u);
}

} // namespace
