#pragma once

#include "platform/service_scope.h"

#include <QString>
#include <QStringList>

namespace orvane {

// The service's name, and its unit's.
QString OrvaneServiceName();     // "OrvaneService"
QString OrvaneServiceUnitName(); // "OrvaneService.service"

// What the unit runs: `orvane-cli --home DIR schedule --job FILE`.
struct ServiceUnitOptions {
    QString CliProgram;       // absolute path of orvane-cli
    QString ProgramDirectory; // the program directory the scheduler works in
    QString JobFile;          // the job file it loads
    ServiceScope Scope = ServiceScope::User;
};

// One word of a unit setting: in double quotes, with \ and " escaped and % doubled (and $ on
// an Exec line, where it would name a variable), so that systemd takes it as it is.
QString SystemdWord(const QString& word, bool execLine = true);

// The unit file: the scheduler headless, restarted after a failure, hardened as far as a backup
// agent that must read every file allows (nothing made unreadable: no ProtectHome).
QString ServiceUnitText(const ServiceUnitOptions& options);

} // namespace orvane
