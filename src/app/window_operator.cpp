#include "window_operator.h"

#include "control_states.h"
#include "led_display.h"
#include "main_window_tabs.h"
#include "memo_lines.h"
#include "operator_boxes.h"
#include "platform/tape_device_factory.h"
#include "tape_change_dialog.h"

#include <QGuiApplication>
#include <QLabel>
#include <QPlainTextEdit>
#include <QSignalBlocker>
#include <QTabWidget>

namespace orvane {

WindowOperator::WindowOperator(const OperatorSurface& surface) : m_surface(surface) {}

WindowOperator::~WindowOperator() {
    while (m_busyCursors > 0)
        setBusyCursor(false);
}

MessageAnswer WindowOperator::messageBox(const QString& text, const QString& caption,
                                         MessageIcon icon, MessageButtons buttons) {
    return OperatorBoxes::messageBox(m_surface.window, text, caption, icon, buttons);
}

std::optional<QString> WindowOperator::inputBox(const QString& caption, const QString& prompt,
                                                const QString& defaultValue) {
    return OperatorBoxes::inputBox(m_surface.window, caption, prompt, defaultValue);
}

MessageAnswer WindowOperator::requestTape(const TapeRequest& request) {
    const QString library = VirtualLibraryDirectory(m_tapeDrive);
    if (library.isEmpty())
        return OperatorInterface::requestTape(request);
    TapeChangeDialog dialog(VirtualTapeLibrary::at(library), request, m_surface.window);
    // The run's busy cursor would hide that the dialog waits for a choice.
    QGuiApplication::setOverrideCursor(Qt::ArrowCursor);
    const bool accepted = OperatorBoxes::execDialog(dialog, request.text);
    QGuiApplication::restoreOverrideCursor();
    return accepted ? MessageAnswer::Ok : MessageAnswer::Cancel;
}

void WindowOperator::settleIdle() {
    if (m_surface.states->busy())
        m_surface.states->setBusy(false);
    if (m_surface.states->listEditingLocked())
        m_surface.states->setListEditingLocked(false);
    while (m_busyCursors > 0)
        setBusyCursor(false);
}

void WindowOperator::setStatus(const QString& text) {
    m_surface.statusLine->setText(text);
}

void WindowOperator::setCaption(const QString& text) {
    m_surface.window->setWindowTitle(text);
}

void WindowOperator::appendProtocolLine(const QString& text) {
    AppendMemoLine(*m_surface.protocolMemo, text);
    AppendMemoLine(*m_surface.mailText, text);
}

void WindowOperator::ShowView(OperatorView view) {
    int page = tab::Backup;
    switch (view) {
    case OperatorView::BackupRun:
    case OperatorView::BackupList:
        page = tab::Backup;
        break;
    case OperatorView::RestoreRun:
    case OperatorView::CatalogLoad:
        page = tab::Restore;
        break;
    case OperatorView::VerifyRun:
        page = tab::Verify;
        break;
    case OperatorView::Protocol:
        page = tab::Protocol;
        break;
    }
    m_surface.pages->setCurrentIndex(page);
}

template <typename T> void WindowOperator::showCounter(int display, const std::optional<T>& value) {
    if (value)
        m_surface.counters[size_t(display - 1)]->setValue(double(*value));
}

// The displays, in the order the core reports the counters.
void WindowOperator::ShowBackupProgress(const BackupProgress& progress) {
    showCounter(1, progress.SourceMiB); // "MB"
    showCounter(2, progress.TapeMiB);   // "CMB"
    showCounter(5, progress.Files);     // "Files"
    showCounter(8, progress.Skipped);   // "Skiped"
    showCounter(9, progress.Rate);      // "MB/s"
}

void WindowOperator::ShowRestoreProgress(const RestoreProgress& progress) {
    showCounter(6, progress.RestoredMiB); // "RMB"
    showCounter(10, progress.TapeMiB);    // "MB"
    showCounter(7, progress.Files);       // "Files"
}

void WindowOperator::ShowVerifyProgress(const VerifyProgress& progress) {
    showCounter(3, progress.TapeMiB); // "MB"
    showCounter(4, progress.Files);   // "Files"
}

// A catalog load shares the displays of the restore: the tape read in "RMB", the entries in
// "Files".
void WindowOperator::ShowCatalogProgress(const CatalogProgress& progress) {
    showCounter(6, progress.TapeMiB);
    showCounter(7, progress.Entries);
}

void WindowOperator::setBusyMode(bool busy) {
    m_surface.states->setBusy(busy);
}

void WindowOperator::setListEditingLocked(bool locked) {
    m_surface.states->setListEditingLocked(locked);
}

void WindowOperator::setBusyCursor(bool busy) {
    // Only restore what this operator set, so an unmatched restore cannot pop a cursor that
    // someone else put up.
    if (busy) {
        QGuiApplication::setOverrideCursor(Qt::BusyCursor);
        ++m_busyCursors;
    } else if (m_busyCursors > 0) {
        QGuiApplication::restoreOverrideCursor();
        --m_busyCursors;
    }
}

} // namespace orvane

namespace orvane {

// The core keeps the settings' restore list itself; the memo only shows it. Its change signal
// stays quiet, so that a long catalog scan does not read the whole memo back after every line.
void WindowOperator::setRestoreList(const QStringList& lines) {
    const QSignalBlocker quiet(m_surface.restoreList);
    SetMemoLines(*m_surface.restoreList, lines);
}

void WindowOperator::appendRestoreListLine(const QString& line) {
    const QSignalBlocker quiet(m_surface.restoreList);
    AppendMemoLine(*m_surface.restoreList, line);
}

void WindowOperator::clearVerifyReport() {
    ClearMemo(*m_surface.verifyReport);
}

void WindowOperator::appendVerifyLine(const QString& line) {
    AppendMemoLine(*m_surface.verifyReport, line);
}

} // namespace orvane
