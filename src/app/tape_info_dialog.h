#pragma once

#include "auxiliary_window.h"

namespace orvane {

// The drive and media parameters.
class TTape_Info : public AuxiliaryWindow {
    Q_OBJECT

public:
    explicit TTape_Info(QWidget* parent = nullptr)
        : AuxiliaryWindow(QStringLiteral("TTape_Info"), QStringLiteral("Tape Info"), parent) {}
};

} // namespace orvane
