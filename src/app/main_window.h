#pragma once

#include "start_options.h"

#include <QMainWindow>
#include <QPointer>
#include <QSystemTrayIcon>
#include <memory>

class QLabel;
class QModelIndex;
class QTimer;

namespace Ui {
class THauptmenuForm;
}

namespace orvane {

class BackupScheduler;
struct BackupRunSteps;
class CatalogTreeModel;
class ControlStates;
class LedDisplay;
class OperatorInterface;
class RunProgressPanel;
class Session;
class SettingsBinding;
class WindowOperator;

// The windows that the main window's commands show; they are created after it.
struct AuxiliaryWindows {
    QPointer<QWidget> BackupDays;
    QPointer<QWidget> AboutBox;
    QPointer<QWidget> FileSelect;
    QPointer<QWidget> TapeInfo;
    QPointer<QWidget> Update;
    QPointer<QWidget> HelpFile;
    QPointer<QWidget> PartitionTable;
};

// The main window: the tabs with the lists, settings, counters and the protocol, the menus, the
// status line, the start-up timers and the notification-area icon. Its creation starts the
// session (directories, protocol log, drive probe) in busy mode; Timer2 leaves busy mode about
// two seconds later.
class THauptmenu : public QMainWindow {
    Q_OBJECT

public:
    explicit THauptmenu(const StartOptions& options, QWidget* parent = nullptr);
    ~THauptmenu() override;

    orvane::Session& Session() { return *m_session; }
    OperatorInterface& Op();
    // Ties the dialogs' buttons to the main window.
    void AttachWindows(const AuxiliaryWindows& windows);

    QString StatusText() const;
    LedDisplay* Counter(int display) const;
    bool Busy() const;
    bool ListEditingLocked() const;
    QSystemTrayIcon* TrayIcon() const { return m_trayIcon; }
    // What TreeView1 shows.
    CatalogTreeModel* CatalogModel() const { return m_catalog; }

    // Shows the settings in the controls again, after they changed behind the window's back.
    void ShowSettings();
    // A setting changed: the time label and the shown tabs follow, and the job file is written.
    void SettingsChanged();

public slots:
    void Timer1Timer();
    void Timer2Timer();

    void Exit1Click();
    void BitBtn1Click();  // "Start Backup"
    void BitBtn7Click();  // "Files" of the backup list
    void BitBtn15Click(); // "Add Files" of the exclude list
    // A list is cleared only when the operator says so: nothing brings it back.
    bool ConfirmClearing(const QStringList& list, const QString& name);
    void BitBtn2Click();  // "Clear" of the backup list
    void BitBtn16Click(); // "Clear" of the exclude list
    void BitBtn9Click();  // "Cancel" of a running job
    void BitBtn18Click(); // "Load Protocoll"
    void BitBtn19Click(); // "Clear Protocoll"
    void BitBtn20Click(); // "Clear" of the e-mail fields
    void SendBtnClick();  // "Send" of the e-mail text
    void Button2Click();  // "&Load Catalog", "Load Catalog fast"
    void LoadCatalogsequentiell1Click();
    void TreeView1DblClick(const QModelIndex& index);
    void BitBtn12Click(); // "Restore to:"
    void Button1Click();  // "&Start Restore"
    void Button3Click();  // "Start Verify Tape Data"
    void GetTapeDescription1Click();
    void ShowInfo1Click(); // "DLL Info"
    void Auswerfen1Click();
    void RewindTape1Click();
    void MoveTapetoBlockNr1Click();
    void GetTapePosition1Click();
    void TapeInfo1Click();
    void LoadTape1Click();
    void Tapetension1Click();
    void MovetoendofData1Click();
    void DeleteTape1Click();
    void FormatTape1Click();
    void InitTapewith01Click(); // "Init Tape with 0"
    void SetFilemarks1Click();
    void SetTapeParameters1Click();
    void HelpAbout();
    void BitBtn10Click();     // "Load" of a job file
    void BitBtn11Click();     // "Save" of a job file
    void BitBtn3Click();      // "Dir / Drive" of the backup list
    void BitBtn4Click();      // "Add Dir / Drive" of the exclude list
    void SpeedButton1Click(); // "Backup Days"
    void Help1Click();
    void CheckfornewerVersions1Click();
    void InstallService1Click();
    void DeleteService1Click();
    void BitBtn22Click(); // "Disk" of the backup list
    // Prepares the restore of a disk image: the source disk in place of the restore list, and
    // the disk dialog for the target.
    void ShowSourceDisk();
    // The Test menu.
    void ReadMBR1Click();
    void Diskcopytest1Click();
    void DiskWriteTest1Click();
    void Est1Click();
    void DisktoDiskcopy1Click();

    // Hides the window and puts the icon into the notification area (what minimising does when
    // there is one).
    void ApplicationEvents1Minimize();

protected:
    void changeEvent(QEvent* event) override;
    void closeEvent(QCloseEvent* event) override;

private:
    void SetUpControls();
    void SetUpMenus();
    void SetUpTimers();
    void ConnectCommands();
    void ConnectTapeCommands();
    void ConnectDiskCommands();
    void BackupDiskChosen(int diskNumber);
    void RestoreDiskChosen(int diskNumber);
    void RestoreChoiceCancelled();
    // The restore list shows files again; no disk is the restore target.
    void ShowRestoreList();
    void MoveEdit8OntoRestoreTarget();
    void UpdateDependentControls();
    // Applies the current job file to the settings and shows them.
    void LoadJobFileIntoControls();
    // Shows a job file just applied to the session in every control and dialog.
    void ShowLoadedJobFile();
    void FolderChosen(int mode, const QString& line);
    void ShowWindow(QWidget* window);
    // Ends every run handler: the window is idle again and the controls show the settings as
    // the run left them (it tidies the lists).
    void FinishRun();
    void TrayIconActivated(QSystemTrayIcon::ActivationReason reason);
    // The backup run's steps as this window carries them out.
    BackupRunSteps BackupSteps();
    // Asks the scheduler whether an autostart is due, and starts it when nothing else runs.
    void CheckAutostart();
    // A command handler for the connections: while it runs, no autostart begins; one that came
    // meanwhile starts as soon as it has ended.
    template <typename Handler> auto Command(Handler handler);

    StartOptions m_options;
    std::unique_ptr<Ui::THauptmenuForm> m_ui;
    QLabel* m_statusText = nullptr;
    RunProgressPanel* m_progress = nullptr;
    std::unique_ptr<ControlStates> m_states;
    std::unique_ptr<WindowOperator> m_operator;
    std::unique_ptr<orvane::Session> m_session;
    SettingsBinding* m_settings = nullptr;
    CatalogTreeModel* m_catalog = nullptr;
    QTimer* m_timer1 = nullptr;
    QTimer* m_timer2 = nullptr;
    std::unique_ptr<BackupScheduler> m_scheduler;
    int m_commandDepth = 0;
    // The window stays alive while a mail goes out: a second Send waits for none.
    bool m_sendingMail = false;
    QPointer<QSystemTrayIcon> m_trayIcon;
    AuxiliaryWindows m_windows;
};

} // namespace orvane
