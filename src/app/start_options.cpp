#include "start_options.h"

#include <QCommandLineParser>

namespace orvane {

std::variant<StartOptions, StartOptionsError> ParseStartOptions(const QStringList& arguments) {
    QCommandLineParser parser;
    parser.setApplicationDescription(QStringLiteral("Orvane, tape backup for the desktop."));
    const QCommandLineOption help({QStringLiteral("h"), QStringLiteral("help")},
                                  QStringLiteral("Shows this help."));
    const QCommandLineOption home(
        QStringLiteral("home"),
        QStringLiteral("Keeps the job file, the protocol and the work files in DIR."),
        QStringLiteral("DIR"));
    const QCommandLineOption tape(
        QStringLiteral("tape"),
        QStringLiteral("Uses the tape drive DEVICE, or the virtual tape library in DIR."),
        QStringLiteral("DEVICE|vtape:DIR"));
    parser.addOption(help);
    parser.addOption(home);
    parser.addOption(tape);
    parser.addPositionalArgument(QStringLiteral("JOBFILE"),
                                 QStringLiteral("A job file to apply after the start."),
                                 QStringLiteral("[JOBFILE"));
    parser.addPositionalArgument(QStringLiteral("start"),
                                 QStringLiteral("Begins a backup right after the start."),
                                 QStringLiteral("[start]]"));
    if (!parser.parse(arguments))
        return StartOptionsError{parser.errorText() + QStringLiteral("\n\n") + parser.helpText()};
    if (parser.isSet(help))
        return StartOptionsError{parser.helpText(), true};

    StartOptions options;
    options.Home = parser.value(home);
    options.TapeChoice = parser.value(tape);
    if (parser.isSet(home) && options.Home.isEmpty())
        return StartOptionsError{QStringLiteral("--home needs a directory.")};
    if (parser.isSet(tape) && options.TapeChoice.isEmpty())
        return StartOptionsError{QStringLiteral("--tape needs a device or vtape:DIR.")};
    // Arguments after the second are ignored.
    const QStringList positional = parser.positionalArguments();
    options.JobFileArgument = positional.value(0);
    options.StartArgument = positional.value(1);
    return options;
}

} // namespace orvane
