#include "platform/path_bytes.h"
#include "support/temp_home.h"

#include <QByteArray>
#include <QString>
#include <cstdlib>
#include <gtest/gtest.h>
#include <optional>
#include <string>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

using namespace orvane;

namespace {

struct ProgramRun {
    int Status = -1;
    QByteArray Out;
};

// Runs the real program with arguments given as bytes, as a shell passes them.
ProgramRun RunProgram(const std::vector<QByteArray>& args) {
    int pipeFds[2];
    if (::pipe(pipeFds) != 0)
        return {};
    const pid_t pid = ::fork();
    if (pid == 0) {
        ::dup2(pipeFds[1], 1);
        ::close(pipeFds[0]);
        ::close(pipeFds[1]);
        std::vector<char*> argv{const_cast<char*>(ORVANE_CLI)};
        for (const QByteArray& arg : args)
            argv.push_back(const_cast<char*>(arg.constData()));
        argv.push_back(nullptr);
        ::execv(ORVANE_CLI, argv.data());
        ::_exit(127);
    }
    ::close(pipeFds[1]);
    ProgramRun run;
    char buffer[4096];
    for (ssize_t n; (n = ::read(pipeFds[0], buffer, sizeof buffer)) > 0;)
        run.Out.append(buffer, n);
    ::close(pipeFds[0]);
    int status = 0;
    ::waitpid(pid, &status, 0);
    run.Status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    return run;
}

void WriteFile(const QByteArray& path, const QByteArray& data) {
    const qsizetype slash = path.lastIndexOf('/');
    ::mkdir(path.left(slash).constData(), 0755);
    FILE* file = std::fopen(path.constData(), "wb");
    ASSERT_NE(file, nullptr) << path.toStdString();
    std::fwrite(data.constData(), 1, size_t(data.size()), file);
    std::fclose(file);
}

std::optional<QByteArray> ReadFile(const QByteArray& path) {
    FILE* file = std::fopen(path.constData(), "rb");
    if (!file)
        return std::nullopt;
    QByteArray data;
    char buffer[4096];
    for (size_t n; (n = std::fread(buffer, 1, sizeof buffer, file)) > 0;)
        data.append(buffer, qsizetype(n));
    std::fclose(file);
    return data;
}

// File names are bytes: every name below goes through backup, both catalogs, restore and verify
// and comes back byte for byte, with and without soft compression.
class ByteNamesCliTest : public ::testing::Test {
protected:
    ByteNamesCliTest() {
        // The path of exactly the longest length a record holds, counted in bytes.
        QByteArray longName = "long\xe9";
        longName += QByteArray(255 - (m_source.size() + longName.size()), 'x');
        m_names = {
            "caf\xe9.txt",
            "\xff\xfe",
            "\xc3\xbc"
            "ber.txt",
            "back\\slash.txt",
            "new\nline.txt",
            "-leading-dash.txt",
            "sub/orvane catalog.dat",
            "orvane filler.dat",
            longName,
            // Last of the walk: the record right before the run's own catalog.
            "\xff\xff/orvane catalog.dat",
        };
        for (const QByteArray& name : m_names)
            WriteFile(m_source + name, "content of " + name);
    }

    // The temporary directory cannot remove names it cannot spell.
    ~ByteNamesCliTest() override {
        std::system(("rm -rf '" + m_source + "' '" + m_target + "'").constData());
    }

    ProgramRun Cli(std::vector<QByteArray> args) {
        args.insert(args.begin(), {"--home", m_homeBytes, "--yes"});
        return RunProgram(args);
    }

    test::TempHome m_home;
    const QByteArray m_homeBytes = PathToBytes(m_home.Path());
    const QByteArray m_source = m_homeBytes + "data/";
    const QByteArray m_target = m_homeBytes + "out";
    std::vector<QByteArray> m_names;
};

TEST_F(ByteNamesCliTest, EveryNameComesBackByteForByte) {
    for (const char* compression :
         {"Compressions/Softcompression=0", "Compressions/Softcompression=1"}) {
        SCOPED_TRACE(compression);
        const ProgramRun backup = Cli({"--set", compression, "backup", m_source});
        ASSERT_EQ(backup.Status, 0) << backup.Out.toStdString();
        EXPECT_EQ(m_source.size() + m_names[8].size(), 255);

        for (const std::vector<QByteArray>& command :
             {std::vector<QByteArray>{"catalog"}, {"catalog", "--sequential"}}) {
            const ProgramRun catalog = Cli(command);
            EXPECT_EQ(catalog.Status, 0);
            for (const QByteArray& name : m_names)
                EXPECT_TRUE(catalog.Out.contains(DisplayPath(m_source + name).toUtf8() + '\n'))
                    << command.back().toStdString() << ": " << name.toStdString();
            // Only the files: the run's own catalog is not among them.
            EXPECT_EQ(catalog.Out.count("orvane catalog.dat"), 2);
        }

        const ProgramRun restore = Cli({"restore", "--target", m_target, m_source});
        EXPECT_EQ(restore.Status, 0) << restore.Out.toStdString();
        for (const QByteArray& name : m_names)
            EXPECT_EQ(ReadFile(m_target + m_source + name), "content of " + name)
                << name.toStdString();

        const ProgramRun verify = Cli({"verify"});
        EXPECT_EQ(verify.Status, 0);
        EXPECT_TRUE(verify.Out.contains(QByteArray::number(m_names.size()) + " Files OK"))
            << verify.Out.toStdString();
        EXPECT_TRUE(verify.Out.contains("0 Files Defect")) << verify.Out.toStdString();
        EXPECT_TRUE(verify.Out.contains(DisplayPath(m_source + m_names[0]).toUtf8() + "   OK"));

        RunProgram({"--home", m_homeBytes, "vtape", "create", "next"});
        RunProgram({"--home", m_homeBytes, "vtape", "insert", "next"});
        std::system(("rm -rf '" + m_target + "'").constData());
    }
}

// A selection typed on the command line is bytes too: it names the one file it spells.
TEST_F(ByteNamesCliTest, ASelectionGivenAsBytesRestoresExactlyThatFile) {
    ASSERT_EQ(Cli({"backup", m_source}).Status, 0);
    const ProgramRun restore = Cli({"restore", "--target", m_target, m_source + m_names[0]});
    EXPECT_EQ(restore.Status, 0) << restore.Out.toStdString();
    EXPECT_EQ(ReadFile(m_target + m_source + m_names[0]), "content of " + m_names[0]);
    for (size_t i = 1; i < m_names.size(); ++i)
        EXPECT_FALSE(ReadFile(m_target + m_source + m_names[i])) << m_names[i].toStdString();
    EXPECT_TRUE(restore.Out.contains(DisplayPath(m_source + m_names[0]).toUtf8()));
}

} // namespace
