// Times the Restore tab's fast catalog load on the real main window: from the press of
// "&Load Catalog" until TreeView1 has laid out and painted its first rows.
//
//   gui_catalog_timing --home DIR --tape vtape:DIR
//
// The windows are made as the program makes them, and the delayed start-up runs before the
// clock starts. Message boxes never wait for an answer; any that were shown are listed on
// stderr. Prints "seconds files nodes" on stdout; exits 1 when no tree was shown.

#include "application_windows.h"
#include "jobs/catalog_tree_model.h"
#include "main_window.h"
#include "operator_boxes.h"
#include "start_options.h"

#include <QAbstractButton>
#include <QApplication>
#include <QElapsedTimer>
#include <QTreeView>
#include <cstdio>

namespace {

constexpr qint64 MaxLoadMilliseconds = 600000;

// The tree view has painted rows when its first row has a place on screen.
bool ShowsRows(QTreeView& view) {
    const QAbstractItemModel* model = view.model();
    return model->rowCount() > 0 && !view.visualRect(model->index(0, 0)).isEmpty();
}

void ListShownBoxes() {
    for (const orvane::OperatorBoxes::ShownBox& box : orvane::OperatorBoxes::Shown())
        std::fprintf(stderr, "box: %s\n", qPrintable(box.Text));
}

} // namespace

int main(int argc, char** argv) {
    QApplication application(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("Orvane"));
    QGuiApplication::setQuitOnLastWindowClosed(false);

    const auto parsed = orvane::ParseStartOptions(QCoreApplication::arguments());
    const auto* parsedOptions = std::get_if<orvane::StartOptions>(&parsed);
    if (!parsedOptions || !parsedOptions->JobFileArgument.isEmpty()) {
        std::fputs("usage: gui_catalog_timing --home DIR --tape vtape:DIR\n", stderr);
        return 2;
    }
    orvane::StartOptions options = *parsedOptions;
    // The delayed start-up is run by hand below, so that it lies outside the measurement.
    options.RunTimers = false;
    orvane::OperatorBoxes::SetScripted(true);

    orvane::ApplicationWindows windows(options);
    orvane::THauptmenu& window = windows.Main();
    window.show();
    window.Timer2Timer();
    QCoreApplication::processEvents();

    auto* loadCatalog = window.findChild<QAbstractButton*>(QStringLiteral("BitBtn14"));
    auto* tree = window.findChild<QTreeView*>(QStringLiteral("TreeView1"));
    if (!loadCatalog || !tree) {
        std::fputs("gui_catalog_timing: the window has no BitBtn14 or TreeView1\n", stderr);
        return 2;
    }

    QElapsedTimer clock;
    clock.start();
    loadCatalog->click();
    // The handler runs the whole load before it returns; should a load ever go on after it, the
    // tree is awaited while the window stays busy.
    while (window.CatalogModel()->rowCount() == 0 && window.Busy() &&
           clock.elapsed() < MaxLoadMilliseconds)
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents, 50);
    QCoreApplication::processEvents();
    // The view lays its rows out at its next paint.
    window.grab();
    const double seconds = double(clock.nsecsElapsed()) / 1e9;

    ListShownBoxes();
    const orvane::CatalogTree* shown = window.CatalogModel()->Tree();
    if (!shown || !ShowsRows(*tree)) {
        std::fprintf(stderr, "gui_catalog_timing: no tree after %.3f s: %s\n", seconds,
                     qPrintable(window.StatusText()));
        return 1;
    }
    std::printf("%.3f %u %u\n", seconds, shown->FileCount(), shown->NodeCount());
    return 0;
}
