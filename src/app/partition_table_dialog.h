#pragma once

#include "auxiliary_window.h"
#include "disk/disk_view.h"

#include <array>
#include <optional>

class QLabel;
class QSpinBox;
class QTableWidget;

namespace orvane {

// Picks a physical disk and shows its geometry and partition table: the source of a disk image
// backup, or, in restore mode, the target of a disk image restore. Every opening starts at
// disk 0, so that OK always takes the disk whose table is shown.
class TPartition_Table : public AuxiliaryWindow {
    Q_OBJECT

public:
    explicit TPartition_Table(QWidget* parent = nullptr);

    // The program directory: its disk is never a restore target.
    void SetProgramDirectory(const QString& directory) { m_programDirectory = directory; }

    // Shows disk 0 and opens the dialog; without a mode the last one stays.
    void Open(std::optional<bool> restoreMode);
    bool RestoreMode() const { return m_restoreMode; }
    // The disk the dialog shows.
    const DiskView& ShownDisk() const { return m_view; }

    void SpinEdit1Change(int value);
    void BitBtn1Click(); // OK
    void BitBtn2Click(); // "Cancel"

signals:
    void BackupDiskChosen(int diskNumber);
    void RestoreDiskChosen(int diskNumber);
    void RestoreChoiceCancelled();

protected:
    // Closing the window is Cancel.
    void reject() override;

private:
    // ReadPartitionTable and ShowDiskGeometry of one disk.
    void ShowDisk(int number);

    bool m_restoreMode = false;
    QString m_programDirectory;
    DiskView m_view;
    QSpinBox* m_disk = nullptr;
    QTableWidget* m_grid = nullptr;
    std::array<QLabel*, 5> m_geometry{};
    QLabel* m_error = nullptr;
};

} // namespace orvane
