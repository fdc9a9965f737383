#include "operator_boxes.h"

#include <QApplication>
#include <QDialog>
#include <QFileDialog>
#include <QInputDialog>
#include <QMessageBox>
#include <QStringList>

namespace orvane {

namespace {

struct Script {
    bool scripted = false;
    std::deque<MessageAnswer> answers;
    struct Input {
        bool cancel = false;
        QString text;
    };
    std::deque<Input> inputs;
    std::deque<QStringList> choices;
    std::deque<std::function<void(QDialog&)>> dialogActions;
    std::vector<OperatorBoxes::Shown> shown;
};

Script& script() {
    static Script instance;
    return instance;
}

QMessageBox::Icon BoxIcon(MessageIcon icon) {
    switch (icon) {
    case MessageIcon::Information:
        return QMessageBox::Information;
    case MessageIcon::Warning:
        return QMessageBox::Warning;
    case MessageIcon::Error:
        return QMessageBox::Critical;
    case MessageIcon::Question:
        return QMessageBox::Question;
    case MessageIcon::None:
        break;
    }
    return QMessageBox::NoIcon;
}

QMessageBox::StandardButtons BoxButtons(MessageButtons buttons) {
    switch (buttons) {
    case MessageButtons::Ok:
        return QMessageBox::Ok;
    case MessageButtons::OkCancel:
        return QMessageBox::Ok | QMessageBox::Cancel;
    case MessageButtons::YesNo:
        return QMessageBox::Yes | QMessageBox::No;
    case MessageButtons::YesNoCancel:
        return QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel;
    }
    return QMessageBox::Ok;
}

MessageAnswer DefaultAnswer(MessageButtons buttons) {
    return buttons == MessageButtons::YesNo || buttons == MessageButtons::YesNoCancel
               ? MessageAnswer::Yes
               : MessageAnswer::Ok;
}

MessageAnswer AnswerOf(int button, MessageButtons buttons) {
    switch (button) {
    case QMessageBox::Yes:
        return MessageAnswer::Yes;
    case QMessageBox::No:
        return MessageAnswer::No;
    case QMessageBox::Ok:
        return MessageAnswer::Ok;
    default:
        // Escape or the window's close button: the harmless answer the box offers.
        return buttons == MessageButtons::YesNo ? MessageAnswer::No : MessageAnswer::Cancel;
    }
}

QStringList NextChoice(Script& s, const QString& caption) {
    s.shown.push_back({caption, QString(), MessageIcon::None, MessageButtons::OkCancel, true});
    if (s.choices.empty())
        return {};
    QStringList paths = s.choices.front();
    s.choices.pop_front();
    return paths;
}

// "Text (*.txt)|*.txt|All (*.*)|*.*" as Qt's "Text (*.txt);;All (*)" filters. The pattern of
// each pair counts, not the text in its description's brackets; "*.*" means every file, also
// one without a dot in its name.
QStringList QtFilters(const QString& filter) {
    const QStringList parts = filter.split(QLatin1Char('|'));
    QStringList filters;
    for (qsizetype i = 0; i + 1 < parts.size(); i += 2) {
        QString name = parts[i];
        if (const qsizetype bracket = name.indexOf(QLatin1Char('(')); bracket >= 0)
            name = name.left(bracket).trimmed();
        QString pattern = parts[i + 1];
        pattern.replace(QLatin1String("*.*"), QLatin1String("*"));
        pattern.replace(QLatin1Char(';'), QLatin1Char(' '));
        filters << name + QStringLiteral(" (") + pattern + QLatin1Char(')');
    }
    return filters;
}

} // namespace

MessageAnswer OperatorBoxes::messageBox(QWidget* parent, const QString& text,
                                        const QString& caption, MessageIcon icon,
                                        MessageButtons buttons) {
    Script& s = script();
    if (s.scripted) {
        s.shown.push_back({caption, text, icon, buttons, false});
        if (s.answers.empty())
            return DefaultAnswer(buttons);
        const MessageAnswer answer = s.answers.front();
        s.answers.pop_front();
        return answer;
    }
    QMessageBox box(BoxIcon(icon),
                    caption.isEmpty() ? QCoreApplication::applicationName() : caption, text,
                    BoxButtons(buttons), parent);
    return AnswerOf(box.exec(), buttons);
}

std::optional<QString> OperatorBoxes::inputBox(QWidget* parent, const QString& caption,
                                               const QString& prompt, const QString& defaultValue) {
    Script& s = script();
    if (s.scripted) {
        s.shown.push_back({caption, prompt, MessageIcon::Question, MessageButtons::OkCancel, true});
        if (s.inputs.empty())
            return std::nullopt;
        const Script::Input input = s.inputs.front();
        s.inputs.pop_front();
        if (input.cancel)
            return std::nullopt;
        return input.text;
    }
    bool accepted = false;
    const QString text =
        QInputDialog::getText(parent, caption, prompt, QLineEdit::Normal, defaultValue, &accepted);
    if (!accepted)
        return std::nullopt;
    return text;
}

QStringList OperatorBoxes::existingFiles(QWidget* parent, const QString& caption,
                                         const QString& filter, int filterIndex) {
    Script& s = script();
    if (s.scripted)
        return NextChoice(s, caption);
    const QStringList filters = QtFilters(filter);
    QString selected = filters.value(filterIndex - 1);
    return QFileDialog::getOpenFileNames(parent, caption, QString(),
                                         filters.join(QStringLiteral(";;")), &selected);
}

QString OperatorBoxes::existingDirectory(QWidget* parent, const QString& caption,
                                         const QString& start) {
    Script& s = script();
    if (s.scripted)
        return NextChoice(s, caption).value(0);
    return QFileDialog::getExistingDirectory(parent, caption, start);
}

bool OperatorBoxes::execDialog(QDialog& dialog, const QString& text) {
    Script& s = script();
    if (!s.scripted)
        return dialog.exec() == QDialog::Accepted;
    s.shown.push_back(
        {dialog.windowTitle(), text, MessageIcon::None, MessageButtons::OkCancel, false});
    dialog.setResult(QDialog::Rejected);
    if (!s.dialogActions.empty()) {
        const std::function<void(QDialog&)> action = std::move(s.dialogActions.front());
        s.dialogActions.pop_front();
        action(dialog);
    }
    return dialog.result() == QDialog::Accepted;
}

void OperatorBoxes::setScripted(bool scripted) {
    script().scripted = scripted;
}

bool OperatorBoxes::scripted() {
    return script().scripted;
}

void OperatorBoxes::setNextAnswer(MessageAnswer answer) {
    script().answers.push_back(answer);
}

void OperatorBoxes::setNextInput(std::optional<QString> input) {
    script().inputs.push_back({!input.has_value(), input.value_or(QString())});
}

void OperatorBoxes::setNextChoice(const QStringList& paths) {
    script().choices.push_back(paths);
}

void OperatorBoxes::setNextDialogAction(std::function<void(QDialog&)> action) {
    script().dialogActions.push_back(std::move(action));
}

const std::vector<OperatorBoxes::Shown>& OperatorBoxes::shown() {
    return script().shown;
}

QStringList OperatorBoxes::shownTexts() {
    QStringList texts;
    for (const Shown& box : script().shown)
        texts << box.text;
    return texts;
}

void OperatorBoxes::reset() {
    Script& s = script();
    s.answers.clear();
    s.inputs.clear();
    s.choices.clear();
    s.dialogActions.clear();
    s.shown.clear();
}

} // namespace orvane
