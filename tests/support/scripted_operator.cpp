#include "scripted_operator.h"

namespace orvane::test {

MessageAnswer ScriptedOperator::messageBox(const QString& text, const QString& caption,
                                           MessageIcon icon, MessageButtons buttons) {
    boxes.push_back({text, caption, icon, buttons});
    if (!answers.empty()) {
        const MessageAnswer answer = answers.front();
        answers.pop_front();
        return answer;
    }
    return buttons == MessageButtons::YesNo || buttons == MessageButtons::YesNoCancel
               ? MessageAnswer::Yes
               : MessageAnswer::Ok;
}

MessageAnswer ScriptedOperator::requestTape(const TapeRequest& request) {
    tapeRequests.push_back(request);
    if (onTapeRequest)
        onTapeRequest(request);
    return messageBox(request.text, QString(), MessageIcon::Information, MessageButtons::OkCancel);
}

std::optional<QString> ScriptedOperator::inputBox(const QString& caption, const QString& prompt,
                                                  const QString& defaultValue) {
    boxes.push_back({prompt, caption, MessageIcon::Question, MessageButtons::OkCancel});
    if (!inputs.empty()) {
        const QString input = inputs.front();
        inputs.pop_front();
        if (input.isNull())
            return std::nullopt;
        return input;
    }
    return defaultValue;
}

QStringList ScriptedOperator::boxTexts() const {
    QStringList texts;
    for (const Box& box : boxes)
        texts << box.text;
    return texts;
}

} // namespace orvane::test
