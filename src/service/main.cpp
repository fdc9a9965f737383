#include "platform/path_bytes.h"
#include "platform/program_directory.h"
#include "platform/service_scope.h"
#include "service_arguments.h"
#include "service_install.h"

#include <QCoreApplication>
#include <QFileInfo>
#include <QTextStream>

using namespace orvane;

// orvane-service: registers the scheduler (orvane-cli schedule) as the systemd unit
// OrvaneService.service, or removes it. Exit status: 0 done, 1 failed, 2 a wrong command line.
int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("Orvane"));
    QTextStream out(stdout);
    QTextStream err(stderr);
    QStringList arguments;
    for (int i = 1; i < argc; ++i)
        arguments << PathFromBytes(argv[i]);
    QString error;
    const std::optional<ServiceArguments> parsed = ParseServiceArguments(arguments, error);
    if (!parsed) {
        err << "orvane-service: " << error << '\n' << ServiceUsage();
        return 2;
    }
    const ServiceScope scope = CurrentServiceScope();
    ServiceOutcome outcome;
    if (parsed->Do == ServiceArguments::Action::Install) {
        const QString home = ResolveProgramDirectory(parsed->Home);
        const QString job = parsed->JobFile.isEmpty()
                                ? home + QStringLiteral("jobs.job")
                                : QFileInfo(parsed->JobFile).absoluteFilePath();
        const QString cli = QCoreApplication::applicationDirPath() + QStringLiteral("/orvane-cli");
        outcome = InstallServiceUnit(scope, cli, home, job);
    } else {
        outcome = UninstallServiceUnit(scope);
    }
    if (!outcome.Done)
        err << "orvane-service: " << outcome.Message << Qt::endl;
    else if (!parsed->Silent)
        out << outcome.Message << Qt::endl;
    return outcome.Done ? 0 : 1;
}
