#include "terminal_operator.h"

#include "platform/path_bytes.h"

#include <QIODevice>
#include <utility>

namespace orvane::cli {

TerminalOperator::TerminalOperator(QTextStream& in, QTextStream& out, QTextStream& err,
                                   bool assumeYes)
    : m_in(in), m_out(out), m_err(err), m_assumeYes(assumeYes) {}

TerminalOperator::~TerminalOperator() {
    ShowPendingStatus();
}

namespace {
constexpr qint64 StatusIntervalMs = 100;

// Messages that send the operator to a menu of the window name the command that does the same.
QString CommandLineWording(QString text) {
    static const std::pair<QLatin1String, QLatin1String> menuCommands[] = {
        {QLatin1String("<Load Catalog sequentiell> from Restore Menu"),
         QLatin1String("'orvane-cli catalog --sequential'")},
    };
    for (const auto& [menu, command] : menuCommands)
        text.replace(menu, command);
    return text;
}

// The progress text in one terminal line: the path loses its start when the line is short.
QString FittedProgressText(RunProgress progress, int columns) {
    const QString path = std::exchange(progress.Path, QString());
    const QString text = RunProgressText(progress);
    const qsizetype room = columns - 1 - text.size() - 3;
    if (path.isEmpty() || room < 12)
        return text.left(columns - 1);
    const QString dot = QStringLiteral(" \u00b7 ");
    if (path.size() <= room)
        return text + dot + path;
    return text + dot + QStringLiteral("\u2026") + path.right(room - 1);
}
} // namespace

void TerminalOperator::ShowRunProgress(const RunProgress& progress) {
    m_progressRunning = !progress.Final;
    if (m_quiet)
        return;
    if (m_progressColumns > 0) {
        m_pendingStatus.reset(); // the line names the file at work
        m_err << '\r' << FittedProgressText(progress, m_progressColumns) << "\x1b[K";
        if (progress.Final)
            m_err << '\n';
        m_err.flush();
        m_progressLineShown = !progress.Final;
        return;
    }
    if (!progress.Final && !m_progressLineClock.isValid()) {
        m_progressLineClock.start();
        return;
    }
    if (!progress.Final && m_progressLineClock.elapsed() < m_progressLineIntervalMs)
        return;
    ShowPendingStatus();
    m_err << RunProgressText(progress) << '\n';
    m_err.flush();
    if (progress.Final)
        m_progressLineClock.invalidate();
    else
        m_progressLineClock.start();
}

void TerminalOperator::ClearProgressLine() {
    if (!m_progressLineShown)
        return;
    m_err << "\r\x1b[K";
    m_err.flush();
    m_progressLineShown = false;
}

void TerminalOperator::Print(const QString& text) {
    ShowPendingStatus();
    ClearProgressLine();
    m_out << DisplayPath(CommandLineWording(text)) << '\n';
    m_out.flush();
}

void TerminalOperator::PrintBytes(const QByteArray& bytes) {
    ShowPendingStatus();
    ClearProgressLine();
    m_out.flush();
    if (QIODevice* device = m_out.device())
        device->write(bytes);
    else
        m_out << PathFromBytes(bytes); // a stream on a string keeps the bytes' lossless text
}

void TerminalOperator::AppendProtocolLine(const QString& text) {
    if (!m_verifyReportShown && !m_quiet)
        Print(text);
}

void TerminalOperator::AppendVerifyLine(const QString& line) {
    if (m_verifyReportShown)
        Print(line);
}

void TerminalOperator::SetStatus(const QString& text) {
    // On a terminal the progress line stands for the status while a run reports it.
    if (m_quiet || (m_progressRunning && m_progressColumns > 0))
        return;
    // Long runs repeat a status many times; the terminal needs each text once.
    if (!m_pendingStatus && text == m_lastStatus)
        return;
    m_pendingStatus = text;
    if (!m_statusClock.isValid() || m_statusClock.elapsed() >= StatusIntervalMs)
        ShowPendingStatus();
}

void TerminalOperator::ShowPendingStatus() {
    if (!m_pendingStatus)
        return;
    if (*m_pendingStatus != m_lastStatus) {
        ClearProgressLine();
        m_lastStatus = *m_pendingStatus;
        m_err << DisplayPath(m_lastStatus) << '\n';
        m_err.flush();
        m_statusClock.start();
    }
    m_pendingStatus.reset();
}

void TerminalOperator::RefuseQuestion(const QString& question) {
    if (!m_questionRefused) {
        if (!question.isEmpty())
            Print(question);
        Print(
            QStringLiteral("Error: this question needs an answer, and the input is not a terminal "
                           "that can give one. Answer it on a terminal, or give --yes to take "
                           "the default answers."));
    }
    m_questionRefused = true;
    if (m_stopRun)
        m_stopRun();
}

std::optional<QString> TerminalOperator::Ask(const QString& question) {
    ShowPendingStatus();
    ClearProgressLine();
    if (!m_inputInteractive || m_questionRefused) {
        RefuseQuestion(question.trimmed());
        return std::nullopt;
    }
    m_out << question;
    m_out.flush();
    QString line;
    if (!m_in.readLineInto(&line)) {
        m_out << '\n';
        RefuseQuestion(QString());
        return std::nullopt;
    }
    return line.trimmed();
}

MessageAnswer TerminalOperator::MessageBox(const QString& text, const QString& caption, MessageIcon,
                                           MessageButtons buttons) {
    const QString shown =
        caption == QLatin1String("Error") ? QStringLiteral("Error: ") + text : text;
    Print(shown);
    const bool yesNo = buttons == MessageButtons::YesNo || buttons == MessageButtons::YesNoCancel;
    if (buttons == MessageButtons::Ok)
        return MessageAnswer::Ok;
    if (m_assumeYes)
        return yesNo ? MessageAnswer::Yes : MessageAnswer::Ok;
    for (;;) {
        QString choices;
        switch (buttons) {
        case MessageButtons::OkCancel:
            choices = QStringLiteral("[o]k / [c]ancel? ");
            break;
        case MessageButtons::YesNo:
            choices = QStringLiteral("[y]es / [n]o? ");
            break;
        default:
            choices = QStringLiteral("[y]es / [n]o / [c]ancel? ");
            break;
        }
        const auto reply = Ask(choices);
        if (!reply)
            return yesNo && buttons == MessageButtons::YesNo ? MessageAnswer::No
                                                             : MessageAnswer::Cancel;
        const QString answer = reply->toLower();
        if (!yesNo &&
            (answer == QLatin1String("o") || answer == QLatin1String("ok") || answer.isEmpty()))
            return MessageAnswer::Ok;
        if (yesNo && (answer == QLatin1String("y") || answer == QLatin1String("yes")))
            return MessageAnswer::Yes;
        if (yesNo && (answer == QLatin1String("n") || answer == QLatin1String("no")))
            return MessageAnswer::No;
        if (buttons != MessageButtons::YesNo &&
            (answer == QLatin1String("c") || answer == QLatin1String("cancel")))
            return MessageAnswer::Cancel;
    }
}

RestoreAnswer TerminalOperator::AskRestorePath(const QString& offered) {
    using Choice = RestoreAnswer::Choice;
    const QString question = QStringLiteral("Restoredialog: Restore to: ");
    if (m_assumeYes) {
        Print(question + offered);
        return {Choice::Path, offered};
    }
    const auto reply = Ask(question + QLatin1Char('[') + offered +
                           QStringLiteral("] (a: all, s: skip, q: skip the rest) "));
    if (!reply)
        return {};
    if (reply->isEmpty())
        return {Choice::Path, offered};
    if (*reply == QLatin1String("a"))
        return {Choice::All, offered};
    if (*reply == QLatin1String("s"))
        return {};
    if (*reply == QLatin1String("q"))
        return {Choice::SkipRest, {}};
    return {Choice::Path, *reply};
}

MessageAnswer TerminalOperator::RequestTape(const TapeRequest& request) {
    if (!m_assumeYes)
        return OperatorInterface::RequestTape(request);
    // Nobody watches a --yes run: a request that keeps coming back is not going to be served.
    m_tapeRequestRepeats = request.Text == m_lastTapeRequest ? m_tapeRequestRepeats + 1 : 0;
    m_lastTapeRequest = request.Text;
    if (m_tapeRequestRepeats >= 3) {
        Print(request.Text);
        Print(QStringLiteral("Error: the tape asked for did not arrive; giving up."));
        return MessageAnswer::Cancel;
    }
    if (!m_autoloader)
        return OperatorInterface::RequestTape(request);
    Print(request.Text);
    if (const QString error = m_autoloader(request); !error.isEmpty()) {
        Print(QStringLiteral("Error: ") + error);
        return MessageAnswer::Cancel;
    }
    return MessageAnswer::Ok;
}

std::optional<QString> TerminalOperator::InputBox(const QString& caption, const QString& prompt,
                                                  const QString& defaultValue) {
    if (m_assumeYes) {
        Print(caption + QStringLiteral(": ") + prompt + QLatin1Char(' ') + defaultValue);
        return defaultValue;
    }
    const auto reply = Ask(caption + QStringLiteral(": ") + prompt + QStringLiteral(" [") +
                           defaultValue + QStringLiteral("] "));
    if (!reply)
        return std::nullopt;
    return reply->isEmpty() ? defaultValue : *reply;
}

} // namespace orvane::cli
