#pragma once

class QElapsedTimer;

namespace orvane {

class Session;

// "Start Restore": reads the whole tape set from tape 1 on, extracts every file
// into the work directory and restores those that a line of the restore list selects (the
// first line that selects a file decides), under the restore target and option of the
// settings. Each file of an appended set is handled as often as it was backed up, in tape order.
// The run writes its protocol block and summary and always ends idle; CancelFlag is raised when
// it was cancelled or a tape error ended it. A selected file that cannot be written is reported
// and counted in `Counters.NotRestoredCount` (the summary names the count), and the run goes on.
// The restore list, target and option stay as they are.
void RunRestore(Session& session);

// The summary lines that end a restore run in the protocol, and the status line.
void WriteRestoreSummary(Session& session, const QElapsedTimer& clock);

} // namespace orvane
