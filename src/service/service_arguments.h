#pragma once

#include <QString>
#include <QStringList>
#include <optional>

namespace orvane {

// The command line of orvane-service: "/install /silent" or "/uninstall", also as "--install",
// "--silent", "--uninstall"; --home DIR and --job FILE name what the service schedules.
struct ServiceArguments {
    enum class Action { Install, Uninstall };
    Action Do = Action::Install;
    bool Silent = false;
    QString Home;
    QString JobFile;
};

// Nothing, with `error` set, for a command line that is not one of these.
std::optional<ServiceArguments> ParseServiceArguments(const QStringList& arguments, QString& error);

QString ServiceUsage();

} // namespace orvane
