#include "jobs/session.h"
#include "platform/protocol_log.h"
#include "platform/result_code.h"
#include "support/tape_fixture.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <gtest/gtest.h>

using namespace orvane;
using orvane::test::SessionFixture;

namespace {

QByteArray ReadFile(const QString& path) {
    QFile file(path);
    file.open(QIODevice::ReadOnly);
    return file.readAll();
}

TEST(SessionStart, WithAMediumStartsQuietlyAndReachesIdle) {
    SessionFixture fixture(32768 * 1000);
    Session& session = *fixture.session;
    session.Start();
    EXPECT_TRUE(fixture.op.boxes.empty());
    EXPECT_TRUE(fixture.op.protocolLines.isEmpty());
    EXPECT_EQ(session.BlockLimit, 990);
    EXPECT_EQ(fixture.op.busyModes, std::vector<bool>{true});
    session.DelayedStart();
    EXPECT_EQ(fixture.op.busyModes.back(), false);
    EXPECT_EQ(fixture.op.listLocks.back(), false);
}

TEST(SessionStart, WithoutAMediumReportsItAndStillReachesIdle) {
    SessionFixture fixture;
    fixture.library->eject();
    Session& session = *fixture.session;
    session.Start();
    ASSERT_EQ(fixture.op.boxes.size(), 1u);
    EXPECT_EQ(fixture.op.boxes[0].text, SystemMessage(ResultCode::NoMediaInDrive));
    const QByteArray log = ReadFile(session.paths.LogFilePath);
    EXPECT_TRUE(log.contains(ProtocolLog::Separator().toUtf8() + "\r\n"));
    EXPECT_TRUE(log.contains(" : No media in drive.\r\n"));
    session.DelayedStart();
    EXPECT_EQ(fixture.op.busyModes.back(), false);
    EXPECT_EQ(fixture.op.boxes.size(), 1u) << "reported once, not again by the delayed start";
}

TEST(SessionStart, PreparesTheProgramDirectory) {
    test::TempHome home;
    QDir().mkpath(home.file("worker"));
    for (const char* stale : {"worker/orvane catalog.dat", "worker/orvane_backup.zip"}) {
        QFile file(home.file(stale));
        file.open(QIODevice::WriteOnly);
        file.write("old");
    }
    test::ScriptedOperator op;
    Session session(op, home.path());
    EXPECT_EQ(session.paths.WorkDirectory, home.path() + "worker/");
    EXPECT_EQ(session.paths.LogFilePath, home.path() + "orvane_backup.log");
    EXPECT_EQ(session.paths.JobFilePath, home.path() + "jobs.job");
    session.Start();

    EXPECT_TRUE(QFileInfo(session.paths.WorkDirectory).isDir());
    EXPECT_FALSE(QFile::exists(session.paths.CatalogFilePath));
    EXPECT_FALSE(QFile::exists(session.paths.SoftCompressionArchivePath));
    EXPECT_TRUE(QFile::exists(session.paths.LogFilePath));
    EXPECT_EQ(QFileInfo(session.paths.LogFilePath).size(), 0);
    // A new user finds the built-in library with one cartridge, ready for a backup.
    EXPECT_TRUE(QFile::exists(home.file("vtape/tape1.vtape")));
    EXPECT_TRUE(op.boxes.empty());
    EXPECT_GT(session.BlockLimit, 0);
}

TEST(ProtocolLog, EveryLineReachesTheFileAndTheOperator) {
    SessionFixture fixture;
    ProtocolLog& protocol = fixture.session->protocol;
    protocol.ensureExists();
    protocol.AddProtocolLine("first");
    protocol.AddProtocolLine("");
    protocol.AddProtocolLine("zweite Zeile ä");
    EXPECT_EQ(ReadFile(protocol.path()), QByteArray("first\r\n\r\nzweite Zeile \xc3\xa4\r\n"));
    EXPECT_EQ(fixture.op.protocolLines, (QStringList{"first", "", "zweite Zeile ä"}));
    EXPECT_EQ(protocol.readAll(), (QStringList{"first", "", "zweite Zeile ä"}));

    EXPECT_TRUE(protocol.clear());
    EXPECT_TRUE(QFile::exists(protocol.path()));
    EXPECT_EQ(QFileInfo(protocol.path()).size(), 0);
}

TEST(ProtocolLog, AMissingLogCannotBeLoadedOrCleared) {
    SessionFixture fixture;
    ProtocolLog& protocol = fixture.session->protocol;
    EXPECT_FALSE(protocol.readAll());
    EXPECT_FALSE(protocol.clear());
    EXPECT_FALSE(QFile::exists(protocol.path())) << "clearing creates nothing";
    EXPECT_EQ(fixture.op.boxes.size(), 2u);
}

TEST(ProtocolLog, AnUnwritableLogIsReportedOnceAndTheLinesStillShow) {
    SessionFixture fixture;
    QDir().mkpath(fixture.session->paths.LogFilePath); // a directory where the file should be
    ProtocolLog& protocol = fixture.session->protocol;
    protocol.AddProtocolLine("one");
    protocol.AddProtocolLine("two");
    EXPECT_EQ(fixture.op.boxes.size(), 1u);
    EXPECT_EQ(fixture.op.protocolLines, (QStringList{"one", "two"}));
}

} // namespace
