// The main window's disk commands: the disk dialog for a disk image backup or restore, and the
// Test menu.
#include "disk/disk_image_restore.h"
#include "disk/disk_list.h"
#include "jobs/backup_lists.h"
#include "jobs/catalog_tree_model.h"
#include "jobs/disk_restore_run.h"
#include "jobs/restore_list.h"
#include "jobs/session.h"
#include "main_window.h"
#include "main_window_tabs.h"
#include "partition_table_dialog.h"
#include "tape/tape_access.h"
#include "ui_main_window.h"
#include "window_operator.h"

namespace orvane {

namespace {
// The disks the Test menu works on.
constexpr int TestSourceDisk = 0;
constexpr int TestDisk = 2;
} // namespace

void THauptmenu::BitBtn22Click() {
    if (auto* dialog = qobject_cast<TPartition_Table*>(m_windows.PartitionTable.data()))
        dialog->Open(false);
}

void THauptmenu::ShowSourceDisk() {
    const std::optional<DiskGeometry> source = SourceDiskGeometry(*m_session);
    if (!source)
        return;
    m_ui->PageControl1->setCurrentIndex(tab::Restore);
    m_catalog->SetTree(nullptr);
    m_ui->Edit8->clear();
    m_ui->Edit8->show();
    m_ui->Label11->setText(QStringLiteral("Source Harddisk"));
    SetRestoreList(*m_session, SourceDiskLines(*source));
    m_operator->ShowMessage(QStringLiteral("Please select the target Disk for restoring !"));
    if (auto* dialog = qobject_cast<TPartition_Table*>(m_windows.PartitionTable.data()))
        dialog->Open(true);
}

void THauptmenu::BackupDiskChosen(int diskNumber) {
    ChooseBackupDisk(m_session->Settings, *m_operator, diskNumber);
    ShowSettings();
    SettingsChanged();
}

void THauptmenu::RestoreDiskChosen(int diskNumber) {
    m_ui->Edit8->setText(HardDiskEntry(diskNumber));
    m_operator->SetListEditingLocked(true);
}

void THauptmenu::RestoreChoiceCancelled() {
    SetRestoreList(*m_session, {});
    ShowRestoreList();
}

void THauptmenu::ShowRestoreList() {
    m_ui->Edit8->clear();
    m_ui->Edit8->hide();
    m_ui->Label11->setText(QStringLiteral("Restore List"));
}

void THauptmenu::ReadMBR1Click() {
    if (auto* dialog = qobject_cast<TPartition_Table*>(m_windows.PartitionTable.data()))
        dialog->Open(std::nullopt);
}

void THauptmenu::Diskcopytest1Click() {
    RunDiskImageBackup(*m_session, TestDisk);
    FinishRun();
}

void THauptmenu::DiskWriteTest1Click() {
    RunDiskRestore(*m_session, TestDisk);
    FinishRun();
}

void THauptmenu::Est1Click() {
    ZeroFirstSector(*m_session, TestDisk);
}

void THauptmenu::DisktoDiskcopy1Click() {
    // Busy mode shows the Cancel button, which ends the copy after its chunk.
    m_ui->PageControl1->setCurrentIndex(tab::Backup);
    EnterBusyMode(*m_session);
    SetBusyCursor(*m_session);
    CopyDisk(*m_session, TestSourceDisk, TestDisk);
    RestoreCursor(*m_session);
    LeaveBusyMode(*m_session);
    FinishRun();
}

} // namespace orvane
