#pragma once

#include "platform/operator_interface.h"

#include <QString>
#include <QStringList>
#include <deque>
#include <functional>
#include <optional>
#include <vector>

class QDialog;
class QWidget;

namespace orvane {

// The modal message and input boxes, file choosers and dialogs of the window. In scripted mode
// (the GUI tests) none is shown: each takes the next queued answer, or its default when none is
// queued (OK or Yes; an input box, a chooser and a dialog are cancelled), and every one is
// recorded, so a test never blocks on a modal box and can read what was shown.
class OperatorBoxes {
public:
    struct ShownBox {
        QString Caption;
        QString Text; // the message, or an input box's prompt
        MessageIcon Icon = MessageIcon::None;
        MessageButtons Buttons = MessageButtons::Ok;
        bool Input = false;
    };

    static MessageAnswer MessageBox(QWidget* parent, const QString& text, const QString& caption,
                                    MessageIcon icon, MessageButtons buttons);
    static std::optional<QString> InputBox(QWidget* parent, const QString& caption,
                                           const QString& prompt, const QString& defaultValue);
    // Several existing files; `filter` in the "Text (*.txt)|*.txt|All (*.*)|*.*" form, with the
    // filter at `filterIndex` (from 1) preselected. Empty when cancelled.
    static QStringList ExistingFiles(QWidget* parent, const QString& caption, const QString& filter,
                                     int filterIndex);
    // One existing file, or a file name to save under (which gets `defaultSuffix` when typed
    // without one), preset to `start`; `filter` as above. Empty when cancelled.
    static QString OpenFileName(QWidget* parent, const QString& caption, const QString& start,
                                const QString& filter);
    static QString SaveFileName(QWidget* parent, const QString& caption, const QString& start,
                                const QString& filter, const QString& defaultSuffix);
    // Runs a modal dialog; true when it was accepted. `text` is what the record keeps of it.
    static bool ExecDialog(QDialog& dialog, const QString& text);

    static void SetScripted(bool scripted);
    static bool Scripted();
    static void SetNextAnswer(MessageAnswer answer);
    // std::nullopt cancels the box.
    static void SetNextInput(std::optional<QString> input);
    // What the next file or directory chooser answers; an empty list cancels it.
    static void SetNextChoice(const QStringList& paths);
    // Acts on the next dialog in place of the operator (accept() or reject() it, or click its
    // buttons); a dialog that the action leaves open counts as cancelled.
    static void SetNextDialogAction(std::function<void(QDialog&)> action);
    static const std::vector<ShownBox>& Shown();
    static QStringList ShownTexts();
    // Forgets the recorded boxes and the queued answers.
    static void Reset();
};

} // namespace orvane
