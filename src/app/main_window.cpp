#include "main_window.h"

#include "app_icon.h"
#include "catalog_tree_icons.h"
#include "command_availability.h"
#include "control_states.h"
#include "disk/disk_image_restore.h"
#include "disk/disk_list.h"
#include "file_select_dialog.h"
#include "integrations/version_check.h"
#include "integrations/zip_engine_info.h"
#include "jobs/backup_lists.h"
#include "jobs/backup_run.h"
#include "jobs/backup_scheduler.h"
#include "jobs/catalog_load.h"
#include "jobs/catalog_tree_model.h"
#include "jobs/disk_restore_run.h"
#include "jobs/external_command_run.h"
#include "jobs/mail_report.h"
#include "jobs/restore_run.h"
#include "jobs/scheduled_backup.h"
#include "jobs/session.h"
#include "jobs/verify_run.h"
#include "led_display.h"
#include "main_window_tabs.h"
#include "memo_lines.h"
#include "menu_shortcuts.h"
#include "operator_boxes.h"
#include "platform/product.h"
#include "platform/program_directory.h"
#include "run_progress_panel.h"
#include "service/service_install.h"
#include "settings_binding.h"
#include "tape/tape_access.h"
#include "tape/tape_description_io.h"
#include "tape/tape_menu_commands.h"
#include "tape_info_dialog.h"
#include "ui_main_window.h"
#include "update_dialog.h"
#include "window_operator.h"

#include <QApplication>
#include <QCloseEvent>
#include <QFontDatabase>
#include <QLabel>
#include <QStyle>
#include <QTimer>

