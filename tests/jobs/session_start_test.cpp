#include "jobs/session.h"
#include "platform/protocol_log.h"
#include "platform/result_code.h"
#include "support/tape_fixture.h"
#include "tape/tape_access.h"

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
    Session& session = *fixture.Session;
    session.Start();
    EXPECT_TRUE(fixture.Op.Boxes.empty());
    EXPECT_TRUE(fixture.Op.ProtocolLines.isEmpty());
    EXPECT_EQ(session.BlockLimit, 990);
    EXPECT_EQ(fixture.Op.BusyModes, std::vector<bool>{true});
    session.DelayedStart();
    EXPECT_EQ(fixture.Op.BusyModes.back(), false);
    EXPECT_EQ(fixture.Op.ListLocks.back(), false);
}

TEST(SessionStart, WithoutAMediumReportsItAndStillReachesIdle) {
    SessionFixture fixture;
    fixture.Library->Eject();
    Session& session = *fixture.Session;
    session.Start();
    ASSERT_EQ(fixture.Op.Boxes.size(), 1u);
    EXPECT_EQ(fixture.Op.Boxes[0].Text, TapeErrorMessage(session, ResultCode::NoMediaInDrive));
    const QByteArray log = ReadFile(session.Paths.LogFilePath);
    EXPECT_TRUE(log.contains(ProtocolLog::Separator().toUtf8() + "\r\n"));
    EXPECT_TRUE(log.contains(": No media in drive.\r\n"));
    session.DelayedStart();
    EXPECT_EQ(fixture.Op.BusyModes.back(), false);
    EXPECT_EQ(fixture.Op.Boxes.size(), 1u) << "reported once, not again by the delayed start";
}

TEST(SessionStart, PreparesTheProgramDirectory) {
    test::TempHome home;
    QDir().mkpath(home.File("worker"));
    for (const char* stale : {"worker/orvane catalog.dat", "worker/orvane_backup.zip"}) {
        QFile file(home.File(stale));
        file.open(QIODevice::WriteOnly);
        file.write("old");
    }
    test::ScriptedOperator op;
    Session session(op, home.Path());
    EXPECT_EQ(session.Paths.WorkDirectory, home.Path() + "worker/");
    EXPECT_EQ(session.Paths.LogFilePath, home.Path() + "orvane_backup.log");
    EXPECT_EQ(session.Paths.JobFilePath, home.Path() + "jobs.job");
    session.Start();

    EXPECT_TRUE(QFileInfo(session.Paths.WorkDirectory).isDir());
    EXPECT_FALSE(QFile::exists(session.Paths.CatalogFilePath));
    EXPECT_FALSE(QFile::exists(session.Paths.SoftCompressionArchivePath));
    EXPECT_TRUE(QFile::exists(session.Paths.LogFilePath));
    EXPECT_EQ(QFileInfo(session.Paths.LogFilePath).size(), 0);
    // A new user finds the built-in library with one cartridge, ready for a backup.
    EXPECT_TRUE(QFile::exists(home.File("vtape/tape1.vtape")));
    EXPECT_TRUE(op.Boxes.empty());
    EXPECT_GT(session.BlockLimit, 0);
}

TEST(ProtocolLog, EveryLineReachesTheFileAndTheOperator) {
    SessionFixture fixture;
    ProtocolLog& protocol = fixture.Session->Protocol;
    protocol.EnsureExists();
    protocol.AddProtocolLine("first");
    protocol.AddProtocolLine("");
    protocol.AddProtocolLine("zweite Zeile ä");
    EXPECT_EQ(ReadFile(protocol.Path()), QByteArray("first\r\n\r\nzweite Zeile \xc3\xa4\r\n"));
    EXPECT_EQ(fixture.Op.ProtocolLines, (QStringList{"first", "", "zweite Zeile ä"}));
    EXPECT_EQ(protocol.ReadAll(), (QStringList{"first", "", "zweite Zeile ä"}));

    EXPECT_TRUE(protocol.Clear());
    EXPECT_TRUE(QFile::exists(protocol.Path()));
    EXPECT_EQ(QFileInfo(protocol.Path()).size(), 0);
}

TEST(ProtocolLog, AMissingLogCannotBeLoadedOrCleared) {
    SessionFixture fixture;
    ProtocolLog& protocol = fixture.Session->Protocol;
    EXPECT_FALSE(protocol.ReadAll());
    EXPECT_FALSE(protocol.Clear());
    EXPECT_FALSE(QFile::exists(protocol.Path())) << "clearing creates nothing";
    EXPECT_EQ(fixture.Op.Boxes.size(), 2u);
}

TEST(ProtocolLog, AnUnwritableLogIsReportedOnceAndTheLinesStillShow) {
    SessionFixture fixture;
    QDir().mkpath(fixture.Session->Paths.LogFilePath); // a directory where the file should be
    ProtocolLog& protocol = fixture.Session->Protocol;
    protocol.AddProtocolLine("one");
    protocol.AddProtocolLine("two");
    EXPECT_EQ(fixture.Op.Boxes.size(), 1u);
    EXPECT_EQ(fixture.Op.ProtocolLines, (QStringList{"one", "two"}));
}

} // namespace
