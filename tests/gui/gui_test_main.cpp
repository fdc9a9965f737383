#include "operator_boxes.h"

#include <QApplication>
#include <gtest/gtest.h>

int main(int argc, char** argv) {
    // Also when the suite is listed or run by hand: no display is needed.
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication application(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("Orvane"));
    // No modal box may ever wait for a click here.
    orvane::OperatorBoxes::SetScripted(true);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
