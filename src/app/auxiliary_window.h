#pragma once

#include <QDialog>

namespace orvane {

// A window of the application besides the main window: created once at start, shown without
// being modal, and only hidden when closed.
class AuxiliaryWindow : public QDialog {
    Q_OBJECT

public:
    AuxiliaryWindow(const QString& objectName, const QString& caption, QWidget* parent);
};

} // namespace orvane
