#pragma once

#include "auxiliary_window.h"

namespace orvane {

// The about box: product name, version and the dates of the work.
class TAboutBox : public AuxiliaryWindow {
    Q_OBJECT

public:
    explicit TAboutBox(QWidget* parent = nullptr);
};

} // namespace orvane
