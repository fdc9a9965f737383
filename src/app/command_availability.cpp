#include "command_availability.h"

namespace orvane {

const QSet<QString>& NotYetAvailableCommands() {
    // Building a command means deleting its line here.
    static const QSet<QString> names = {
        QStringLiteral("BitBtn1"),
        QStringLiteral("StartBackup1"), // Start Backup
        QStringLiteral("BitBtn3"),
        QStringLiteral("AddDirDrive1"), // Dir / Drive chooser
        QStringLiteral("BitBtn7"),
        QStringLiteral("AddFiles1"), // Files
        QStringLiteral("BitBtn22"),  // Disk
        QStringLiteral("BitBtn4"),   // exclude Dir / Drive
        QStringLiteral("BitBtn15"),  // exclude Files
        QStringLiteral("BitBtn10"),
        QStringLiteral("BitBtn6"),
        QStringLiteral("Load1"), // job load
        QStringLiteral("BitBtn11"),
        QStringLiteral("BitBtn5"),
        QStringLiteral("Save1"), // job save
        QStringLiteral("SpeedButton1"),
        QStringLiteral("BackupDays1"), // Backup Days
        QStringLiteral("BitBtn14"),
        QStringLiteral("LoadCatalog1"),            // Load Catalog fast
        QStringLiteral("LoadCatalogsequentiell1"), // Load Catalog sequentiell
        QStringLiteral("BitBtn12"),
        QStringLiteral("Restoreto1"), // Restore to
        QStringLiteral("BitBtn13"),
        QStringLiteral("StartRestore1"),       // Start Restore
        QStringLiteral("Button3"),             // Start Verify Tape Data
        QStringLiteral("BitBtn21"),            // Send e-mail
        QStringLiteral("TapeInfo1"),           // Tape Info
        QStringLiteral("GetTapeDescription1"), // Load Tape Description
        QStringLiteral("LoadTape1"),           // Load Tape
        QStringLiteral("Tapetension1"),        // Tape tension
        QStringLiteral("MovetoendofData1"),    // Move to end of Data
        QStringLiteral("DeleteTape1"),         // Delete Tape
        QStringLiteral("FormatTape1"),         // Format Tape
        QStringLiteral("InitTapewith01"),      // Init Tape with 0
        QStringLiteral("SetTapeParameters1"),  // Set Tape Parameters
        QStringLiteral("InstallService1"),
        QStringLiteral("DeleteService1"),         // service
        QStringLiteral("Help1"),                  // Help
        QStringLiteral("ShowInfo1"),              // DLL Info
        QStringLiteral("CheckfornewerVersions1"), // update check
        QStringLiteral("ReadMBR1"),
        QStringLiteral("Diskcopytest1"), // disk tests
        QStringLiteral("DiskWriteTest1"),
        QStringLiteral("est1"),
        QStringLiteral("DisktoDiskcopy1"),
    };
    return names;
}

const QSet<QString>& DisabledCommands() {
    static const QSet<QString> names = {QStringLiteral("SetFilemarks1")};
    return names;
}

bool IsAvailable(const QString& objectName) {
    return !NotYetAvailableCommands().contains(objectName) &&
           !DisabledCommands().contains(objectName);
}

} // namespace orvane
