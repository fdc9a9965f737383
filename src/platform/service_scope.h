#pragma once

#include <QString>

namespace orvane {

// Which systemd manager keeps the Orvane service: the system's for root, the user's own for
// anyone else. $ORVANE_SERVICE_SCOPE ("system" or "user") chooses otherwise.
enum class ServiceScope { System, User };

ServiceScope CurrentServiceScope();

// Where a unit file of that scope lives: /etc/systemd/system/, or the user's
// $XDG_CONFIG_HOME/systemd/user/ (~/.config when unset). Ends in '/'.
QString UnitDirectory(ServiceScope scope);

// "systemctl" with the option of the scope, for the messages that tell what to type.
QString SystemctlCommand(ServiceScope scope);

} // namespace orvane
