#include "jobs/backup_run.h"
#include "jobs/catalog_load.h"
#include "jobs/restore_run.h"
#include "jobs/session.h"
#include "jobs/verify_run.h"
#include "jobs/work_directory_claim.h"
#include "support/tape_fixture.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <functional>
#include <gtest/gtest.h>

using namespace orvane;
using orvane::test::SessionFixture;

namespace {

// What a running backup or restore keeps in the work directory.
const QStringList WorkFiles = {"orvane catalog.dat", "orvane_backup.zip"};

void WriteWorkFiles(const Session& session) {
    for (const QString& name : WorkFiles) {
        QFile file(session.Paths.WorkDirectory + name);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write("in use");
    }
}

QStringList PresentWorkFiles(const Session& session) {
    QStringList present;
    for (const QString& name : WorkFiles)
        if (QFile::exists(session.Paths.WorkDirectory + name))
            present << name;
    return present;
}

// A second session on the same program directory, as a second window or command would be.
struct SecondSession {
    explicit SecondSession(SessionFixture& first)
        : Session(Op, first.Home.Path(), first.Home.TapeChoice()) {}
    test::ScriptedOperator Op;
    orvane::Session Session;
};

TEST(WorkDirectoryClaim, ASecondSessionLeavesTheRunningJobsWorkFilesAlone) {
    SessionFixture fixture;
    Session& running = *fixture.Session;
    running.Start();
    const WorkDirectoryClaim job(running);
    ASSERT_TRUE(job);
    WriteWorkFiles(running);

    SecondSession second(fixture);
    second.Session.Start();
    EXPECT_EQ(PresentWorkFiles(running), WorkFiles) << "start-up leaves them alone";

    // Every job of the second session that would use the work files is refused, clearly.
    const std::vector<std::pair<const char*, std::function<void(Session&)>>> jobs = {
        {"backup", [](Session& s) { RunBackup(s, {}); }},
        {"restore", [](Session& s) { RunRestore(s); }},
        {"verify", [](Session& s) { VerifyTape(s); }},
        {"fast catalog", [](Session& s) { LoadCatalogFast(s, nullptr); }},
        {"sequential catalog", [](Session& s) { LoadCatalogSequential(s, nullptr); }},
    };
    second.Session.Settings.BackupList = {fixture.Home.Path()};
    second.Session.Settings.RestoreList = {"/some/file"};
    for (const auto& [name, run] : jobs) {
        second.Op.Boxes.clear();
        run(second.Session);
        EXPECT_TRUE(second.Session.CancelFlag) << name;
        ASSERT_FALSE(second.Op.Boxes.empty()) << name;
        EXPECT_TRUE(second.Op.Boxes.back().Text.contains("Another Orvane job is running"))
            << name << ": " << second.Op.Boxes.back().Text.toStdString();
        EXPECT_EQ(PresentWorkFiles(running), WorkFiles) << name;
    }
}

TEST(WorkDirectoryClaim, TheNextRunThatOwnsTheWorkDirectoryRemovesWhatAnEndedRunLeft) {
    SessionFixture fixture;
    Session& ended = *fixture.Session;
    ended.Start();
    WriteWorkFiles(ended); // as a run killed in the middle leaves them: no lock held any more

    SecondSession next(fixture);
    {
        const WorkDirectoryClaim claim(next.Session);
        ASSERT_TRUE(claim);
        EXPECT_TRUE(PresentWorkFiles(ended).isEmpty());
        WriteWorkFiles(ended);
        const WorkDirectoryClaim nested(next.Session);
        EXPECT_TRUE(nested) << "a job inside a job (verify after backup) shares the claim";
        EXPECT_EQ(PresentWorkFiles(ended), WorkFiles) << "only the first claim cleans up";
    }
    SecondSession third(fixture);
    third.Session.Start();
    EXPECT_TRUE(PresentWorkFiles(ended).isEmpty()) << "start-up cleans up once nobody works";
}

// A backup killed while packing leaves files packed ahead and the zip component's temporary
// files beside them; the next run that owns the work directory removes them, and nothing else.
TEST(WorkDirectoryClaim, LeftoversOfAKilledBackupAreRemovedByTheNextOwner) {
    SessionFixture fixture;
    const QString work = fixture.Session->Paths.WorkDirectory;
    QDir().mkpath(work);
    const QStringList leftovers = {"orvane_backup-3.zip", "orvane_backup-3.zip.Xy12Ab",
                                   "orvane_backup.zip.Qw34Er"};
    const QStringList kept = {"orvane_backup.txt", "notes-orvane_backup-3.zip"};
    for (const QString& name : leftovers + kept) {
        QFile file(work + name);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    }
    // A restore killed while unpacking leaves the directory it unpacked in.
    const QString unpacked = work + "orvane unpack-Ab12Cd/";
    QDir().mkpath(unpacked + "deep");
    QFile(unpacked + "deep/member").open(QIODevice::WriteOnly);
    fixture.Session->Start();
    EXPECT_FALSE(QFileInfo::exists(unpacked));
    for (const QString& name : leftovers)
        EXPECT_FALSE(QFile::exists(work + name)) << name.toStdString();
    for (const QString& name : kept)
        EXPECT_TRUE(QFile::exists(work + name)) << name.toStdString();
}

} // namespace
