#pragma once

#include "start_options.h"

#include <QList>
#include <memory>

class QWidget;

namespace orvane {

class THauptmenu;
class TBackup_days;
class TAboutBox;
class TFile_Select;
class TTape_Info;
class TOrvane_Update;
class THelp_File;
class TPartition_Table;

// The application's eight windows, created once at start in a fixed order: the main window
// first, whose creation prepares the directories, the protocol and the drive, then the dialogs,
// which are shown and hidden afterwards.
class ApplicationWindows {
public:
    explicit ApplicationWindows(const StartOptions& options);
    ~ApplicationWindows();

    THauptmenu& Main() { return *m_main; }
    QList<QWidget*> InCreationOrder() const;

private:
    std::unique_ptr<THauptmenu> m_main;
    std::unique_ptr<TBackup_days> m_backupDays;
    std::unique_ptr<TAboutBox> m_aboutBox;
    std::unique_ptr<TFile_Select> m_fileSelect;
    std::unique_ptr<TTape_Info> m_tapeInfo;
    std::unique_ptr<TOrvane_Update> m_update;
    std::unique_ptr<THelp_File> m_helpFile;
    std::unique_ptr<TPartition_Table> m_partitionTable;
};

} // namespace orvane
