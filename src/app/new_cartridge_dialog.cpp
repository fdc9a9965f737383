#include "new_cartridge_dialog.h"

#include "platform/tape_device.h"
#include "platform/virtual_tape_library.h"

#include <QDialogButtonBox>
#include <QDoubleSpinBox>
#include <QFormLayout>
#include <QLineEdit>
#include <QPushButton>
#include <cmath>

namespace orvane {

namespace {
constexpr double Mebibyte = 1048576.0;
}

NewCartridgeDialog::NewCartridgeDialog(const QString& name, int64_t capacity, QWidget* parent)
    : QDialog(parent) {
    setObjectName(QStringLiteral("NewCartridgeDialog"));
    setWindowTitle(QStringLiteral("New cartridge"));
    auto* form = new QFormLayout(this);

    m_name = new QLineEdit(name, this);
    m_name->setObjectName(QStringLiteral("CartridgeName"));
    form->addRow(QStringLiteral("Name:"), m_name);

    m_capacity = new QDoubleSpinBox(this);
    m_capacity->setObjectName(QStringLiteral("CartridgeCapacity"));
    m_capacity->setDecimals(2);
    m_capacity->setRange(1.0, 1e9);
    m_capacity->setSuffix(QStringLiteral(" MiB"));
    m_capacity->setValue(double(capacity) / Mebibyte);
    form->addRow(QStringLiteral("Capacity:"), m_capacity);

    m_buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    form->addRow(m_buttons);
    connect(m_buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(m_buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    connect(m_name, &QLineEdit::textChanged, this, &NewCartridgeDialog::UpdateOk);
    UpdateOk();
}

QString NewCartridgeDialog::Name() const {
    return m_name->text().trimmed();
}

int64_t NewCartridgeDialog::Capacity() const {
    const double blocks = std::round(m_capacity->value() * Mebibyte / TapeBlockSize);
    return int64_t(blocks) * TapeBlockSize;
}

void NewCartridgeDialog::UpdateOk() {
    m_buttons->button(QDialogButtonBox::Ok)
        ->setEnabled(VirtualTapeLibrary::IsValidCartridgeName(Name()));
}

} // namespace orvane
