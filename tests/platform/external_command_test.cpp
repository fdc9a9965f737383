#include "platform/external_command.h"
#include "support/temp_home.h"

#include <QDir>
#include <QFile>
#include <QThread>
#include <gtest/gtest.h>

using namespace orvane;
using namespace orvane::test;

namespace {

TEST(ExternalCommand, FailuresMapOntoTheirReasons) {
    TempHome home;
    QDir().mkpath(home.File("dir"));
    QFile plain(home.File("plain.txt"));
    ASSERT_TRUE(plain.open(QIODevice::WriteOnly));
    plain.write("not a program\n");
    plain.close();
    struct Case {
        QString CommandLine;
        CommandStartFailure Failure;
        QString Reason;
    };
    const Case cases[] = {
        {"orvane-no-such-program-here --flag", CommandStartFailure::FileNotFound,
         "The specified file was not found."},
        {home.File("missing.sh"), CommandStartFailure::FileNotFound,
         "The specified file was not found."},
        {home.File("no/such/dir/run.sh"), CommandStartFailure::PathNotFound,
         "The specified path was not found."},
        {home.File("dir"), CommandStartFailure::InvalidExecutable,
         "The .EXE file is invalid (non-Win32 .EXE or error in .EXE image)."},
        {home.File("plain.txt"), CommandStartFailure::InvalidExecutable,
         "The .EXE file is invalid (non-Win32 .EXE or error in .EXE image)."},
        {"", CommandStartFailure::FileNotFound, "The specified file was not found."},
    };
    for (const Case& c : cases) {
        const CommandStart start = StartDetachedCommand(c.CommandLine);
        EXPECT_EQ(start.Failure, c.Failure) << c.CommandLine.toStdString();
        EXPECT_EQ(CommandStartReason(start), c.Reason) << c.CommandLine.toStdString();
    }
    EXPECT_EQ(CommandStartReason({CommandStartFailure::Other, 12}), "Unknown Error Nr.: 12");
}

TEST(ExternalCommand, RunsWithQuotedArgumentsAndIsNotAwaited) {
    TempHome home;
    const QString marker = home.File("a marker");
    // The command sleeps before it writes: StartDetachedCommand returns long before.
    const CommandStart start =
        StartDetachedCommand(QStringLiteral("sh -c 'sleep 1; touch \"$0\"' '%1'").arg(marker));
    ASSERT_TRUE(start.Started());
    EXPECT_FALSE(QFile::exists(marker));
    for (int i = 0; i < 100 && !QFile::exists(marker); ++i)
        QThread::msleep(50);
    EXPECT_TRUE(QFile::exists(marker));
}

} // namespace

namespace {

TEST(ExternalCommand, CommandLinesSplitLikeAShellWithoutExpanding) {
    const struct {
        QString Line;
        QStringList Words;
    } cases[] = {
        {"  /opt/stop-db.sh   --now ", {"/opt/stop-db.sh", "--now"}},
        {"'/srv/my scripts/stop.sh' \"a b\" c\\ d", {"/srv/my scripts/stop.sh", "a b", "c d"}},
        {"echo 'it''s' \"say \\\"hi\\\" \\n\" $HOME", {"echo", "its", "say \"hi\" \\n", "$HOME"}},
        {"run ''", {"run", ""}},
    };
    for (const auto& c : cases)
        EXPECT_EQ(SplitCommandLine(c.Line), c.Words) << c.Line.toStdString();
}

} // namespace
