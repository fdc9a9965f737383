#pragma once

#include "platform/run_progress.h"

#include <QWidget>

class QLabel;
class QProgressBar;

namespace orvane {

// The progress of a backup, restore or verify in the status line: a bar of the part done and
// "12.3 of 40.0 GiB · 251 MB/s · 2:41 left" beside it (the status line names the file). The bar
// goes when the run ends; its last figures stay until the next run.
class RunProgressPanel : public QWidget {
public:
    explicit RunProgressPanel(QWidget* parent = nullptr);

    void Show(const RunProgress& progress);

    QString Text() const;
    // The bar's value in tenths of a percent, -1 while the total is unknown.
    int Permille() const;
    bool BarShown() const;

private:
    QProgressBar* m_bar;
    QLabel* m_text;
};

} // namespace orvane
