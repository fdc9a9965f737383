#pragma once

#include "auxiliary_window.h"

namespace orvane {

// Picks a physical disk and shows its partition table.
class TPartition_Table : public AuxiliaryWindow {
    Q_OBJECT

public:
    explicit TPartition_Table(QWidget* parent = nullptr)
        : AuxiliaryWindow(QStringLiteral("TPartition_Table"), QStringLiteral("Harddisk select"),
                          parent) {}
};

} // namespace orvane
