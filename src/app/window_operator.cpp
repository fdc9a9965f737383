#include "window_operator.h"

#include "control_states.h"
#include "led_display.h"
#include "main_window_tabs.h"
#include "memo_lines.h"
#include "operator_boxes.h"
#include "platform/path_bytes.h"
#include "platform/tape_device_factory.h"
#include "restore_question_dialog.h"
#include "run_progress_panel.h"
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
        SetBusyCursor(false);
}

MessageAnswer WindowOperator::MessageBox(const QString& text, const QString& caption,
                                         MessageIcon icon, MessageButtons buttons) {
    return OperatorBoxes::MessageBox(m_surface.Window, text, caption, icon, buttons);
}

std::optional<QString> WindowOperator::InputBox(const QString& caption, const QString& prompt,
                                                const QString& defaultValue) {
    return OperatorBoxes::InputBox(m_surface.Window, caption, prompt, defaultValue);
}

RestoreAnswer WindowOperator::AskRestorePath(const QString& offered) {
    RestoreQuestionDialog dialog(offered, m_surface.Window);
    OperatorBoxes::ExecDialog(dialog, QStringLiteral("Restore to: ") + offered);
    return dialog.Answer();
}

MessageAnswer WindowOperator::RequestTape(const TapeRequest& request) {
    const QString library = VirtualLibraryDirectory(m_tapeDrive);
    if (library.isEmpty())
        return OperatorInterface::RequestTape(request);
    TapeChangeDialog dialog(VirtualTapeLibrary::At(library), request, m_surface.Window);
    // The run's busy cursor would hide that the dialog waits for a choice.
    QGuiApplication::setOverrideCursor(Qt::ArrowCursor);
    const bool accepted = OperatorBoxes::ExecDialog(dialog, request.Text);
    QGuiApplication::restoreOverrideCursor();
    return accepted ? MessageAnswer::Ok : MessageAnswer::Cancel;
}

void WindowOperator::SettleIdle() {
    if (m_surface.States->Busy())
        m_surface.States->SetBusy(false);
    if (m_surface.States->ListEditingLocked())
        m_surface.States->SetListEditingLocked(false);
    while (m_busyCursors > 0)
        SetBusyCursor(false);
}

void WindowOperator::SetStatus(const QString& text) {
    m_surface.StatusLine->setText(DisplayPath(text));
}

void WindowOperator::ShowRunProgress(const RunProgress& progress) {
    m_surface.Progress->Show(progress);
}

void WindowOperator::SetCaption(const QString& text) {
    m_surface.Window->setWindowTitle(text);
}

void WindowOperator::AppendProtocolLine(const QString& text) {
    const QString shown = DisplayPath(text);
    AppendMemoLine(*m_surface.ProtocolMemo, shown);
    AppendMemoLine(*m_surface.MailText, shown);
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
    m_surface.Pages->setCurrentIndex(page);
}

template <typename T> void WindowOperator::ShowCounter(int display, const std::optional<T>& value) {
    if (value)
        m_surface.Counters[size_t(display - 1)]->SetValue(double(*value));
}

// The displays, in the order the core reports the counters.
void WindowOperator::ShowBackupProgress(const BackupProgress& progress) {
    ShowCounter(1, progress.SourceMiB); // "MB"
    ShowCounter(2, progress.TapeMiB);   // "CMB"
    ShowCounter(5, progress.Files);     // "Files"
    ShowCounter(8, progress.Skipped);   // "Skiped"
    ShowCounter(9, progress.Rate);      // "MB/s"
}

void WindowOperator::ShowRestoreProgress(const RestoreProgress& progress) {
    ShowCounter(6, progress.RestoredMiB); // "RMB"
    ShowCounter(10, progress.TapeMiB);    // "MB"
    ShowCounter(7, progress.Files);       // "Files"
}

void WindowOperator::ShowVerifyProgress(const VerifyProgress& progress) {
    ShowCounter(3, progress.TapeMiB); // "MB"
    ShowCounter(4, progress.Files);   // "Files"
}

// A catalog load shares the displays of the restore: the tape read in "RMB", the entries in
// "Files".
void WindowOperator::ShowCatalogProgress(const CatalogProgress& progress) {
    ShowCounter(6, progress.TapeMiB);
    ShowCounter(7, progress.Entries);
}

void WindowOperator::SetBusyMode(bool busy) {
    m_surface.States->SetBusy(busy);
}

void WindowOperator::SetListEditingLocked(bool locked) {
    m_surface.States->SetListEditingLocked(locked);
}

void WindowOperator::SetBusyCursor(bool busy) {
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
void WindowOperator::SetRestoreList(const QStringList& lines) {
    const QSignalBlocker quiet(m_surface.RestoreList);
    SetMemoLines(*m_surface.RestoreList, lines);
}

void WindowOperator::AppendRestoreListLine(const QString& line) {
    const QSignalBlocker quiet(m_surface.RestoreList);
    AppendMemoLine(*m_surface.RestoreList, line);
}

void WindowOperator::ClearVerifyReport() {
    ClearMemo(*m_surface.VerifyReport);
}

void WindowOperator::AppendVerifyLine(const QString& line) {
    AppendMemoLine(*m_surface.VerifyReport, DisplayPath(line));
}

} // namespace orvane
