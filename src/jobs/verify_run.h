#pragma once

#include <cstdint>
#include <functional>

namespace orvane {

class Session;

struct VerifyResult {
    bool Verified = false; // false: a disk image tape, which is not verified
    int64_t VerifiedOk = 0;
    int64_t VerifiedDefect = 0;
};

// "Start Verify Tape Data", also run after a backup: reads the tape set from
// tape 1 on, extracts every file and compares it with the file at its recorded path on disk.
// The verify report and the protocol get a line per file and the summary. The records
// of the tape itself (catalog file, filler) are neither compared nor counted. Always ends idle;
// CancelFlag is raised when it was cancelled or a tape error ended it.
VerifyResult VerifyTape(Session& session);

// The "Verify after Backup" step of a backup run.
std::function<void()> VerifyAfterBackupStep(Session& session);

} // namespace orvane
