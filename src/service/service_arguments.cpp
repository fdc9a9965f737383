#include "service_arguments.h"

namespace orvane {

std::optional<ServiceArguments> ParseServiceArguments(const QStringList& arguments,
                                                      QString& error) {
    ServiceArguments parsed;
    std::optional<ServiceArguments::Action> action;
    for (qsizetype i = 0; i < arguments.size(); ++i) {
        const QString& argument = arguments.at(i);
        auto value = [&]() -> std::optional<QString> {
            if (i + 1 >= arguments.size() || arguments.at(i + 1).isEmpty()) {
                error = argument + QStringLiteral(" needs a value");
                return std::nullopt;
            }
            return arguments.at(++i);
        };
        const QString word = argument.startsWith(QLatin1String("--")) ? argument.mid(2)
                             : argument.startsWith(QLatin1Char('/'))  ? argument.mid(1)
                                                                      : QString();
        ServiceArguments::Action given;
        if (word == QLatin1String("install")) {
            given = ServiceArguments::Action::Install;
        } else if (word == QLatin1String("uninstall")) {
            given = ServiceArguments::Action::Uninstall;
        } else if (word == QLatin1String("silent")) {
            parsed.Silent = true;
            continue;
        } else if (argument == QLatin1String("--home") || argument == QLatin1String("--job")) {
            const std::optional<QString> text = value();
            if (!text)
                return std::nullopt;
            (argument == QLatin1String("--home") ? parsed.Home : parsed.JobFile) = *text;
            continue;
        } else {
            error = QStringLiteral("unknown argument ") + argument;
            return std::nullopt;
        }
        if (action && *action != given) {
            error = QStringLiteral("install and uninstall exclude each other");
            return std::nullopt;
        }
        action = given;
    }
    if (!action) {
        error = QStringLiteral("no /install or /uninstall given");
        return std::nullopt;
    }
    parsed.Do = *action;
    return parsed;
}

QString ServiceUsage() {
    return QStringLiteral("Usage: orvane-service /install [/silent] [--home DIR] [--job FILE]\n"
                          "       orvane-service /uninstall [/silent]\n"
                          "(--install, --uninstall and --silent are the same switches.)\n");
}

} // namespace orvane
