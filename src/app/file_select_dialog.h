#pragma once

#include "auxiliary_window.h"

class QFileSystemModel;
class QLineEdit;
class QModelIndex;
class QPushButton;
class QTreeView;

namespace orvane {

// "Dir / Drive Select": a folder tree of the whole file system for the backup list, the exclude
// list and the restore target. The chosen folder is shown as a list line: "/" for the root,
// any other folder with a trailing "/".
class TFile_Select : public AuxiliaryWindow {
    Q_OBJECT

public:
    enum class Mode { BackupList, ExcludeList, RestoreTarget };

    explicit TFile_Select(QWidget* parent = nullptr);

    // Shows the dialog with "&Add" (backup list, restore target) or "&Exclude" (exclude list).
    void Open(Mode mode);
    Mode CurrentMode() const { return m_mode; }
    // Selects a folder in the tree, as a click on it does.
    void SelectFolder(const QString& path);
    // What "&Add" or "&Exclude" would give.
    QString ChosenPath() const;

    // The list line for a folder: "/" stays "/", another folder gets a trailing "/".
    static QString FolderLine(const QString& folder);

signals:
    // "&Add" or "&Exclude" pressed with a folder chosen. The dialog stays open for the lists, so
    // that several folders can be added one after another; for the restore target it closes.
    void FolderChosen(orvane::TFile_Select::Mode mode, const QString& line);

private:
    void ShellTreeView1Change(const QModelIndex& current);
    void BitBtn1Click();
    void BitBtn3Click();

    QFileSystemModel* m_model = nullptr;
    QTreeView* m_tree = nullptr;
    QLineEdit* m_path = nullptr;
    QPushButton* m_add = nullptr;
    QPushButton* m_exclude = nullptr;
    Mode m_mode = Mode::BackupList;
};

} // namespace orvane
