#pragma once

#include "backup_run_steps.h"

namespace orvane {

class OperatorInterface;
class Session;

// "Start Backup", also started by the scheduler: turns the backup list into a
// new tape set, or appends it to the loaded set, seals it with the catalog and the end marker,
// reports the counters, then runs the follow-up steps (verify, eject, post-backup command,
// e-mail, exit) as the settings ask. Everything is reported through the protocol, the status
// line and the displays; CancelFlag is raised afterwards when the run was cancelled or failed.
void RunBackup(Session& session, const BackupRunSteps& steps = {});

// "Cancel" of a running backup, restore or verify: asks for confirmation and raises CancelFlag
// on Yes. The run polls the flag; nothing is stopped here.
void ConfirmCancel(OperatorInterface& op, bool& cancelFlag);

} // namespace orvane
