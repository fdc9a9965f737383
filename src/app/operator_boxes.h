#pragma once

#include "platform/operator_interface.h"

#include <QString>
#include <deque>
#include <optional>
#include <vector>

class QWidget;

namespace orvane {

// The modal message and input boxes of the window. In scripted mode (the GUI tests) no box is
// shown: each takes the next queued answer, or its default when none is queued (OK or Yes; an
// input box is cancelled), and every box is recorded, so a test never blocks on a modal box and
// can read what was shown.
class OperatorBoxes {
public:
    struct Shown {
        QString caption;
        QString text; // the message, or an input box's prompt
        MessageIcon icon = MessageIcon::None;
        MessageButtons buttons = MessageButtons::Ok;
        bool input = false;
    };

    static MessageAnswer messageBox(QWidget* parent, const QString& text, const QString& caption,
                                    MessageIcon icon, MessageButtons buttons);
    static std::optional<QString> inputBox(QWidget* parent, const QString& caption,
                                           const QString& prompt, const QString& defaultValue);

    static void setScripted(bool scripted);
    static bool scripted();
    static void setNextAnswer(MessageAnswer answer);
    // std::nullopt cancels the box.
    static void setNextInput(std::optional<QString> input);
    static const std::vector<Shown>& shown();
    static QStringList shownTexts();
    // Forgets the recorded boxes and the queued answers.
    static void reset();
};

} // namespace orvane
