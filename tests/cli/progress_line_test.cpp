#include "cli_run.h"
#include "support/temp_home.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <gtest/gtest.h>
#include <pty.h>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

using namespace orvane;

namespace {

struct TerminalRun {
    int Status = -1;
    QByteArray Screen; // everything the terminal received
};

// Runs the real program on a pseudo-terminal of 100 columns, as a user at a terminal does.
TerminalRun RunOnTerminal(const QStringList& args) {
    std::vector<QByteArray> bytes;
    for (const QString& arg : args)
        bytes.push_back(arg.toUtf8());
    int master = -1;
    winsize size{};
    size.ws_col = 100;
    size.ws_row = 30;
    const pid_t pid = ::forkpty(&master, nullptr, nullptr, &size);
    if (pid == 0) {
        std::vector<char*> argv{const_cast<char*>(ORVANE_CLI)};
        for (QByteArray& arg : bytes)
            argv.push_back(arg.data());
        argv.push_back(nullptr);
        ::execv(ORVANE_CLI, argv.data());
        ::_exit(127);
    }
    TerminalRun run;
    if (pid < 0)
        return run;
    char buffer[4096];
    // The terminal answers EIO once the program has closed it.
    for (ssize_t n; (n = ::read(master, buffer, sizeof buffer)) > 0;)
        run.Screen.append(buffer, n);
    ::close(master);
    int status = 0;
    ::waitpid(pid, &status, 0);
    run.Status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    return run;
}

class ProgressLineTest : public ::testing::Test {
protected:
    ProgressLineTest() {
        EXPECT_EQ(
            test::RunCliAt(m_home.Path(), {"vtape", "create", "big", "--capacity", "3G"}).Status,
            0);
        EXPECT_EQ(test::RunCliAt(m_home.Path(), {"vtape", "insert", "big"}).Status, 0);
    }

    // A file of `size` bytes that reads as zeros and takes no room.
    QString SparseFile(const QString& name, qint64 size) {
        QFile file(m_source.path() + '/' + name);
        EXPECT_TRUE(file.open(QIODevice::WriteOnly));
        EXPECT_TRUE(file.resize(size));
        return file.fileName();
    }

    QStringList BackupArgs() const {
        return {"--home", m_home.Path(),        "--yes", "--set", "Compressions/Softcompression=0",
                "backup", m_source.path() + '/'};
    }

    test::TempHome m_home;
    QTemporaryDir m_source;
};

// A 2 GiB backup lasts long enough for an estimate: the line shows the part done of the total
// found ahead, the rate and the time left, and updates in place.
TEST_F(ProgressLineTest, ATerminalShowsOneUpdatingLineWithTheTimeLeft) {
    SparseFile("disk.img", qint64(2) << 30);
    const TerminalRun run = RunOnTerminal(BackupArgs());
    EXPECT_EQ(run.Status, 0) << run.Screen.toStdString();
    const QString screen = QString::fromUtf8(run.Screen);
    const QRegularExpression updating(
        "\r\\d+\\.\\d of 2\\.0 GiB · \\d+(\\.\\d)? MB/s · \\d+:\\d\\d left · .*disk\\.img\x1b\\[K");
    EXPECT_TRUE(screen.contains(updating)) << run.Screen.toStdString();
    EXPECT_TRUE(screen.contains(QRegularExpression(
        "\r2\\.0 of 2\\.0 GiB · \\d+(\\.\\d)? MB/s · \\d+:\\d\\d elapsed\x1b\\[K\r?\n")))
        << run.Screen.toStdString();
    // The line stands for the status texts while it updates.
    EXPECT_FALSE(screen.contains("Processing :")) << run.Screen.toStdString();
    EXPECT_TRUE(screen.contains("Backup finished at: "));
}

TEST_F(ProgressLineTest, ElsewhereTheRunEndsWithOnePlainLineAndQuietHasNone) {
    SparseFile("small.img", 5 << 20);
    QProcess backup;
    backup.start(ORVANE_CLI, BackupArgs());
    ASSERT_TRUE(backup.waitForFinished(60000));
    EXPECT_EQ(backup.exitCode(), 0);
    const QString err = QString::fromUtf8(backup.readAllStandardError());
    EXPECT_FALSE(err.contains('\r'));
    EXPECT_TRUE(err.contains(QRegularExpression("\n5\\.0 of 5\\.0 MiB · .* elapsed\n")))
        << err.toStdString();

    QProcess quiet;
    quiet.start(ORVANE_CLI, QStringList{"-q"} + BackupArgs());
    ASSERT_TRUE(quiet.waitForFinished(60000));
    EXPECT_EQ(quiet.exitCode(), 0);
    EXPECT_FALSE(QString::fromUtf8(quiet.readAllStandardError()).contains("elapsed"));
}

} // namespace
