#pragma once

#include <QDialog>
#include <cstdint>

class QDialogButtonBox;
class QDoubleSpinBox;
class QLineEdit;

namespace orvane {

// "New cartridge…" of the tape-change prompt: the name and the capacity of a cartridge to be
// made in the virtual library. OK stays disabled while the name is not one the library takes.
class NewCartridgeDialog : public QDialog {
    Q_OBJECT
public:
    NewCartridgeDialog(const QString& name, int64_t capacity, QWidget* parent);

    QString Name() const;
    // In whole tape blocks, so that the capacity shown (in MiB, two decimals) gives back
    // exactly the capacity offered.
    int64_t Capacity() const;

private:
    void UpdateOk();

    QLineEdit* m_name = nullptr;
    QDoubleSpinBox* m_capacity = nullptr;
    QDialogButtonBox* m_buttons = nullptr;
};

} // namespace orvane
