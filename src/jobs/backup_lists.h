#pragma once

#include "config/settings.h"

#include <QStringList>

namespace orvane {

class OperatorInterface;

// The file dialog of "Files" and "Add Files": several existing files, all files preselected.
inline const QString BackupListFileFilter =
    QStringLiteral("Textdateien (*.txt)|*.txt|Alle Dateien (*.*)|*.*");
constexpr int BackupListFileFilterIndex = 2;

// The list commands of the "Included Files" and "Excluded Files" tabs. The window opens the
// file dialog (after switching to the "Backup" tab for "Files") and hands over the chosen paths
// in the dialog's order.

// "Clear" on "Included Files": the backup list is put in view, list editing unlocked, the list
// emptied.
void ClearBackupList(Settings& settings, OperatorInterface& op);
// "Files": tidies the backup list, then appends the chosen paths.
void AddFilesToBackupList(Settings& settings, const QStringList& chosen);
// "Add Files" on "Excluded Files": the same for the exclude list.
void AddFilesToExcludeList(Settings& settings, const QStringList& chosen);
// "Clear" on "Excluded Files".
void ClearExcludeList(Settings& settings);
// A whole disk chosen as the backup source: the list becomes its line "harddisk N" alone, a disk
// image is neither appended nor verified, and the list is locked against editing.
void ChooseBackupDisk(Settings& settings, OperatorInterface& op, int diskNumber);

} // namespace orvane
