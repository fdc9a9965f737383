#pragma once

#include <QString>
#include <functional>

namespace orvane {

// The steps of a backup run that other parts of the program carry out. An empty step is not
// available in this program (yet) and is passed over; everything else the run does itself.
struct BackupRunSteps {
    // Starts a pre- or post-backup command line without waiting for it; true when it started.
    std::function<bool(const QString& commandLine)> RunExternalCommand;
    // Empties the e-mail body, which collects the protocol lines of the run.
    std::function<void()> ClearMailBody;
    // The verify after the backup ("Verify after Backup").
    std::function<void()> VerifyBackup;
    // Sends the protocol as the e-mail report ("Send Protocoll Email  after Backup"). Without it
    // the run mails its own lines as the protocol log holds them.
    std::function<void()> SendMailReport;
    // Ends the program ("Exit Orvane after Backup").
    std::function<void()> ExitApplication;
};

} // namespace orvane
