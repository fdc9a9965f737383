#include "platform/service_scope.h"
#include "service/service_arguments.h"
#include "service/service_install.h"
#include "service/service_unit.h"
#include "support/loopback_server.h"
#include "support/private_bus.h"
#include "support/scripted_operator.h"

#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <gtest/gtest.h>

using namespace orvane;
using namespace orvane::test;

namespace {

const QString Started = QStringLiteral("Orvane Service was started !");
const QString NotStarted = QStringLiteral("Orvane Service was not started ! ");
const QString Warning =
    QStringLiteral("Be shure, you have uninstalled all older Orvane services !!");

struct ProgramRun {
    int Status;
    QString Output;
};

ProgramRun RunProgram(const QString& program, const QStringList& arguments,
                      const QStringList& env = {}) {
    QProcess process;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    for (const QString& assignment : env)
        environment.insert(assignment.section('=', 0, 0), assignment.section('=', 1));
    process.setProcessEnvironment(environment);
    process.setProcessChannelMode(QProcess::MergedChannels);
    process.start(program, arguments);
    process.waitForFinished(60000);
    return {process.exitCode(), QString::fromUtf8(process.readAll())};
}

// systemd-analyze verify of a unit file, in the mode of its scope.
ProgramRun Verify(const QString& unitFile, ServiceScope scope, const QString& runtimeDir) {
    QStringList arguments = {"verify", unitFile};
    if (scope == ServiceScope::User)
        arguments.prepend("--user");
    return RunProgram("systemd-analyze", arguments, {"XDG_RUNTIME_DIR=" + runtimeDir});
}

TEST(ServiceUnit, WordsReachTheProgramAsTheyAre) {
    const struct {
        const char* Word;
        const char* Exec;
        const char* Path;
    } cases[] = {
        {"/opt/orvane/orvane-cli", R"("/opt/orvane/orvane-cli")", R"("/opt/orvane/orvane-cli")"},
        {"/data/My Jobs/a.job", R"("/data/My Jobs/a.job")", R"("/data/My Jobs/a.job")"},
        {R"(/x/"q"\b)", R"("/x/\"q\"\\b")", R"("/x/\"q\"\\b")"},
        {"/x/100%$HOME", R"("/x/100%%$$HOME")", R"("/x/100%%$HOME")"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(SystemdWord(c.Word), c.Exec);
        EXPECT_EQ(SystemdWord(c.Word, false), c.Path);
    }
}

// A program directory whose name needs quoting, the built orvane-cli, and both scopes.
TEST(ServiceUnit, BothScopesPassSystemdAnalyzeVerify) {
    QTemporaryDir dir;
    const QString runtime = dir.filePath("run");
    QDir().mkpath(runtime);
    QFile::setPermissions(runtime,
                          QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
    for (const ServiceScope scope : {ServiceScope::User, ServiceScope::System}) {
        ServiceUnitOptions options;
        options.CliProgram = ORVANE_CLI;
        options.ProgramDirectory = dir.filePath("Orvane 100%/");
        options.JobFile = dir.filePath("Orvane 100%/jobs.job");
        options.Scope = scope;
        const QString text = ServiceUnitText(options);
        const QString file = dir.filePath("OrvaneService.service");
        QFile unit(file);
        ASSERT_TRUE(unit.open(QIODevice::WriteOnly | QIODevice::Truncate));
        unit.write(text.toUtf8());
        unit.close();

        const ProgramRun verify = Verify(file, scope, runtime);
        EXPECT_EQ(verify.Status, 0) << verify.Output.toStdString() << text.toStdString();
        EXPECT_TRUE(text.contains(QStringLiteral("ExecStart=\"%1\" \"--home\"").arg(ORVANE_CLI)));
        EXPECT_TRUE(text.contains(" \"schedule\" \"--job\" "));
        EXPECT_TRUE(text.contains("\nRestart=on-failure\n"));
        EXPECT_FALSE(text.contains("ProtectHome")) << "a backup agent must read every home";
        EXPECT_EQ(text.contains("ProtectSystem=full"), scope == ServiceScope::System);
    }
}

TEST(ServiceArguments, BothSpellingsOfTheSwitches) {
    const struct {
        QStringList Arguments;
        bool Valid;
        ServiceArguments::Action Do;
        bool Silent;
    } cases[] = {
        {{"/install", "/silent"}, true, ServiceArguments::Action::Install, true},
        {{"--install"}, true, ServiceArguments::Action::Install, false},
        {{"/uninstall"}, true, ServiceArguments::Action::Uninstall, false},
        {{"--uninstall", "--silent"}, true, ServiceArguments::Action::Uninstall, true},
        {{"/install", "/uninstall"}, false, {}, false},
        {{"/silent"}, false, {}, false},
        {{"/install", "--home"}, false, {}, false},
        {{"install"}, false, {}, false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.Arguments.join(' ').toStdString());
        QString error;
        const auto parsed = ParseServiceArguments(c.Arguments, error);
        ASSERT_EQ(parsed.has_value(), c.Valid);
        if (parsed) {
            EXPECT_EQ(parsed->Do, c.Do);
            EXPECT_EQ(parsed->Silent, c.Silent);
        } else {
            EXPECT_FALSE(error.isEmpty());
        }
    }
}

// A user's systemd on the test's own bus: a stand-in for org.freedesktop.systemd1 that knows
// the units in the user's unit directory.
class ServiceTest : public ::testing::Test {
protected:
    ServiceTest() {
        qputenv("ORVANE_SERVICE_SCOPE", "user");
        qputenv("XDG_CONFIG_HOME", m_dir.filePath("config").toUtf8());
    }
    ~ServiceTest() override {
        qunsetenv("ORVANE_SERVICE_SCOPE");
        qunsetenv("XDG_CONFIG_HOME");
    }

    QString UnitFile() const { return UnitDirectory(ServiceScope::User) + "OrvaneService.service"; }
    QStringList Calls(LoopbackServer& standIn) {
        QStringList calls;
        for (const QJsonObject& event : standIn.Events())
            calls << event["call"].toString();
        return calls;
    }

    QTemporaryDir m_dir;
    QString m_home = m_dir.filePath("home/");
    PrivateBus m_bus;
    ScriptedOperator m_op;
};

TEST_F(ServiceTest, TheProgramWritesEnablesAndRemovesTheUserUnit) {
    LoopbackServer standIn(ORVANE_SYSTEMD_STANDIN, {UnitDirectory(ServiceScope::User)});

    const ProgramRun install =
        RunProgram(ORVANE_SERVICE, {"/install", "/silent", "--home", m_home});
    EXPECT_EQ(install.Status, 0) << install.Output.toStdString();
    EXPECT_EQ(install.Output, "") << "silent";
    QFile unit(UnitFile());
    ASSERT_TRUE(unit.open(QIODevice::ReadOnly));
    const QString text = QString::fromUtf8(unit.readAll());
    EXPECT_TRUE(
        text.contains(QStringLiteral("\"%1\" \"schedule\" \"--job\" \"%1jobs.job\"").arg(m_home)))
        << text.toStdString();
    EXPECT_EQ(Calls(standIn), QStringList({"EnableUnitFiles", "Reload"}));

    const ProgramRun uninstall = RunProgram(ORVANE_SERVICE, {"--uninstall"});
    EXPECT_EQ(uninstall.Status, 0) << uninstall.Output.toStdString();
    EXPECT_FALSE(QFile::exists(UnitFile()));
    EXPECT_EQ(Calls(standIn),
              QStringList({"EnableUnitFiles", "Reload", "DisableUnitFiles", "Reload"}));

    EXPECT_EQ(RunProgram(ORVANE_SERVICE, {"/start"}).Status, 2);
}

TEST_F(ServiceTest, WithoutSystemdTheUnitIsWrittenAndTheFailureSaid) {
    const ProgramRun install =
        RunProgram(ORVANE_SERVICE, {"--install", "--home", m_home},
                   {"DBUS_SESSION_BUS_ADDRESS=unix:path=" + m_dir.filePath("none")});
    EXPECT_EQ(install.Status, 1);
    EXPECT_TRUE(install.Output.contains("systemctl --user daemon-reload"))
        << install.Output.toStdString();
    EXPECT_TRUE(QFile::exists(UnitFile()));
}

TEST_F(ServiceTest, InstallThenStartShowsTheOutcome) {
    const struct {
        const char* Case;
        QStringList StandInArguments;
        QString ServiceProgram;
        QString Outcome;
    } cases[] = {
        {"starts", {}, ORVANE_SERVICE, Started},
        {"never becomes active", {"--never-active"}, ORVANE_SERVICE, NotStarted},
        {"no service program", {}, m_dir.filePath("orvane-service"), NotStarted},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.Case);
        QFile::remove(UnitFile());
        LoopbackServer standIn(ORVANE_SYSTEMD_STANDIN,
                               QStringList{UnitDirectory(ServiceScope::User)} + c.StandInArguments);
        m_op.Boxes.clear();

        InstallOrvaneService(m_op, c.ServiceProgram, m_home, m_home + "jobs.job", 1500);

        const QStringList boxes = m_op.BoxTexts();
        ASSERT_GE(boxes.size(), 2);
        EXPECT_EQ(boxes.first(), Warning);
        EXPECT_EQ(boxes.last(), c.Outcome);
    }
    EXPECT_TRUE(m_op.BoxTexts()[1].endsWith(". Error The specified file was not found."))
        << m_op.BoxTexts()[1].toStdString();
}

TEST_F(ServiceTest, DeletingAServiceThatIsNotInstalledSaysNothing) {
    LoopbackServer standIn(ORVANE_SYSTEMD_STANDIN, {UnitDirectory(ServiceScope::User)});

    DeleteOrvaneService(m_op, ORVANE_SERVICE, 1500);

    EXPECT_TRUE(m_op.Boxes.empty()) << m_op.BoxTexts().join('|').toStdString();
    EXPECT_EQ(Calls(standIn), QStringList({"StopUnit"}));
}

} // namespace
