#pragma once

#include "auxiliary_window.h"

namespace orvane {

// The help text.
class THelp_File : public AuxiliaryWindow {
    Q_OBJECT

public:
    explicit THelp_File(QWidget* parent = nullptr)
        : AuxiliaryWindow(QStringLiteral("THelp_File"), QStringLiteral("Help"), parent) {}
};

} // namespace orvane
