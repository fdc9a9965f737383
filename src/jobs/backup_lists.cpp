#include "backup_lists.h"

#include "config/path_list.h"
#include "disk/disk_list.h"
#include "platform/operator_interface.h"

namespace orvane {

void ClearBackupList(Settings& settings, OperatorInterface& op) {
    op.ShowView(OperatorView::BackupList);
    op.SetListEditingLocked(false);
    settings.BackupList.clear();
}

void AddFilesToBackupList(Settings& settings, const QStringList& chosen) {
    NormalizePathList(settings.BackupList);
    settings.BackupList << chosen;
}

void AddFilesToExcludeList(Settings& settings, const QStringList& chosen) {
    NormalizePathList(settings.ExcludeList);
    settings.ExcludeList << chosen;
}

void ClearExcludeList(Settings& settings) {
    settings.ExcludeList.clear();
}

void ChooseBackupDisk(Settings& settings, OperatorInterface& op, int diskNumber) {
    settings.BackupList = {HardDiskEntry(diskNumber)};
    settings.Append = false;
    settings.VerifyAfterBackup = false;
    op.ShowView(OperatorView::BackupList);
    op.SetListEditingLocked(true);
}

} // namespace orvane
