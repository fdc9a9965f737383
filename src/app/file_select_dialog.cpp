#include "file_select_dialog.h"

#include <QDir>
#include <QFileSystemModel>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLineEdit>
#include <QPushButton>
#include <QTreeView>
#include <QVBoxLayout>

namespace orvane {

TFile_Select::TFile_Select(QWidget* parent)
    : AuxiliaryWindow(QStringLiteral("TFile_Select"), QStringLiteral("Dir / Drive Select"),
                      parent) {
    m_model = new QFileSystemModel(this);
    // Folders only; hidden ones too, since /etc/.git or a dot directory in a home may matter.
    m_model->setFilter(QDir::AllDirs | QDir::NoDotAndDotDot | QDir::Hidden);
    m_model->setRootPath(QStringLiteral("/"));

    m_tree = new QTreeView(this);
    m_tree->setObjectName(QStringLiteral("ShellTreeView1"));
    m_tree->setModel(m_model);
    // The root folder itself is a row, so that "/" can be chosen.
    m_tree->setRootIndex(m_model->index(QStringLiteral("/")).parent());
    for (int column = 1; column < m_model->columnCount(); ++column)
        m_tree->hideColumn(column);
    m_tree->header()->hide();
    m_tree->setRootIsDecorated(true);
    m_tree->setMinimumSize(320, 360);
    m_tree->setContextMenuPolicy(Qt::PreventContextMenu);
    connect(m_tree->selectionModel(), &QItemSelectionModel::currentChanged, this,
            [this](const QModelIndex& current) { ShellTreeView1Change(current); });

    m_path = new QLineEdit(this);
    m_path->setObjectName(QStringLiteral("Edit1"));
    m_path->setEnabled(false);

    m_add = new QPushButton(QStringLiteral("&Add"), this);
    m_add->setObjectName(QStringLiteral("BitBtn1"));
    m_exclude = new QPushButton(QStringLiteral("&Exclude"), this);
    m_exclude->setObjectName(QStringLiteral("BitBtn3"));
    auto* close = new QPushButton(QStringLiteral("&Close"), this);
    close->setObjectName(QStringLiteral("BitBtn2"));
    connect(m_add, &QPushButton::clicked, this, &TFile_Select::BitBtn1Click);
    connect(m_exclude, &QPushButton::clicked, this, &TFile_Select::BitBtn3Click);
    connect(close, &QPushButton::clicked, this, &QWidget::hide);

    auto* buttons = new QHBoxLayout;
    buttons->addWidget(m_add);
    buttons->addWidget(m_exclude);
    buttons->addStretch(1);
    buttons->addWidget(close);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(m_tree, 1);
    layout->addWidget(m_path);
    layout->addLayout(buttons);
    m_exclude->hide();
}

QString TFile_Select::FolderLine(const QString& folder) {
    if (folder.isEmpty() || folder.endsWith(QLatin1Char('/')))
        return folder;
    return folder + QLatin1Char('/');
}

void TFile_Select::Open(Mode mode) {
    m_mode = mode;
    m_add->setVisible(mode != Mode::ExcludeList);
    m_exclude->setVisible(mode == Mode::ExcludeList);
    show();
    raise();
    activateWindow();
}

void TFile_Select::SelectFolder(const QString& path) {
    const QModelIndex index = m_model->index(path);
    if (!index.isValid())
        return;
    m_tree->setCurrentIndex(index);
    m_tree->scrollTo(index);
}

QString TFile_Select::ChosenPath() const {
    return m_path->text();
}

void TFile_Select::ShellTreeView1Change(const QModelIndex& current) {
    m_path->setText(FolderLine(m_model->filePath(current)));
}

void TFile_Select::BitBtn1Click() {
    if (m_path->text().isEmpty())
        return;
    emit FolderChosen(m_mode, m_path->text());
    if (m_mode == Mode::RestoreTarget)
        hide();
}

void TFile_Select::BitBtn3Click() {
    if (m_path->text().isEmpty())
        return;
    emit FolderChosen(Mode::ExcludeList, m_path->text());
}

} // namespace orvane