namespace orvane {

namespace {
constexpr int Timer1Interval = 60000;
constexpr int Timer2Interval = 2000;
} // namespace

template <typename Handler> auto THauptmenu::Command(Handler handler) {
    return [this, handler] {
        ++m_commandDepth;
        (this->*handler)();
        --m_commandDepth;
        // Not from inside the handler's signal: the autostart gets a fresh call stack.
        if (m_commandDepth == 0 && m_scheduler->HeldSlot())
            QTimer::singleShot(0, this, &THauptmenu::CheckAutostart);
    };
}

THauptmenu::THauptmenu(const StartOptions& options, QWidget* parent)
    : QMainWindow(parent), m_options(options), m_ui(std::make_unique<Ui::THauptmenuForm>()) {
    m_ui->setupUi(this);
    setWindowTitle(ProductName());
    SetUpControls();
    SetUpMenus();
    // Commands that are not built yet stay disabled whatever the mode.
    for (const QSet<QString>* names : {&NotYetAvailableCommands(), &DisabledCommands()}) {
        for (const QString& name : *names) {
            // The tooltip says why, so that a greyed-out control is never a riddle.
            if (QWidget* control = findChild<QWidget*>(name)) {
                control->setEnabled(false);
                control->setToolTip(UnavailableReason(name));
            }
            if (QAction* action = findChild<QAction*>(name)) {
                action->setEnabled(false);
                action->setToolTip(UnavailableReason(name));
                action->setStatusTip(UnavailableReason(name));
            }
        }
    }
    m_states = std::make_unique<ControlStates>(*this);

    OperatorSurface surface;
    surface.Window = this;
    surface.StatusLine = m_statusText;
    surface.Progress = m_progress;
    surface.ProtocolMemo = m_ui->Memo2;
    surface.MailText = m_ui->reMessageText;
    surface.RestoreList = m_ui->Memo3;
    surface.VerifyReport = m_ui->Memo4;
    surface.Pages = m_ui->PageControl1;
    surface.States = m_states.get();
    for (int display = 1; display <= 10; ++display)
        surface.Counters[size_t(display - 1)] = Counter(display);
    m_operator = std::make_unique<WindowOperator>(surface);

    m_session = std::make_unique<orvane::Session>(
        *m_operator, ResolveProgramDirectory(options.Home), options.TapeChoice);
    m_operator->SetTapeDrive(m_session->TapeDriveName);
    m_settings = new SettingsBinding(*m_ui, m_session->Settings, this);
    connect(m_settings, &SettingsBinding::SettingsEdited, this, &THauptmenu::SettingsChanged);
    ShowSettings();
    ConnectCommands();
    ConnectDiskCommands();
    SetUpTimers();

    // The creation steps proper.
    MoveEdit8OntoRestoreTarget();
    ClearMemo(*m_ui->Memo2);
    m_session->Start();
    LoadJobFileIntoControls();
}

THauptmenu::~THauptmenu() {
    // The controls outlive the session (they go with the window's children), so they must stop
    // writing into its settings first.
    delete m_settings;
}

OperatorInterface& THauptmenu::Op() {
    return *m_operator;
}

QString THauptmenu::StatusText() const {
    return m_statusText->text();
}

LedDisplay* THauptmenu::Counter(int display) const {
    return findChild<LedDisplay*>(QStringLiteral("LEDDisplay%1").arg(display));
}

bool THauptmenu::Busy() const {
    return m_states->Busy();
}

bool THauptmenu::ListEditingLocked() const {
    return m_states->ListEditingLocked();
}

void THauptmenu::ShowSettings() {
    m_settings->ShowSettings();
    UpdateDependentControls();
}

void THauptmenu::SetUpControls() {
    setWindowIcon(AppIcon());
    m_statusText = new QLabel(m_ui->StatusLine);
    m_statusText->setObjectName(QStringLiteral("StatusLineText"));
    m_ui->StatusLine->addWidget(m_statusText, 1);
    m_progress = new RunProgressPanel(m_ui->StatusLine);
    m_ui->StatusLine->addPermanentWidget(m_progress);

    const QFont fixed = QFontDatabase::systemFont(QFontDatabase::FixedFont);
    for (QPlainTextEdit* memo : {m_ui->Memo2, m_ui->Memo4, m_ui->reMessageText})
        memo->setFont(fixed);
    for (QPlainTextEdit* memo :
         {m_ui->Memo1, m_ui->Memo2, m_ui->Memo3, m_ui->Memo4, m_ui->Memo5, m_ui->reMessageText})
        memo->setLineWrapMode(QPlainTextEdit::NoWrap);

    // The catalog tree may hold a million rows: one model over the core's tree, equal row
    // heights so that the view never measures rows, icons drawn by kind.
    m_catalog = new CatalogTreeModel(this);
    m_ui->TreeView1->setModel(m_catalog);
    m_ui->TreeView1->setItemDelegate(new CatalogTreeIcons(m_ui->TreeView1));
    m_ui->TreeView1->setUniformRowHeights(true);
    m_ui->TreeView1->setHeaderHidden(true);
    m_ui->TreeView1->setSelectionMode(QAbstractItemView::SingleSelection);
    m_ui->TreeView1->setEditTriggers(QAbstractItemView::NoEditTriggers);

    QPalette red = m_ui->Label19->palette();
    red.setColor(QPalette::WindowText, Qt::red);
    m_ui->Label19->setPalette(red);
    QFont timeFont = m_ui->Label1->font();
    timeFont.setBold(true);
    m_ui->Label1->setFont(timeFont);

    // Glyphs on the buttons, from the style so that they fit the desktop.
    const struct {
        QAbstractButton* Button;
        QStyle::StandardPixmap Glyph;
    } glyphs[] = {
        {m_ui->BitBtn1, QStyle::SP_MediaPlay},
        {m_ui->BitBtn8, QStyle::SP_DialogCancelButton},
        {m_ui->BitBtn9, QStyle::SP_DialogCancelButton},
        {m_ui->BitBtn17, QStyle::SP_DialogCancelButton},
        {m_ui->BitBtn3, QStyle::SP_DirIcon},
        {m_ui->BitBtn4, QStyle::SP_DirIcon},
        {m_ui->BitBtn7, QStyle::SP_FileIcon},
        {m_ui->BitBtn15, QStyle::SP_FileIcon},
        {m_ui->BitBtn22, QStyle::SP_DriveHDIcon},
        {m_ui->BitBtn2, QStyle::SP_DialogResetButton},
        {m_ui->BitBtn16, QStyle::SP_DialogResetButton},
        {m_ui->BitBtn10, QStyle::SP_DialogOpenButton},
        {m_ui->BitBtn6, QStyle::SP_DialogOpenButton},
        {m_ui->BitBtn11, QStyle::SP_DialogSaveButton},
        {m_ui->BitBtn5, QStyle::SP_DialogSaveButton},
        {m_ui->BitBtn14, QStyle::SP_DriveCDIcon},
        {m_ui->BitBtn13, QStyle::SP_MediaPlay},
        {m_ui->BitBtn12, QStyle::SP_DirOpenIcon},
        {m_ui->Button3, QStyle::SP_DialogApplyButton},
        {m_ui->BitBtn18, QStyle::SP_DialogOpenButton},
        {m_ui->BitBtn19, QStyle::SP_DialogResetButton},
        {m_ui->BitBtn21, QStyle::SP_ArrowRight},
        {m_ui->BitBtn20, QStyle::SP_DialogResetButton},
        {m_ui->SpeedButton1, QStyle::SP_FileDialogDetailedView},
    };
    for (const auto& [button, glyph] : glyphs)
        button->setIcon(style()->standardIcon(glyph));
}

void THauptmenu::SetUpMenus() {
    m_ui->TestMenu->menuAction()->setVisible(false);
    auto* priority = new MenuKeyPriority(ResolveMenuShortcuts(*m_ui->MainMenu1), this);
    qApp->installEventFilter(priority);
}

void THauptmenu::SetUpTimers() {
    m_scheduler = std::make_unique<BackupScheduler>();
    m_timer1 = new QTimer(this);
    m_timer1->setObjectName(QStringLiteral("Timer1"));
    m_timer1->setInterval(Timer1Interval);
    // A coarse timer may be late by seconds; the scheduler would still find a skipped minute,
    // but the backup should begin within its minute.
    m_timer1->setTimerType(Qt::PreciseTimer);
    connect(m_timer1, &QTimer::timeout, this, &THauptmenu::Timer1Timer);

    m_timer2 = new QTimer(this);
    m_timer2->setObjectName(QStringLiteral("Timer2"));
    m_timer2->setInterval(Timer2Interval);
    m_timer2->setSingleShot(true);
    connect(m_timer2, &QTimer::timeout, this, Command(&THauptmenu::Timer2Timer));

    if (m_options.RunTimers) {
        m_timer1->start();
        m_timer2->start();
    }
}

void THauptmenu::ConnectCommands() {
    Ui::THauptmenuForm& ui = *m_ui;
    connect(ui.Exit1, &QAction::triggered, this, Command(&THauptmenu::Exit1Click));
    connect(ui.BitBtn1, &QPushButton::clicked, this, Command(&THauptmenu::BitBtn1Click));
    connect(ui.StartBackup1, &QAction::triggered, this, Command(&THauptmenu::BitBtn1Click));
    connect(ui.BitBtn7, &QPushButton::clicked, this, Command(&THauptmenu::BitBtn7Click));
    connect(ui.AddFiles1, &QAction::triggered, this, Command(&THauptmenu::BitBtn7Click));
    connect(ui.BitBtn15, &QPushButton::clicked, this, Command(&THauptmenu::BitBtn15Click));
    connect(ui.BitBtn14, &QPushButton::clicked, this, Command(&THauptmenu::Button2Click));
    connect(ui.LoadCatalog1, &QAction::triggered, this, Command(&THauptmenu::Button2Click));
    connect(ui.LoadCatalogsequentiell1, &QAction::triggered, this,
            Command(&THauptmenu::LoadCatalogsequentiell1Click));
    connect(ui.TreeView1, &QTreeView::doubleClicked, this, &THauptmenu::TreeView1DblClick);
    connect(ui.BitBtn12, &QPushButton::clicked, this, Command(&THauptmenu::BitBtn12Click));
    connect(ui.Restoreto1, &QAction::triggered, this, Command(&THauptmenu::BitBtn12Click));
    connect(ui.BitBtn13, &QPushButton::clicked, this, Command(&THauptmenu::Button1Click));
    connect(ui.StartRestore1, &QAction::triggered, this, Command(&THauptmenu::Button1Click));
    connect(ui.Button3, &QPushButton::clicked, this, Command(&THauptmenu::Button3Click));
    connect(ui.GetTapeDescription1, &QAction::triggered, this,
            Command(&THauptmenu::GetTapeDescription1Click));
    connect(ui.ShowInfo1, &QAction::triggered, this, Command(&THauptmenu::ShowInfo1Click));
    connect(ui.Clear1, &QAction::triggered, this, Command(&THauptmenu::BitBtn2Click));
    connect(ui.BitBtn2, &QPushButton::clicked, this, Command(&THauptmenu::BitBtn2Click));
    connect(ui.BitBtn16, &QPushButton::clicked, this, Command(&THauptmenu::BitBtn16Click));
    for (QPushButton* cancel : {ui.BitBtn8, ui.BitBtn9, ui.BitBtn17})
        connect(cancel, &QPushButton::clicked, this, &THauptmenu::BitBtn9Click);
    connect(ui.BitBtn18, &QPushButton::clicked, this, Command(&THauptmenu::BitBtn18Click));
    connect(ui.BitBtn19, &QPushButton::clicked, this, Command(&THauptmenu::BitBtn19Click));
    connect(ui.BitBtn20, &QPushButton::clicked, this, Command(&THauptmenu::BitBtn20Click));
    connect(ui.BitBtn21, &QPushButton::clicked, this, Command(&THauptmenu::SendBtnClick));
    connect(ui.Auswerfen1, &QAction::triggered, this, Command(&THauptmenu::Auswerfen1Click));
    connect(ui.RewindTape1, &QAction::triggered, this, Command(&THauptmenu::RewindTape1Click));
    connect(ui.MoveTapetoBlockNr1, &QAction::triggered, this,
            Command(&THauptmenu::MoveTapetoBlockNr1Click));
    connect(ui.GetTapePosition1, &QAction::triggered, this,
            Command(&THauptmenu::GetTapePosition1Click));
    ConnectTapeCommands();
    connect(ui.About1, &QAction::triggered, this, Command(&THauptmenu::HelpAbout));
    for (QPushButton* load : {ui.BitBtn10, ui.BitBtn6})
        connect(load, &QPushButton::clicked, this, Command(&THauptmenu::BitBtn10Click));
    connect(ui.Load1, &QAction::triggered, this, Command(&THauptmenu::BitBtn10Click));
    for (QPushButton* save : {ui.BitBtn11, ui.BitBtn5})
        connect(save, &QPushButton::clicked, this, Command(&THauptmenu::BitBtn11Click));
    connect(ui.Save1, &QAction::triggered, this, Command(&THauptmenu::BitBtn11Click));
    connect(ui.BitBtn3, &QPushButton::clicked, this, Command(&THauptmenu::BitBtn3Click));
    connect(ui.AddDirDrive1, &QAction::triggered, this, Command(&THauptmenu::BitBtn3Click));
    connect(ui.BitBtn4, &QPushButton::clicked, this, Command(&THauptmenu::BitBtn4Click));
    connect(ui.SpeedButton1, &QToolButton::clicked, this, Command(&THauptmenu::SpeedButton1Click));
    connect(ui.BackupDays1, &QAction::triggered, this, Command(&THauptmenu::SpeedButton1Click));
    connect(ui.Help1, &QAction::triggered, this, Command(&THauptmenu::Help1Click));
    connect(ui.CheckfornewerVersions1, &QAction::triggered, this,
            Command(&THauptmenu::CheckfornewerVersions1Click));
    connect(ui.InstallService1, &QAction::triggered, this,
            Command(&THauptmenu::InstallService1Click));
    connect(ui.DeleteService1, &QAction::triggered, this,
            Command(&THauptmenu::DeleteService1Click));
}

void THauptmenu::ConnectDiskCommands() {
    Ui::THauptmenuForm& ui = *m_ui;
    // The target field is only ever set by the disk dialog, which judges the disk.
    ui.Edit8->setReadOnly(true);
    connect(ui.BitBtn22, &QPushButton::clicked, this, Command(&THauptmenu::BitBtn22Click));
    connect(ui.ReadMBR1, &QAction::triggered, this, Command(&THauptmenu::ReadMBR1Click));
    connect(ui.Diskcopytest1, &QAction::triggered, this, Command(&THauptmenu::Diskcopytest1Click));
    connect(ui.DiskWriteTest1, &QAction::triggered, this,
            Command(&THauptmenu::DiskWriteTest1Click));
    connect(ui.est1, &QAction::triggered, this, Command(&THauptmenu::Est1Click));
    connect(ui.DisktoDiskcopy1, &QAction::triggered, this,
            Command(&THauptmenu::DisktoDiskcopy1Click));
}

void THauptmenu::MoveEdit8OntoRestoreTarget() {
    // Edit8 shows a disk restore target in the very place of the restore directory.
    QGridLayout* grid = m_ui->RestoreTargetGrid;
    int row = 0, column = 0, rowSpan = 0, columnSpan = 0;
    grid->getItemPosition(grid->indexOf(m_ui->Edit1), &row, &column, &rowSpan, &columnSpan);
    grid->removeWidget(m_ui->Edit8);
    grid->addWidget(m_ui->Edit8, row, column, rowSpan, columnSpan);
    m_ui->Edit8->hide();
}

void THauptmenu::UpdateDependentControls() {
    const Settings& settings = m_session->Settings;
    m_ui->Label1->setText(
        QStringLiteral("%1:%2").arg(settings.AutostartHour).arg(settings.AutostartMinute));
    m_ui->Label19->setText(QStringLiteral("Options from : ") + m_session->JobFilePath);
    m_ui->GroupBox1->setVisible(settings.SoftCompression);
    m_ui->PageControl1->setTabVisible(m_ui->PageControl1->indexOf(m_ui->TabSheet8),
                                      settings.MailAfterBackup);
}

void THauptmenu::Timer1Timer() {
    CheckAutostart();
}

void THauptmenu::CheckAutostart() {
    const bool operationRunning = m_commandDepth > 0 || m_states->Busy();
    const BackupScheduler::TickResult tick =
        m_scheduler->Tick(m_session->Settings, m_session->BackupRunning, operationRunning);
    if (tick.Action != BackupScheduler::Decision::StartBackup) {
        CarryOutAutostart(*m_session, tick, BackupSteps());
        return;
    }
    ++m_commandDepth;
    CarryOutAutostart(*m_session, tick, BackupSteps());
    --m_commandDepth;
    FinishRun();
}

void THauptmenu::Timer2Timer() {
    m_timer2->stop();
    m_session->DelayedStart();
    const bool start =
        ApplyStartArguments(*m_session, m_options.JobFileArgument, m_options.StartArgument);
    ShowLoadedJobFile();
    if (start)
        BitBtn1Click();
}

BackupRunSteps THauptmenu::BackupSteps() {
    BackupRunSteps steps;
    steps.ClearMailBody = [this] { ClearMemo(*m_ui->reMessageText); };
    steps.SendMailReport = [this] { SendBtnClick(); };
    steps.VerifyBackup = VerifyAfterBackupStep(*m_session);
    steps.RunExternalCommand = ExternalCommandStep(*m_operator);
    // The window closes once the run has unwound; the program ends with it.
    steps.ExitApplication = [this] { QTimer::singleShot(0, this, &THauptmenu::close); };
    return steps;
}

void THauptmenu::FinishRun() {
    m_operator->SettleIdle();
    ShowSettings();
}

void THauptmenu::BitBtn1Click() {
    RunBackup(*m_session, BackupSteps());
    FinishRun();
}

void THauptmenu::BitBtn7Click() {
    m_ui->PageControl1->setCurrentIndex(tab::Backup);
    const QStringList chosen = OperatorBoxes::ExistingFiles(this, QString(), BackupListFileFilter,
                                                            BackupListFileFilterIndex);
    if (chosen.isEmpty())
        return;
    AddFilesToBackupList(m_session->Settings, chosen);
    ShowSettings();
}

void THauptmenu::BitBtn15Click() {
    const QStringList chosen = OperatorBoxes::ExistingFiles(this, QString(), BackupListFileFilter,
                                                            BackupListFileFilterIndex);
    if (chosen.isEmpty())
        return;
    AddFilesToExcludeList(m_session->Settings, chosen);
    ShowSettings();
}

void THauptmenu::Button2Click() {
    // A disk image has no catalog: the restore is prepared instead.
    LoadTapeDescription(*m_session);
    if (SourceDiskGeometry(*m_session)) {
        FinishRun();
        ShowSourceDisk();
        return;
    }
    if (load_catalog(*m_session, true, m_catalog))
        ShowRestoreList();
    FinishRun();
}

void THauptmenu::LoadCatalogsequentiell1Click() {
    LoadCatalogSequential(*m_session, m_catalog);
    FinishRun();
}

void THauptmenu::TreeView1DblClick(const QModelIndex& index) {
    // The restore list is locked while a run uses it.
    if (m_states->ListEditingLocked())
        return;
    AddNodeToRestoreList(*m_session, *m_catalog, index);
}

void THauptmenu::BitBtn12Click() {
    LoadTapeDescription(*m_session);
    FinishRun();
    if (SourceDiskGeometry(*m_session)) {
        ShowSourceDisk();
        return;
    }
    m_ui->PageControl1->setCurrentIndex(tab::Restore);
    // The chooser stays open beside the window; "&Add" there sets the target (FolderChosen).
    if (auto* chooser = qobject_cast<TFile_Select*>(m_windows.FileSelect.data())) {
        chooser->Open(TFile_Select::Mode::RestoreTarget);
        chooser->SelectFolder(m_ui->Edit1->text());
    }
}

void THauptmenu::Button1Click() {
    // A disk chosen as the target restores the disk image onto it.
    if (const std::optional<int> disk = HardDiskEntryNumber(m_ui->Edit8->text()))
        RunDiskRestore(*m_session, *disk);
    else
        RunRestore(*m_session);
    FinishRun();
}

void THauptmenu::Button3Click() {
    VerifyTape(*m_session);
    FinishRun();
}

void THauptmenu::GetTapeDescription1Click() {
    LoadTapeDescription(*m_session);
    FinishRun();
}

void THauptmenu::ShowInfo1Click() {
    ShowDllInfo(*m_operator);
}

void THauptmenu::Exit1Click() {
    close();
}

bool THauptmenu::ConfirmClearing(const QStringList& list, const QString& name) {
    return list.isEmpty() ||
           m_operator->MessageBox(
               QStringLiteral("Do you want to clear the list of ") + name + QLatin1Char('?'),
               QString(), MessageIcon::Question, MessageButtons::YesNo) == MessageAnswer::Yes;
}

void THauptmenu::BitBtn2Click() {
    if (!ConfirmClearing(m_session->Settings.BackupList, QStringLiteral("Included Files")))
        return;
    ClearBackupList(m_session->Settings, *m_operator);
    ShowSettings();
}

void THauptmenu::BitBtn16Click() {
    if (!ConfirmClearing(m_session->Settings.ExcludeList, QStringLiteral("Excluded Files")))
        return;
    ClearExcludeList(m_session->Settings);
    ShowSettings();
}

void THauptmenu::BitBtn9Click() {
    ConfirmCancel(*m_operator, m_session->CancelFlag);
}

void THauptmenu::BitBtn18Click() {
    SetBusyCursor(*m_session);
    if (const std::optional<QStringList> lines = m_session->Protocol.ReadAll())
        SetMemoLines(*m_ui->Memo2, *lines);
    RestoreCursor(*m_session);
}

void THauptmenu::BitBtn19Click() {
    SetBusyCursor(*m_session);
    // Nothing is cleared when the log file cannot be read or written.
    if (m_session->Protocol.Clear())
        ClearMemo(*m_ui->Memo2);
    RestoreCursor(*m_session);
}

void THauptmenu::BitBtn20Click() {
    for (QLineEdit* field : {m_ui->efrom, m_ui->eTo, m_ui->eHost, m_ui->eUserid, m_ui->ePassword})
        field->clear();
    m_ui->eSubject->setText(QStringLiteral("Orvane Backup Report"));
    ClearMemo(*m_ui->reMessageText);
}

void THauptmenu::SendBtnClick() {
    if (m_sendingMail)
        return;
    m_sendingMail = true;
    m_ui->BitBtn21->setEnabled(false);
    SendMailReport(*m_session, MemoTextLines(*m_ui->reMessageText));
    m_ui->BitBtn21->setEnabled(true);
    m_sendingMail = false;
}

void THauptmenu::CheckfornewerVersions1Click() {
    // The window stays alive during the request; a second check waits for none.
    QAction* check = m_ui->CheckfornewerVersions1;
    if (!check->isEnabled())
        return;
    check->setEnabled(false);
    m_operator->SetStatus(QStringLiteral("Looking for a newer Version at ") + VersionFileUrl());
    const UpdateCheck result = CheckForNewerVersion(m_session->Settings);
    check->setEnabled(true);
    switch (result.Outcome) {
    case UpdateCheck::Verdict::Failed:
        m_operator->SetStatus(VersionFileUrl() + QStringLiteral(": ") + result.Error);
        m_operator->ShowMessage(UpdateFailedText());
        break;
    case UpdateCheck::Verdict::Nothing:
        m_operator->SetStatus(QString());
        break;
    case UpdateCheck::Verdict::Current:
        m_operator->SetStatus(QString());
        m_operator->ShowMessage(CurrentVersionText());
        break;
    case UpdateCheck::Verdict::Newer:
        m_operator->SetStatus(QString());
        if (auto* update = qobject_cast<TOrvane_Update*>(m_windows.Update.data()))
            update->ShowNewerVersion(result.OwnVersion, result.NewerText);
        break;
    }
}

namespace {
QString ServiceProgram() {
    return QCoreApplication::applicationDirPath() + QStringLiteral("/orvane-service");
}
} // namespace

void THauptmenu::InstallService1Click() {
    InstallOrvaneService(*m_operator, ServiceProgram(), m_session->Paths.ProgramDirectory,
                         m_session->JobFilePath);
}

void THauptmenu::DeleteService1Click() {
    DeleteOrvaneService(*m_operator, ServiceProgram());
}

void THauptmenu::Auswerfen1Click() {
    EjectTape(*m_session, true);
}

void THauptmenu::RewindTape1Click() {
    RewindTapeCommand(*m_session);
}

void THauptmenu::MoveTapetoBlockNr1Click() {
    m_ui->Label1->clear();
    MoveTapeToBlockCommand(*m_session);
}

void THauptmenu::GetTapePosition1Click() {
    GetTapePositionCommand(*m_session);
}

void THauptmenu::ConnectTapeCommands() {
    Ui::THauptmenuForm& ui = *m_ui;
    connect(ui.TapeInfo1, &QAction::triggered, this, Command(&THauptmenu::TapeInfo1Click));
    connect(ui.LoadTape1, &QAction::triggered, this, Command(&THauptmenu::LoadTape1Click));
    connect(ui.Tapetension1, &QAction::triggered, this, Command(&THauptmenu::Tapetension1Click));
    connect(ui.MovetoendofData1, &QAction::triggered, this,
            Command(&THauptmenu::MovetoendofData1Click));
    connect(ui.DeleteTape1, &QAction::triggered, this, Command(&THauptmenu::DeleteTape1Click));
    connect(ui.FormatTape1, &QAction::triggered, this, Command(&THauptmenu::FormatTape1Click));
    connect(ui.InitTapewith01, &QAction::triggered, this,
            Command(&THauptmenu::InitTapewith01Click));
    connect(ui.SetFilemarks1, &QAction::triggered, this, Command(&THauptmenu::SetFilemarks1Click));
    connect(ui.SetTapeParameters1, &QAction::triggered, this,
            Command(&THauptmenu::SetTapeParameters1Click));
}

void THauptmenu::TapeInfo1Click() {
    if (auto* info = qobject_cast<TTape_Info*>(m_windows.TapeInfo.data())) {
        info->BitBtn1Click();
        ShowWindow(info);
    }
}

void THauptmenu::LoadTape1Click() {
    LoadTapeCommand(*m_session);
}

void THauptmenu::Tapetension1Click() {
    TensionTapeCommand(*m_session);
}

void THauptmenu::MovetoendofData1Click() {
    MoveToEndOfDataCommand(*m_session);
}

void THauptmenu::DeleteTape1Click() {
    DeleteTapeCommand(*m_session);
}

void THauptmenu::FormatTape1Click() {
    FormatTapeCommand(*m_session);
}

void THauptmenu::InitTapewith01Click() {
    InitTapeWithZeroCommand(*m_session);
    FinishRun();
}

void THauptmenu::SetFilemarks1Click() {
    SetFilemarksCommand(*m_session);
}

void THauptmenu::SetTapeParameters1Click() {
    SetTapeParametersCommand(*m_session);
}

void THauptmenu::HelpAbout() {
    ShowWindow(m_windows.AboutBox);
}

void THauptmenu::changeEvent(QEvent* event) {
    QMainWindow::changeEvent(event);
    // Without a notification area the window stays minimised, so it can be found again.
    if (event->type() == QEvent::WindowStateChange && isMinimized() &&
        QSystemTrayIcon::isSystemTrayAvailable())
        QTimer::singleShot(0, this, &THauptmenu::ApplicationEvents1Minimize);
}

void THauptmenu::closeEvent(QCloseEvent* event) {
    QMainWindow::closeEvent(event);
    // Closing the main window ends the program, whatever other windows are open.
    if (event->isAccepted())
        QCoreApplication::quit();
}

void THauptmenu::ApplicationEvents1Minimize() {
    hide();
    if (!m_trayIcon) {
        m_trayIcon = new QSystemTrayIcon(AppIcon(), this);
        m_trayIcon->setObjectName(QStringLiteral("TrayIcon"));
        m_trayIcon->setToolTip(ProductName());
        connect(m_trayIcon, &QSystemTrayIcon::activated, this, &THauptmenu::TrayIconActivated);
    }
    m_trayIcon->show();
}

void THauptmenu::TrayIconActivated(QSystemTrayIcon::ActivationReason reason) {
    // Only a left click brings the window back; other clicks on the icon do nothing.
    if (reason != QSystemTrayIcon::Trigger)
        return;
    showNormal();
    raise();
    activateWindow();
    m_trayIcon->hide();
    m_trayIcon->deleteLater();
    m_trayIcon = nullptr;
}

} // namespace orvane
