// The main window's job file and dialog commands: Load, Save, the folder chooser, the weekday
// dialog and the help text.
#include "backup_days_dialog.h"
#include "config/path_list.h"
#include "file_select_dialog.h"
#include "jobs/session.h"
#include "jobs/session_job_file.h"
#include "main_window.h"
#include "main_window_tabs.h"
#include "operator_boxes.h"
#include "partition_table_dialog.h"
#include "tape_info_dialog.h"
#include "ui_main_window.h"
#include "window_operator.h"

namespace orvane {

namespace {
const QString JobFileFilter = QStringLiteral("Job Files (*.job)|*.job");

// A backup list that starts with a whole hard disk is not edited by hand.
bool ListNamesHardDisk(const Settings& settings) {
    return !settings.BackupList.isEmpty() &&
           settings.BackupList.first().left(8) == QLatin1String("harddisk");
}
} // namespace

void THauptmenu::AttachWindows(const AuxiliaryWindows& windows) {
    m_windows = windows;
    if (auto* days = qobject_cast<TBackup_days*>(windows.BackupDays.data()))
        connect(days, &TBackup_days::DaysConfirmed, this, &THauptmenu::SettingsChanged);
    if (auto* info = qobject_cast<TTape_Info*>(windows.TapeInfo.data()))
        info->SetTapeContext([this]() -> TapeContext* { return m_session.get(); });
    if (auto* disks = qobject_cast<TPartition_Table*>(windows.PartitionTable.data())) {
        disks->SetProgramDirectory(m_session->Paths.ProgramDirectory);
        connect(disks, &TPartition_Table::BackupDiskChosen, this, &THauptmenu::BackupDiskChosen);
        connect(disks, &TPartition_Table::RestoreDiskChosen, this, &THauptmenu::RestoreDiskChosen);
        connect(disks, &TPartition_Table::RestoreChoiceCancelled, this,
                &THauptmenu::RestoreChoiceCancelled);
    }
    if (auto* chooser = qobject_cast<TFile_Select*>(windows.FileSelect.data()))
        connect(chooser, &TFile_Select::FolderChosen, this,
                [this](TFile_Select::Mode mode, const QString& line) {
                    FolderChosen(int(mode), line);
                });
}

void THauptmenu::SettingsChanged() {
    UpdateDependentControls();
    SaveJobSettings(*m_session);
}

void THauptmenu::LoadJobFileIntoControls() {
    LoadSessionJobFile(*m_session);
    ShowLoadedJobFile();
}

void THauptmenu::ShowLoadedJobFile() {
    ShowSettings();
    if (auto* days = qobject_cast<TBackup_days*>(m_windows.BackupDays.data()))
        days->ShowSettings();
    if (ListNamesHardDisk(m_session->Settings))
        m_operator->SetListEditingLocked(true);
}

void THauptmenu::BitBtn10Click() {
    m_ui->PageControl1->setCurrentIndex(tab::Backup);
    const QString chosen = OperatorBoxes::OpenFileName(this, QStringLiteral("Load Job File"),
                                                       m_session->JobFilePath, JobFileFilter);
    if (chosen.isEmpty())
        return;
    m_operator->SetListEditingLocked(false);
    m_session->JobFilePath = chosen;
    // Another file's errors are said anew.
    m_session->ReportedJobFileError.clear();
    LoadJobFileIntoControls();
}

void THauptmenu::BitBtn11Click() {
    m_ui->PageControl1->setCurrentIndex(tab::Backup);
    const QString chosen =
        OperatorBoxes::SaveFileName(this, QStringLiteral("Save Job File"), m_session->JobFilePath,
                                    JobFileFilter, QStringLiteral("job"));
    if (chosen.isEmpty())
        return;
    SaveSessionJobFileAs(*m_session, chosen);
    ShowSettings();
}

void THauptmenu::BitBtn3Click() {
    m_ui->PageControl1->setCurrentIndex(tab::Backup);
    if (auto* chooser = qobject_cast<TFile_Select*>(m_windows.FileSelect.data()))
        chooser->Open(TFile_Select::Mode::BackupList);
}

void THauptmenu::BitBtn4Click() {
    if (auto* chooser = qobject_cast<TFile_Select*>(m_windows.FileSelect.data()))
        chooser->Open(TFile_Select::Mode::ExcludeList);
}

void THauptmenu::FolderChosen(int mode, const QString& line) {
    Settings& settings = m_session->Settings;
    switch (TFile_Select::Mode(mode)) {
    case TFile_Select::Mode::BackupList:
        NormalizePathList(settings.BackupList);
        settings.BackupList.append(line);
        break;
    case TFile_Select::Mode::ExcludeList:
        NormalizePathList(settings.ExcludeList);
        settings.ExcludeList.append(line);
        break;
    case TFile_Select::Mode::RestoreTarget:
        settings.RestoreTarget = line;
        SaveJobSettings(*m_session);
        break;
    }
    ShowSettings();
}

void THauptmenu::SpeedButton1Click() {
    ShowWindow(m_windows.BackupDays);
}

void THauptmenu::Help1Click() {
    ShowWindow(m_windows.HelpFile);
}

void THauptmenu::ShowWindow(QWidget* window) {
    if (!window)
        return;
    window->show();
    window->raise();
    window->activateWindow();
}

} // namespace orvane
