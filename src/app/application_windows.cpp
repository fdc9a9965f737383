#include "application_windows.h"

#include "about_box.h"
#include "backup_days_dialog.h"
#include "file_select_dialog.h"
#include "help_file_dialog.h"
#include "jobs/session.h"
#include "main_window.h"
#include "partition_table_dialog.h"
#include "tape_info_dialog.h"
#include "update_dialog.h"

namespace orvane {

ApplicationWindows::ApplicationWindows(const StartOptions& options)
    : m_main(std::make_unique<THauptmenu>(options)),
      m_backupDays(std::make_unique<TBackup_days>(m_main->Session().Settings)),
      m_aboutBox(std::make_unique<TAboutBox>()), m_fileSelect(std::make_unique<TFile_Select>()),
      m_tapeInfo(std::make_unique<TTape_Info>()), m_update(std::make_unique<TOrvane_Update>()),
      m_helpFile(std::make_unique<THelp_File>()),
      m_partitionTable(std::make_unique<TPartition_Table>()) {
    m_main->AttachWindows({m_backupDays.get(), m_aboutBox.get(), m_fileSelect.get(),
                           m_tapeInfo.get(), m_update.get(), m_helpFile.get(),
                           m_partitionTable.get()});
}

ApplicationWindows::~ApplicationWindows() = default;

QList<QWidget*> ApplicationWindows::InCreationOrder() const {
    return {m_main.get(),     m_backupDays.get(), m_aboutBox.get(), m_fileSelect.get(),
            m_tapeInfo.get(), m_update.get(),     m_helpFile.get(), m_partitionTable.get()};
}

} // namespace orvane
