#pragma once

#include <QString>
#include <QStringList>
#include <array>

namespace orvane {

// The live settings of the main window. Every control edits its field at once, so the core reads
// the settings here and never a widget. The comments name the controls.
struct Settings {
    bool ShortProtocol = true;      // CheckBox1 "Short Protocoll"
    bool Append = false;            // CheckBox2 "Append"
    bool AutostartBackup = true;    // CheckBox3 "Autostart Backup at:"
    bool SoftCompression = true;    // CheckBox4 "Softcompression"
    bool VerifyAfterBackup = false; // CheckBox5 "Verify after Backup"
    bool EjectAfterBackup = false;  // CheckBox6 "Eject Tape after Backup"
    bool ExitAfterBackup = false;   // CheckBox7 "Exit Orvane after Backup"
    bool MailAfterBackup = false;   // CheckBox8 "Send Protocoll Email  after Backup"
    bool BackupAtStart = false;     // CheckBox9 "Begin with  Backupprocedure at Start"
    int AutostartHour = 21;         // SpinEdit1, 0-23
    int AutostartMinute = 30;       // SpinEdit2, 0-59
    int CompressionLevel = 9;       // SpinEdit3, 1-9
    QString RestoreTarget = QStringLiteral("/tmp/"); // Edit1
    int RestoreOption = 0;          // RadioGroup1: 0 ask, 1 overwrite never, 2 overwrite ever
    QString CommandBefore;          // Edit4
    QString CommandBeforeWait = QStringLiteral("0"); // Edit5, seconds
    QString CommandAfter;           // Edit6
    QString CommandAfterWait = QStringLiteral("0");  // Edit7, seconds
    QString ProxyServer;            // Edit3
    QString ProxyPort = QStringLiteral("0");         // Edit2
    QString MailFrom;               // efrom
    QString MailTo;                 // eTo
    QString MailSubject;            // eSubject
    QString MailHost;               // eHost
    QString MailUserId;             // eUserid
    QString MailPassword;           // ePassword
    std::array<bool, 7> BackupDays{true, true, true, true, true, true, true}; // Monday..Sunday

    QStringList BackupList;  // Memo5
    QStringList ExcludeList; // Memo1
    QStringList RestoreList; // Memo3
};

} // namespace orvane
