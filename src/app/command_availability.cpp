#include "command_availability.h"

namespace orvane {

const QSet<QString>& NotYetAvailableCommands() {
    // Building a command means deleting its line here.
    static const QSet<QString> names = {
        QStringLiteral("BitBtn3"),
        QStringLiteral("AddDirDrive1"), // Dir / Drive chooser
        QStringLiteral("BitBtn22"),     // Disk
        QStringLiteral("BitBtn4"),      // exclude Dir / Drive
        QStringLiteral("BitBtn10"),
        QStringLiteral("BitBtn6"),
        QStringLiteral("Load1"), // job load
        QStringLiteral("BitBtn11"),
        QStringLiteral("BitBtn5"),
        QStringLiteral("Save1"), // job save
        QStringLiteral("SpeedButton1"),
        QStringLiteral("BackupDays1"),        // Backup Days
        QStringLiteral("BitBtn21"),           // Send e-mail
        QStringLiteral("TapeInfo1"),          // Tape Info
        QStringLiteral("LoadTape1"),          // Load Tape
        QStringLiteral("Tapetension1"),       // Tape tension
        QStringLiteral("MovetoendofData1"),   // Move to end of Data
        QStringLiteral("DeleteTape1"),        // Delete Tape
        QStringLiteral("FormatTape1"),        // Format Tape
        QStringLiteral("InitTapewith01"),     // Init Tape with 0
        QStringLiteral("SetTapeParameters1"), // Set Tape Parameters
        QStringLiteral("InstallService1"),
        QStringLiteral("DeleteService1"),         // service
        QStringLiteral("Help1"),                  // Help
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
