#pragma once

#include "auxiliary_window.h"

namespace orvane {

// The directory and drive chooser for the backup list, the exclude list and the restore target.
class TFile_Select : public AuxiliaryWindow {
    Q_OBJECT

public:
    explicit TFile_Select(QWidget* parent = nullptr)
        : AuxiliaryWindow(QStringLiteral("TFile_Select"), QStringLiteral("Dir / Drive Select"),
                          parent) {}
};

} // namespace orvane
