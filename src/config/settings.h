#pragma once

#include <QString>
#include <QStringList>
#include <array>

namespace orvane {

// The live settings. The window's controls edit their field at once, so the core reads the
// settings here and never a control. The comments give the labels the operator sees.
struct Settings {
    bool ShortProtocol = true;      // "Short Protocoll": no line per file
    bool Append = false;            // "Append": the backup continues the loaded set
    bool AutostartBackup = true;    // "Autostart Backup at:"
    bool SoftCompression = true;    // "Softcompression"
    bool VerifyAfterBackup = false; // "Verify after Backup"
    bool EjectAfterBackup = false;  // "Eject Tape after Backup"
    bool ExitAfterBackup = false;   // "Exit Orvane after Backup"
    bool MailAfterBackup = false;   // "Send Protocoll Email  after Backup"
    bool BackupAtStart = false;     // "Begin with  Backupprocedure at Start"
    int AutostartHour = 21;         // 0-23
    int AutostartMinute = 30;       // 0-59
    int CompressionLevel = 9;       // "Compression Level :", 1-9
    QString RestoreTarget = QStringLiteral("/tmp/"); // "Restore to:"
    // 0 "Restore with asking", 1 "Overwrite never", 2 "Overwrite ever"
    int RestoreOption = 0;
    QString CommandBefore;                           // "Do before Backup :"
    QString CommandBeforeWait = QStringLiteral("0"); // its "Wait Time :", seconds
    QString CommandAfter;                            // "Do after Backup :"
    QString CommandAfterWait = QStringLiteral("0");  // its "Wait Time :", seconds
    QString ProxyServer;                             // "Proxy Server IP" of the live update
    QString ProxyPort = QStringLiteral("0");         // "Proxy Port"
    QString MailFrom;
    QString MailTo;
    QString MailSubject;
    QString MailHost;
    int MailPort = 25; // not on the Email tab: the job file's "Email Settings/Port"
    QString MailUserId;
    QString MailPassword;
    std::array<bool, 7> BackupDays{true, true, true, true, true, true, true}; // Monday..Sunday

    QStringList BackupList;  // "Included Files"
    QStringList ExcludeList; // "Excluded Files"
    QStringList RestoreList; // the restore list of the "Restore" tab
};

} // namespace orvane
