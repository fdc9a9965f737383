#include "tape_change_dialog.h"

#include "new_cartridge_dialog.h"
#include "operator_boxes.h"
#include "platform/date_time_text.h"
#include "platform/tape_device.h"
#include "tape/autoloader.h"
#include "tape/tape_date.h"

#include <QDialogButtonBox>
#include <QFile>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLocale>
#include <QPushButton>
#include <QTreeWidget>
#include <QVBoxLayout>

namespace orvane {

namespace {

QString SizeText(int64_t bytes) {
    return QLocale().formattedDataSize(bytes, 2, QLocale::DataSizeTraditionalFormat);
}

} // namespace

QString SetDateText(const CartridgeOverview& cartridge) {
    // A date of day 1 or earlier is no date: the tape holds no set.
    if (!cartridge.Described || cartridge.SetDate <= 1)
        return QString();
    return DateTimeText(FromTapeDate(cartridge.SetDate));
}

TapeChangeDialog::TapeChangeDialog(std::shared_ptr<VirtualTapeLibrary> library,
                                   const TapeRequest& request, QWidget* parent)
    : QDialog(parent), m_library(std::move(library)), m_request(request) {
    setObjectName(QStringLiteral("TapeChangeDialog"));
    setWindowTitle(QStringLiteral("Tape change"));
    auto* layout = new QVBoxLayout(this);

    auto* prompt = new QLabel(request.Text, this);
    prompt->setObjectName(QStringLiteral("PromptText"));
    prompt->setWordWrap(true);
    QFont bold = prompt->font();
    bold.setBold(true);
    prompt->setFont(bold);
    layout->addWidget(prompt);

    auto* where = new QLabel(QStringLiteral("Cartridges in ") + m_library->Directory(), this);
    where->setTextInteractionFlags(Qt::TextSelectableByMouse);
    layout->addWidget(where);

    m_list = new QTreeWidget(this);
    m_list->setObjectName(QStringLiteral("CartridgeList"));
    m_list->setColumnCount(ColumnCount);
    m_list->setHeaderLabels({QStringLiteral("Cartridge"), QStringLiteral("Capacity"),
                             QStringLiteral("Used"), QStringLiteral("Loaded"),
                             QStringLiteral("Label"), QStringLiteral("Tape"),
                             QStringLiteral("Set date")});
    m_list->setRootIsDecorated(false);
    m_list->setUniformRowHeights(true);
    m_list->setAlternatingRowColors(true);
    m_list->setSelectionMode(QAbstractItemView::SingleSelection);
    m_list->header()->setSectionResizeMode(QHeaderView::ResizeToContents);
    m_list->header()->setStretchLastSection(true);
    m_list->setMinimumSize(620, 180);
    layout->addWidget(m_list, 1);

    auto* commands = new QHBoxLayout;
    m_insert = new QPushButton(QStringLiteral("Insert"), this);
    m_insert->setObjectName(QStringLiteral("InsertButton"));
    auto* create = new QPushButton(QStringLiteral("New cartridge…"), this);
    create->setObjectName(QStringLiteral("NewCartridgeButton"));
    commands->addWidget(m_insert);
    commands->addWidget(create);
    commands->addStretch(1);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    commands->addWidget(buttons);
    layout->addLayout(commands);

    connect(m_insert, &QPushButton::clicked, this, &TapeChangeDialog::InsertSelected);
    connect(create, &QPushButton::clicked, this, &TapeChangeDialog::NewCartridge);
    connect(buttons, &QDialogButtonBox::accepted, this, &TapeChangeDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    connect(m_list, &QTreeWidget::itemSelectionChanged, this,
            [this] { m_insert->setEnabled(!SelectedCartridge().isEmpty()); });
    connect(m_list, &QTreeWidget::itemDoubleClicked, this, &TapeChangeDialog::accept);

    QString suggested = Autoloader(m_library).Suggest(request);
    if (suggested.isEmpty())
        suggested = m_library->LoadedCartridge();
    Refresh(suggested);
    m_insert->setEnabled(!SelectedCartridge().isEmpty());
    // With nothing that fits, making a cartridge is the likely next step.
    (suggested.isEmpty() ? static_cast<QWidget*>(create) : m_list)->setFocus();
}

QString TapeChangeDialog::SelectedCartridge() const {
    const QList<QTreeWidgetItem*> selected = m_list->selectedItems();
    return selected.isEmpty() ? QString() : selected.front()->text(Name);
}

bool TapeChangeDialog::SelectCartridge(const QString& name) {
    for (int row = 0; row < m_list->topLevelItemCount(); ++row) {
        QTreeWidgetItem* item = m_list->topLevelItem(row);
        if (item->text(Name) == name) {
            m_list->setCurrentItem(item);
            item->setSelected(true);
            return true;
        }
    }
    return false;
}

void TapeChangeDialog::Refresh(const QString& select) {
    m_cartridges = ReadCartridgeOverview(*m_library);
    m_list->clear();
    for (const CartridgeOverview& cartridge : m_cartridges) {
        auto* item = new QTreeWidgetItem(m_list);
        item->setText(Name, cartridge.Info.Name);
        item->setText(Capacity, SizeText(cartridge.Info.Capacity));
        item->setText(Used, SizeText(cartridge.Info.EndOfDataBlocks * TapeBlockSize));
        item->setText(Loaded, cartridge.Info.Loaded ? QStringLiteral("loaded") : QString());
        if (cartridge.Described) {
            item->setText(Label, QString::fromLatin1(cartridge.Label).trimmed());
            if (cartridge.TapeNumber != 255)
                item->setText(TapeNumber, QString::number(cartridge.TapeNumber));
            item->setText(SetDate, SetDateText(cartridge));
        }
        for (const Column right : {Capacity, Used, TapeNumber})
            item->setTextAlignment(right, Qt::AlignRight | Qt::AlignVCenter);
    }
    if (!select.isEmpty())
        SelectCartridge(select);
}

bool TapeChangeDialog::InsertSelected() {
    const QString name = SelectedCartridge();
    if (name.isEmpty())
        return false;
    if (const QString error = m_library->Insert(name); !error.isEmpty()) {
        ShowError(error);
        Refresh(name);
        return false;
    }
    Refresh(name);
    return true;
}

void TapeChangeDialog::NewCartridge() {
    NewCartridgeDialog ask(FreeCartridgeName(), DefaultCapacity(), this);
    if (!OperatorBoxes::ExecDialog(ask, QStringLiteral("New cartridge")))
        return;
    const QString name = ask.Name();
    if (const QString error = m_library->CreateCartridge(name, ask.Capacity(), 1, false);
        !error.isEmpty()) {
        ShowError(error);
        return;
    }
    Refresh(name);
}

void TapeChangeDialog::accept() {
    const QString name = SelectedCartridge();
    const auto chosen =
        std::find_if(m_cartridges.begin(), m_cartridges.end(),
                     [&](const CartridgeOverview& c) { return c.Info.Name == name; });
    if (chosen != m_cartridges.end() && !chosen->Info.Loaded && !InsertSelected())
        return;
    QDialog::accept();
}

QString TapeChangeDialog::FreeCartridgeName() const {
    int n = 1;
    while (QFile::exists(m_library->ImagePath(QStringLiteral("tape%1").arg(n))))
        ++n;
    return QStringLiteral("tape%1").arg(n);
}

int64_t TapeChangeDialog::DefaultCapacity() const {
    // The loaded cartridge's size; while the drive is empty (as it is after a full tape), the
    // size of the set's own tapes, so that every tape of a set holds the same.
    int64_t loaded = 0, ofSet = 0, largest = 0;
    for (const CartridgeOverview& cartridge : m_cartridges) {
        if (cartridge.Info.Loaded)
            loaded = cartridge.Info.Capacity;
        if (cartridge.Described && cartridge.SetDate == m_request.SetDate)
            ofSet = std::max(ofSet, cartridge.Info.Capacity);
        largest = std::max(largest, cartridge.Info.Capacity);
    }
    return loaded    ? loaded
           : ofSet   ? ofSet
           : largest ? largest
                     : VirtualTapeLibrary::DefaultCapacity;
}

void TapeChangeDialog::ShowError(const QString& text) {
    OperatorBoxes::MessageBox(this, text, QStringLiteral("Error"), MessageIcon::Error,
                              MessageButtons::Ok);
}

} // namespace orvane
