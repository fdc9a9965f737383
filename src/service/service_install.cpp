#include "service_install.h"

#include "platform/external_command.h"
#include "platform/message_pump.h"
#include "platform/operator_interface.h"
#include "service_unit.h"

#include <QDeadlineTimer>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QSaveFile>

namespace orvane {

namespace {

// orvane-service only writes a file and talks to systemd: it is done within this.
constexpr int ServiceProgramTimeoutMs = 60000;

QString UnitPath(ServiceScope scope) {
    return UnitDirectory(scope) + OrvaneServiceUnitName();
}

// Runs the service program to its end, the window alive meanwhile. A program that cannot be
// started is shown as a failed pre-backup command is; one that fails shows what it said.
void RunServiceProgram(OperatorInterface& op, const QString& program,
                       const QStringList& arguments) {
    QProcess process;
    process.setProcessChannelMode(QProcess::MergedChannels);
    process.start(program, arguments);
    const QString commandLine = program + QLatin1Char(' ') + arguments.join(QLatin1Char(' '));
    if (!process.waitForStarted()) {
        CommandStart start;
        start.Failure = QFileInfo::exists(program) ? CommandStartFailure::InvalidExecutable
                                                   : CommandStartFailure::FileNotFound;
        op.MessageBox(commandLine + QStringLiteral(". Error ") + CommandStartReason(start),
                      QString(), MessageIcon::Warning, MessageButtons::Ok);
        return;
    }
    const QDeadlineTimer deadline(ServiceProgramTimeoutMs);
    while (!process.waitForFinished(50)) {
        DrainMessages();
        if (deadline.hasExpired()) {
            process.kill();
            process.waitForFinished();
            op.MessageBox(commandLine + QStringLiteral(" did not end and was stopped."), QString(),
                          MessageIcon::Warning, MessageButtons::Ok);
            return;
        }
    }
    if (process.exitStatus() != QProcess::NormalExit || process.exitCode() != 0)
        op.MessageBox(QString::fromLocal8Bit(process.readAll()).trimmed(), QString(),
                      MessageIcon::Warning, MessageButtons::Ok);
}

} // namespace

ServiceOutcome InstallServiceUnit(ServiceScope scope, const QString& cliProgram,
                                  const QString& programDirectory, const QString& jobFile) {
    if (!QFileInfo(cliProgram).isExecutable())
        return {false, QStringLiteral("The scheduler %1 is missing: the service would not run.")
                           .arg(cliProgram)};
    ServiceUnitOptions options;
    options.CliProgram = cliProgram;
    options.ProgramDirectory = programDirectory;
    options.JobFile = jobFile;
    options.Scope = scope;
    const QString path = UnitPath(scope);
    QSaveFile file(path);
    QDir().mkpath(UnitDirectory(scope));
    if (!file.open(QIODevice::WriteOnly) || file.write(ServiceUnitText(options).toUtf8()) < 0 ||
        !file.commit())
        return {
            false,
            QStringLiteral("The unit %1 could not be written: %2").arg(path, file.errorString())};
    QFile::setPermissions(path, QFileDevice::ReadOwner | QFileDevice::WriteOwner |
                                    QFileDevice::ReadGroup | QFileDevice::ReadOther);
    const QString error = SystemdManager(scope).EnableUnitFile(path);
    if (!error.isEmpty())
        return {false, QStringLiteral("The unit %1 was written, but systemd could not enable it "
                                      "(%2). Enable it with: %3 daemon-reload && %3 enable %4")
                           .arg(path, error, SystemctlCommand(scope), OrvaneServiceUnitName())};
    return {true, QStringLiteral("Orvane Service installed and enabled: %1").arg(path)};
}

ServiceOutcome UninstallServiceUnit(ServiceScope scope) {
    const QString path = UnitPath(scope);
    if (!QFileInfo::exists(path))
        return {true, QStringLiteral("Orvane Service is not installed (no %1).").arg(path)};
    const QString error = SystemdManager(scope).DisableUnitFile(OrvaneServiceUnitName());
    if (!QFile::remove(path))
        return {false, QStringLiteral("The unit %1 could not be removed.").arg(path)};
    if (!error.isEmpty())
        return {false, QStringLiteral("The unit %1 was removed, but systemd could not be told "
                                      "(%2). Tell it with: %3 daemon-reload")
                           .arg(path, error, SystemctlCommand(scope))};
    return {true, QStringLiteral("Orvane Service removed: %1").arg(path)};
}

void InstallOrvaneService(OperatorInterface& op, const QString& serviceProgram,
                          const QString& programDirectory, const QString& jobFile, int waitMs) {
    op.ShowMessage(QStringLiteral("Be shure, you have uninstalled all older Orvane services !!"));
    RunServiceProgram(op, serviceProgram,
                      {QStringLiteral("/install"), QStringLiteral("/silent"),
                       QStringLiteral("--home"), programDirectory, QStringLiteral("--job"),
                       jobFile});
    const bool started =
        SystemdManager(CurrentServiceScope()).StartNamedService(OrvaneServiceName(), waitMs);
    op.ShowMessage(started ? QStringLiteral("Orvane Service was started !")
                           : QStringLiteral("Orvane Service was not started ! "));
}

void DeleteOrvaneService(OperatorInterface& op, const QString& serviceProgram, int waitMs) {
    SystemdManager(CurrentServiceScope()).StopNamedService(OrvaneServiceName(), waitMs);
    RunServiceProgram(op, serviceProgram, {QStringLiteral("/uninstall")});
}

} // namespace orvane
