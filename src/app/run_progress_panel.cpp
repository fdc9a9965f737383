#include "run_progress_panel.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QProgressBar>

namespace orvane {

RunProgressPanel::RunProgressPanel(QWidget* parent)
    : QWidget(parent), m_bar(new QProgressBar(this)), m_text(new QLabel(this)) {
    setObjectName(QStringLiteral("RunProgress"));
    auto* layout = new QHBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(m_bar);
    layout->addWidget(m_text);
    m_bar->setRange(0, 1000);
    m_bar->setTextVisible(true);
    m_bar->setMinimumWidth(160);
    m_bar->setVisible(false);
}

void RunProgressPanel::Show(const RunProgress& progress) {
    RunProgress shown = progress;
    shown.Path.clear(); // the status line names the file at work
    m_text->setText(RunProgressText(shown));
    m_bar->setVisible(!progress.Final);
    if (progress.TotalBytes > 0) {
        m_bar->setRange(0, 1000);
        m_bar->setValue(
            int(std::min<int64_t>(progress.DoneBytes * 1000 / progress.TotalBytes, 1000)));
        m_bar->setFormat(QStringLiteral("%1 %").arg(progress.Percent()));
    } else {
        m_bar->setRange(0, 0); // busy until the total is known
    }
}

QString RunProgressPanel::Text() const {
    return m_text->text();
}

int RunProgressPanel::Permille() const {
    return m_bar->maximum() > 0 ? m_bar->value() : -1;
}

bool RunProgressPanel::BarShown() const {
    return !m_bar->isHidden();
}

} // namespace orvane
