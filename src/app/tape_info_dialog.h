#pragma once

#include "auxiliary_window.h"

#include <QLabel>
#include <array>
#include <functional>

namespace orvane {

struct TapeContext;

// The drive and media parameters: sixteen values (Label1..Label16) under their fixed names, in
// the groups "Drive Parameters" and "Tape Parameters", and "&OK", which hides the dialog.
class TTape_Info : public AuxiliaryWindow {
    Q_OBJECT

public:
    explicit TTape_Info(QWidget* parent = nullptr);

    // The drive the refresh asks; without one the values read "unknown".
    void SetTapeContext(std::function<TapeContext*()> context) { m_context = std::move(context); }

    // The value label `number` (1..16).
    QLabel* Value(int number) const { return m_values.at(size_t(number - 1)); }

public slots:
    // The refresh: asks the drive and fills the values.
    void BitBtn1Click();
    void OKBtnClick();

private:
    std::array<QLabel*, 16> m_values{};
    std::function<TapeContext*()> m_context;
};

} // namespace orvane
