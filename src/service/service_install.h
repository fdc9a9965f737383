#pragma once

#include "platform/service_scope.h"
#include "platform/systemd_manager.h"

#include <QString>

namespace orvane {

class OperatorInterface;

// What orvane-service did; Message is for the operator (empty when there is nothing to say).
struct ServiceOutcome {
    bool Done = false;
    QString Message;
};

// `orvane-service /install`: writes the unit file of the scope's manager, which runs `cliProgram`
// as the scheduler of `programDirectory` and `jobFile`, and enables it.
ServiceOutcome InstallServiceUnit(ServiceScope scope, const QString& cliProgram,
                                  const QString& programDirectory, const QString& jobFile);
// `orvane-service /uninstall`: disables the unit and removes its file.
ServiceOutcome UninstallServiceUnit(ServiceScope scope);

// "Install Orvane as Service": the warning, then `serviceProgram /install /silent` with the
// session's program directory and job file, awaited (a start before the unit is written would
// always fail), then the start and its message box.
void InstallOrvaneService(OperatorInterface& op, const QString& serviceProgram,
                          const QString& programDirectory, const QString& jobFile,
                          int waitMs = DefaultServiceWaitMs);
// "Delete Orvane Service": stops the service (quietly) and runs `serviceProgram /uninstall`.
void DeleteOrvaneService(OperatorInterface& op, const QString& serviceProgram,
                         int waitMs = DefaultServiceWaitMs);

} // namespace orvane
