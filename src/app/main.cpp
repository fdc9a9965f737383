#include "app_icon.h"
#include "application_windows.h"
#include "main_window.h"
#include "start_options.h"

#include <QApplication>
#include <QMessageBox>
#include <cstdio>

int main(int argc, char** argv) {
    QApplication application(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("Orvane"));
    QGuiApplication::setWindowIcon(orvane::AppIcon());
    // The program ends with its main window, not with whichever window happens to close last
    // (the main window may be hidden in the notification area).
    QGuiApplication::setQuitOnLastWindowClosed(false);

    const auto parsed = orvane::ParseStartOptions(QCoreApplication::arguments());
    if (const auto* error = std::get_if<orvane::StartOptionsError>(&parsed)) {
        if (error->HelpRequested) {
            std::fputs(qPrintable(error->Message), stdout);
            return 0;
        }
        std::fprintf(stderr, "orvane: %s\n", qPrintable(error->Message));
        QMessageBox::critical(nullptr, QStringLiteral("Orvane"), error->Message);
        return 2;
    }

    orvane::ApplicationWindows windows(std::get<orvane::StartOptions>(parsed));
    windows.Main().show();
    return application.exec();
}
