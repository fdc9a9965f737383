#pragma once

#include "auxiliary_window.h"

namespace orvane {

// Tells of a newer version of Orvane.
class TOrvane_Update : public AuxiliaryWindow {
    Q_OBJECT

public:
    explicit TOrvane_Update(QWidget* parent = nullptr)
        : AuxiliaryWindow(QStringLiteral("TOrvane_Update"), QStringLiteral("Orvane Live Update"),
                          parent) {}
};

} // namespace orvane
