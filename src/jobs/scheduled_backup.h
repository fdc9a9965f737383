#pragma once

#include "backup_run_steps.h"
#include "backup_scheduler.h"

#include <QString>

namespace orvane {

class Session;

// Carries out what a scheduler tick decided. The autostart backup is preceded by a rewind
// (its result only shown in the status line); one that starts later than its set time, after
// another operation or a suspended machine, says so in the protocol first. A set time that a
// running backup stands for gets a protocol line, so that no autostart passes without a word.
void CarryOutAutostart(Session& session, const BackupScheduler::TickResult& tick,
                       const BackupRunSteps& steps);

// The start-up step after the tape description has been read, for the command line
// `[JOBFILE [start]]`: a JOBFILE that names an existing file becomes the current job file and
// is loaded. Answers whether a backup starts now: "start" (any letter case) after such a file,
// or "Begin with  Backupprocedure at Start".
bool ApplyStartArguments(Session& session, const QString& jobFile, const QString& startWord);

} // namespace orvane
