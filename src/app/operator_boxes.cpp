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
    bool Scripted = false;
    std::deque<MessageAnswer> Answers;
    struct Input {
        bool Cancel = false;
        QString Text;
    };
    std::deque<Input> Inputs;
    std::deque<QStringList> Choices;
    std::deque<std::function<void(QDialog&)>> DialogActions;
    std::vector<OperatorBoxes::ShownBox> Shown;
};

Script& TheScript() {
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
    s.Shown.push_back({caption, QString(), MessageIcon::None, MessageButtons::OkCancel, true});
    if (s.Choices.empty())
        return {};
    QStringList paths = s.Choices.front();
    s.Choices.pop_front();
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

MessageAnswer OperatorBoxes::MessageBox(QWidget* parent, const QString& text,
                                        const QString& caption, MessageIcon icon,
                                        MessageButtons buttons) {
    Script& s = TheScript();
    if (s.Scripted) {
        s.Shown.push_back({caption, text, icon, buttons, false});
        if (s.Answers.empty())
            return DefaultAnswer(buttons);
        const MessageAnswer answer = s.Answers.front();
        s.Answers.pop_front();
        return answer;
    }
    QMessageBox box(BoxIcon(icon),
                    caption.isEmpty() ? QCoreApplication::applicationName() : caption, text,
                    BoxButtons(buttons), parent);
    return AnswerOf(box.exec(), buttons);
}

std::optional<QString> OperatorBoxes::InputBox(QWidget* parent, const QString& caption,
                                               const QString& prompt, const QString& defaultValue) {
    Script& s = TheScript();
    if (s.Scripted) {
        s.Shown.push_back({caption, prompt, MessageIcon::Question, MessageButtons::OkCancel, true});
        if (s.Inputs.empty())
            return std::nullopt;
        const Script::Input input = s.Inputs.front();
        s.Inputs.pop_front();
        if (input.Cancel)
            return std::nullopt;
        return input.Text;
    }
    bool accepted = false;
    const QString text =
        QInputDialog::getText(parent, caption, prompt, QLineEdit::Normal, defaultValue, &accepted);
    if (!accepted)
        return std::nullopt;
    return text;
}

QStringList OperatorBoxes::ExistingFiles(QWidget* parent, const QString& caption,
                                         const QString& filter, int filterIndex) {
    Script& s = TheScript();
    if (s.Scripted)
        return NextChoice(s, caption);
    const QStringList filters = QtFilters(filter);
    QString selected = filters.value(filterIndex - 1);
    return QFileDialog::getOpenFileNames(parent, caption, QString(),
                                         filters.join(QStringLiteral(";;")), &selected);
}

QString OperatorBoxes::OpenFileName(QWidget* parent, const QString& caption, const QString& start,
                                    const QString& filter) {
    Script& s = TheScript();
    if (s.Scripted)
        return NextChoice(s, caption).value(0);
    return QFileDialog::getOpenFileName(parent, caption, start,
                                        QtFilters(filter).join(QStringLiteral(";;")));
}

QString OperatorBoxes::SaveFileName(QWidget* parent, const QString& caption, const QString& start,
                                    const QString& filter, const QString& defaultSuffix) {
    Script& s = TheScript();
    if (s.Scripted)
        return NextChoice(s, caption).value(0);
    QFileDialog dialog(parent, caption, start, QtFilters(filter).join(QStringLiteral(";;")));
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    dialog.setDefaultSuffix(defaultSuffix);
    dialog.selectFile(start);
    if (dialog.exec() != QDialog::Accepted)
        return QString();
    return dialog.selectedFiles().value(0);
}

bool OperatorBoxes::ExecDialog(QDialog& dialog, const QString& text) {
    Script& s = TheScript();
    if (!s.Scripted)
        return dialog.exec() == QDialog::Accepted;
    s.Shown.push_back(
        {dialog.windowTitle(), text, MessageIcon::None, MessageButtons::OkCancel, false});
    dialog.setResult(QDialog::Rejected);
    if (!s.DialogActions.empty()) {
        const std::function<void(QDialog&)> action = std::move(s.DialogActions.front());
        s.DialogActions.pop_front();
        action(dialog);
    }
    return dialog.result() == QDialog::Accepted;
}

void OperatorBoxes::SetScripted(bool scripted) {
    TheScript().Scripted = scripted;
}

bool OperatorBoxes::Scripted() {
    return TheScript().Scripted;
}

void OperatorBoxes::SetNextAnswer(MessageAnswer answer) {
    TheScript().Answers.push_back(answer);
}

void OperatorBoxes::SetNextInput(std::optional<QString> input) {
    TheScript().Inputs.push_back({!input.has_value(), input.value_or(QString())});
}

void OperatorBoxes::SetNextChoice(const QStringList& paths) {
    TheScript().Choices.push_back(paths);
}

void OperatorBoxes::SetNextDialogAction(std::function<void(QDialog&)> action) {
    TheScript().DialogActions.push_back(std::move(action));
}

const std::vector<OperatorBoxes::ShownBox>& OperatorBoxes::Shown() {
    return TheScript().Shown;
}

QStringList OperatorBoxes::ShownTexts() {
    QStringList texts;
    for (const ShownBox& box : TheScript().Shown)
        texts << box.Text;
    return texts;
}

void OperatorBoxes::Reset() {
    Script& s = TheScript();
    s.Answers.clear();
    s.Inputs.clear();
    s.Choices.clear();
    s.DialogActions.clear();
    s.Shown.clear();
}

} // namespace orvane
