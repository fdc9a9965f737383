#pragma once

#include "service_scope.h"

#include <QString>

namespace orvane {

// The longest wait for a unit to reach the state asked for.
constexpr int DefaultServiceWaitMs = 15000;

// The systemd manager of a scope over D-Bus (org.freedesktop.systemd1): the system bus for the
// system's manager, the session bus for the user's. Each call opens its own connection, so that
// the bus is the one the environment names at that moment.
class SystemdManager {
public:
    explicit SystemdManager(ServiceScope scope) : m_scope(scope) {}

    // StartUnit, then the unit's ActiveState until it is "active" (true), "failed", or the
    // wait is over (false). False, quietly, when the unit or the manager cannot be reached.
    bool StartNamedService(const QString& name, int waitMs = DefaultServiceWaitMs) const;
    // StopUnit, then ActiveState until it is "inactive" or "failed" (true) or the wait is over.
    bool StopNamedService(const QString& name, int waitMs = DefaultServiceWaitMs) const;

    // Reload, then EnableUnitFiles or DisableUnitFiles of a unit file. An empty text when
    // systemd took it, else why not.
    QString EnableUnitFile(const QString& unitFile) const;
    QString DisableUnitFile(const QString& unitName) const;

private:
    bool WaitForState(const QString& unit, const QStringList& awaited, const QString& giveUp,
                      int waitMs) const;

    ServiceScope m_scope;
};

} // namespace orvane
