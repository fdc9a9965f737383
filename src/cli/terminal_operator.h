#pragma once

#include "platform/operator_interface.h"
#include "platform/product.h"

#include <QElapsedTimer>
#include <QTextStream>
#include <functional>

namespace orvane::cli {

// The operator on a terminal: protocol lines and message texts go to standard output as they
// happen, status texts to standard error, a few times a second at most (a run over many small
// files changes its status for every file). The status standing when other output follows, or
// when the run ends, is always shown. Questions are asked on the terminal, or, with --yes,
// take their default answer (OK, Yes, the offered text). A question that cannot be asked (input
// that is not a terminal, or that has ended) is an error that names --yes: it answers Cancel and
// stops the run, never a silent default and never the same question for every file.
class TerminalOperator : public OperatorInterface {
public:
    TerminalOperator(QTextStream& in, QTextStream& out, QTextStream& err, bool assumeYes);
    ~TerminalOperator() override;

    // Output for scripts, and the messages about it.
    QTextStream& Out() { return m_out; }
    QTextStream& Err() { return m_err; }

    MessageAnswer MessageBox(const QString& text, const QString& caption, MessageIcon icon,
                             MessageButtons buttons) override;
    std::optional<QString> InputBox(const QString& caption, const QString& prompt,
                                    const QString& defaultValue) override;
    // At the prompt: Enter takes the offered path, a path replaces it, "a" restores this and
    // every later file to its own path, "s" skips this file, "q" skips the rest.
    RestoreAnswer AskRestorePath(const QString& offered) override;
    // With --yes, tape requests are served by the autoloader when there is one (a virtual
    // library); it answers an error text, empty when the tape is in.
    MessageAnswer RequestTape(const TapeRequest& request) override;
    void SetAutoloader(std::function<QString(const TapeRequest&)> autoloader) {
        m_autoloader = std::move(autoloader);
    }
    void SetStatus(const QString& text) override;
    void SetCaption(const QString& text) override { m_caption = text; }
    // Questions take their default answer from now on (a run that nobody watches).
    void SetAssumeYes(bool assumeYes) { m_assumeYes = assumeYes; }
    // Quiet: protocol lines and status texts stay in the protocol log; messages and a command's
    // own output are still shown.
    void SetQuiet(bool quiet) { m_quiet = quiet; }
    // Whether the input is a person at a terminal; answers piped in are not taken for theirs.
    void SetInputInteractive(bool interactive) { m_inputInteractive = interactive; }
    // How a question that cannot be asked stops the run (it raises the run's cancel flag).
    void SetStopRun(std::function<void()> stopRun) { m_stopRun = std::move(stopRun); }
    void AppendProtocolLine(const QString& text) override;
    // The status line already names the file at work; the counters and views add nothing a
    // terminal user reads, and the summary lines carry the totals.
    void ShowView(OperatorView) override {}
    void ShowBackupProgress(const BackupProgress&) override {}
    void ShowRestoreProgress(const RestoreProgress&) override {}
    void ShowVerifyProgress(const VerifyProgress&) override {}
    void ShowCatalogProgress(const CatalogProgress&) override {}
    // On a terminal one line that updates in place (the file at work included, so that the
    // status texts rest meanwhile); elsewhere a plain line now and then, and the last one.
    void ShowRunProgress(const RunProgress& progress) override;
    // The width of the terminal standard error shows on; 0 when it is not a terminal.
    void SetProgressColumns(int columns) { m_progressColumns = columns; }
    // How often the plain progress lines come.
    void SetProgressLineInterval(qint64 milliseconds) { m_progressLineIntervalMs = milliseconds; }
    void SetBusyMode(bool) override {}
    void SetListEditingLocked(bool) override {}
    void SetBusyCursor(bool) override {}

    // The verify report holds the lines the verify also writes to the protocol. The
    // verify command shows the report in place of the protocol; elsewhere the report stays
    // unseen.
    void SetVerifyReportShown(bool shown) { m_verifyReportShown = shown; }
    void ClearVerifyReport() override {}
    void AppendVerifyLine(const QString& line) override;

    QString Caption() const { return m_caption; }
    // Prints one line of a command's own output.
    void Print(const QString& text);
    // Writes bytes as they are, for scripts: a file name need not be text.
    void PrintBytes(const QByteArray& bytes);

private:
    std::optional<QString> Ask(const QString& question);
    void RefuseQuestion(const QString& question);
    void ShowPendingStatus();
    // Takes the updating progress line off the terminal before other output.
    void ClearProgressLine();

    QTextStream& m_in;
    QTextStream& m_out;
    QTextStream& m_err;
    bool m_assumeYes;
    bool m_inputInteractive = true;
    bool m_quiet = false;
    bool m_questionRefused = false;
    std::function<void()> m_stopRun;
    QString m_caption = ProductName();
    QString m_lastStatus;
    std::optional<QString> m_pendingStatus;
    QElapsedTimer m_statusClock;
    std::function<QString(const TapeRequest&)> m_autoloader;
    QString m_lastTapeRequest;
    int m_tapeRequestRepeats = 0;
    bool m_verifyReportShown = false;
    int m_progressColumns = 0;
    bool m_progressLineShown = false; // the updating line stands on the terminal
    bool m_progressRunning = false;   // a run reports its progress
    qint64 m_progressLineIntervalMs = 10000;
    QElapsedTimer m_progressLineClock;
};

} // namespace orvane::cli
