#pragma once

#include "platform/operator_interface.h"

#include <QString>
#include <array>

class QLabel;
class QPlainTextEdit;
class QTabWidget;
class QWidget;

namespace orvane {

class ControlStates;
class LedDisplay;
class RunProgressPanel;

// The parts of the main window that the core reaches through the operator.
struct OperatorSurface {
    QWidget* Window = nullptr;
    QLabel* StatusLine = nullptr;
    RunProgressPanel* Progress = nullptr;
    QPlainTextEdit* ProtocolMemo = nullptr; // Memo2
    QPlainTextEdit* MailText = nullptr;     // reMessageText
    QPlainTextEdit* RestoreList = nullptr;  // Memo3
    QPlainTextEdit* VerifyReport = nullptr; // Memo4
    QTabWidget* Pages = nullptr;            // PageControl1
    std::array<LedDisplay*, 10> Counters{}; // LEDDisplay1..LEDDisplay10
    ControlStates* States = nullptr;
};

// The operator of the desktop window: boxes through OperatorBoxes, everything else on the
// window's own controls.
class WindowOperator : public OperatorInterface {
public:
    explicit WindowOperator(const OperatorSurface& surface);
    ~WindowOperator() override;

    MessageAnswer MessageBox(const QString& text, const QString& caption, MessageIcon icon,
                             MessageButtons buttons) override;
    std::optional<QString> InputBox(const QString& caption, const QString& prompt,
                                    const QString& defaultValue) override;
    RestoreAnswer AskRestorePath(const QString& offered) override;
    void SetStatus(const QString& text) override;
    void ShowRunProgress(const RunProgress& progress) override;
    void SetCaption(const QString& text) override;
    void AppendProtocolLine(const QString& text) override;
    // Views turn to their page of PageControl1, progress goes to the LED displays of the page
    // that shows the run.
    void ShowView(OperatorView view) override;
    void ShowBackupProgress(const BackupProgress& progress) override;
    void ShowRestoreProgress(const RestoreProgress& progress) override;
    void ShowVerifyProgress(const VerifyProgress& progress) override;
    void ShowCatalogProgress(const CatalogProgress& progress) override;
    void SetBusyMode(bool busy) override;
    void SetListEditingLocked(bool locked) override;
    void SetBusyCursor(bool busy) override;
    void SetRestoreList(const QStringList& lines) override;
    void AppendRestoreListLine(const QString& line) override;
    void ClearVerifyReport() override;
    void AppendVerifyLine(const QString& line) override;
    // With a virtual library the prompt lets the operator insert or make a cartridge; a real
    // drive gets the plain OK/Cancel box.
    MessageAnswer RequestTape(const TapeRequest& request) override;

    // The drive as the session names it ("vtape:DIR" for a virtual library).
    void SetTapeDrive(const QString& drive) { m_tapeDrive = drive; }
    // After a run: the window is idle and shows no busy cursor, whatever the run left behind.
    void SettleIdle();

private:
    // Writes a reported counter to LEDDisplay`display`; an empty one leaves the display as it is.
    template <typename T> void ShowCounter(int display, const std::optional<T>& value);

    OperatorSurface m_surface;
    QString m_tapeDrive;
    int m_busyCursors = 0;
};

} // namespace orvane
