#include "partition_table_dialog.h"

#include "disk/disk_list.h"
#include "operator_boxes.h"

#include <QGridLayout>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QSignalBlocker>
#include <QSpinBox>
#include <QStyle>
#include <QTableWidget>
#include <QVBoxLayout>

namespace orvane {

namespace {
constexpr int GridColumns = 11;
constexpr int GridRows = 5; // the header and the four entries of an MBR
} // namespace

TPartition_Table::TPartition_Table(QWidget* parent)
    : AuxiliaryWindow(QStringLiteral("TPartition_Table"), QStringLiteral("Harddisk select"),
                      parent) {
    auto* layout = new QVBoxLayout(this);

    auto* diskRow = new QHBoxLayout;
    auto* diskLabel = new QLabel(QStringLiteral("Harddisk :"), this);
    m_disk = new QSpinBox(this);
    m_disk->setObjectName(QStringLiteral("SpinEdit1"));
    m_disk->setMinimum(0);
    diskLabel->setBuddy(m_disk);
    diskRow->addWidget(diskLabel);
    diskRow->addWidget(m_disk);
    diskRow->addStretch(1);
    layout->addLayout(diskRow);

    m_grid = new QTableWidget(GridRows, GridColumns, this);
    m_grid->setObjectName(QStringLiteral("Stringgrid1"));
    m_grid->horizontalHeader()->hide();
    m_grid->verticalHeader()->hide();
    m_grid->setEditTriggers(QAbstractItemView::NoEditTriggers);
    m_grid->setSelectionMode(QAbstractItemView::NoSelection);
    const int widths[GridColumns] = {45, 36, 42, 47, 43, 49, 39, 44, 40, 63, 64};
    for (int column = 0; column < GridColumns; ++column)
        m_grid->setColumnWidth(column, widths[column]);
    for (int row = 0; row < GridRows; ++row)
        m_grid->setRowHeight(row, 20);
    // A mount point is longer than the column of the entry number.
    m_grid->horizontalHeader()->setSectionResizeMode(0, QHeaderView::ResizeToContents);
    layout->addWidget(m_grid, 1);

    m_error = new QLabel(this);
    m_error->setObjectName(QStringLiteral("DiskError"));
    m_error->setWordWrap(true);
    m_error->hide();
    layout->addWidget(m_error);

    auto* geometry = new QGridLayout;
    const QStringList captions = {QStringLiteral("Cylinder:"),
                                  QStringLiteral("Tracks per Cylinder:"),
                                  QStringLiteral("Sectors per Track:"),
                                  QStringLiteral("Bytes per Sector:"), QStringLiteral("Capacity:")};
    for (int i = 0; i < int(m_geometry.size()); ++i) {
        geometry->addWidget(new QLabel(captions.at(i), this), i, 0);
        m_geometry[size_t(i)] = new QLabel(this);
        m_geometry[size_t(i)]->setObjectName(QStringLiteral("Label%1").arg(7 + i));
        geometry->addWidget(m_geometry[size_t(i)], i, 1);
    }
    geometry->setColumnStretch(2, 1);
    layout->addLayout(geometry);

    auto* buttons = new QHBoxLayout;
    auto* ok = new QPushButton(QStringLiteral("OK"), this);
    ok->setObjectName(QStringLiteral("BitBtn1"));
    ok->setIcon(style()->standardIcon(QStyle::SP_DialogOkButton));
    ok->setDefault(true);
    auto* cancel = new QPushButton(QStringLiteral("Cancel"), this);
    cancel->setObjectName(QStringLiteral("BitBtn2"));
    cancel->setIcon(style()->standardIcon(QStyle::SP_DialogCancelButton));
    buttons->addStretch(1);
    buttons->addWidget(ok);
    buttons->addWidget(cancel);
    layout->addLayout(buttons);

    connect(m_disk, &QSpinBox::valueChanged, this, &TPartition_Table::SpinEdit1Change);
    connect(ok, &QPushButton::clicked, this, &TPartition_Table::BitBtn1Click);
    connect(cancel, &QPushButton::clicked, this, &TPartition_Table::BitBtn2Click);
    resize(620, 330);
}

void TPartition_Table::Open(std::optional<bool> restoreMode) {
    if (restoreMode)
        m_restoreMode = *restoreMode;
    // Disks attached since the last opening count as well.
    const int disks = int(ListDisks().size());
    {
        const QSignalBlocker quiet(m_disk);
        m_disk->setMaximum(std::max(disks - 1, 0));
        m_disk->setValue(0);
    }
    ShowDisk(0);
    show();
    raise();
    activateWindow();
}

void TPartition_Table::SpinEdit1Change(int value) {
    ShowDisk(value);
}

void TPartition_Table::ShowDisk(int number) {
    m_view = InspectDisk(number, m_programDirectory);
    m_error->setText(m_view.Error);
    m_error->setVisible(!m_view.Error.isEmpty());

    // A disk that cannot be read shows no rows: a table of another disk would mislead. Only the
    // header and the used entries are visible (a GPT may have more than four).
    const std::vector<PartitionRow>& used = m_view.Table.Rows;
    m_grid->clearContents();
    m_grid->setRowCount(int(used.size()) + 1);
    QList<QStringList> rows{PartitionTable::GridHeader()};
    for (const PartitionRow& row : used)
        rows << m_view.Table.GridCells(row);
    for (int row = 0; row < int(rows.size()); ++row) {
        m_grid->setRowHeight(row, 20);
        for (int column = 0; column < GridColumns && column < rows.at(row).size(); ++column)
            m_grid->setItem(row, column, new QTableWidgetItem(rows.at(row).at(column)));
    }

    const auto lines = GeometryLines(m_view.Geometry);
    for (size_t i = 0; i < m_geometry.size() && i < size_t(lines.size()); ++i)
        m_geometry[i]->setText(lines.at(qsizetype(i)).second);
}

void TPartition_Table::BitBtn1Click() {
    // The table may be minutes old: the choice is judged on the disk as it is now.
    ShowDisk(m_disk->value());
    if (const QString refusal = DiskChoiceRefusal(m_view, m_restoreMode); !refusal.isEmpty()) {
        OperatorBoxes::MessageBox(this, refusal, QString(), MessageIcon::Warning,
                                  MessageButtons::Ok);
        return;
    }
    hide();
    if (m_restoreMode)
        emit RestoreDiskChosen(m_disk->value());
    else
        emit BackupDiskChosen(m_disk->value());
}

void TPartition_Table::BitBtn2Click() {
    hide();
    if (m_restoreMode)
        emit RestoreChoiceCancelled();
}

void TPartition_Table::reject() {
    BitBtn2Click();
}

} // namespace orvane
