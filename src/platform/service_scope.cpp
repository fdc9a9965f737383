#include "service_scope.h"

#include <QDir>
#include <unistd.h>

namespace orvane {

ServiceScope CurrentServiceScope() {
    const QString chosen = qEnvironmentVariable("ORVANE_SERVICE_SCOPE");
    if (chosen == QLatin1String("user"))
        return ServiceScope::User;
    if (chosen == QLatin1String("system"))
        return ServiceScope::System;
    return geteuid() == 0 ? ServiceScope::System : ServiceScope::User;
}

QString UnitDirectory(ServiceScope scope) {
    if (scope == ServiceScope::System)
        return QStringLiteral("/etc/systemd/system/");
    QString config = qEnvironmentVariable("XDG_CONFIG_HOME");
    if (config.isEmpty())
        config = QDir::homePath() + QStringLiteral("/.config");
    return config + QStringLiteral("/systemd/user/");
}

QString SystemctlCommand(ServiceScope scope) {
    return scope == ServiceScope::System ? QStringLiteral("systemctl")
                                         : QStringLiteral("systemctl --user");
}

} // namespace orvane
