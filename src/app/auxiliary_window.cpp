#include "auxiliary_window.h"

namespace orvane {

AuxiliaryWindow::AuxiliaryWindow(const QString& objectName, const QString& caption, QWidget* parent)
    : QDialog(parent) {
    setObjectName(objectName);
    setWindowTitle(caption);
    setModal(false);
}

} // namespace orvane
