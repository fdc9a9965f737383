#include "scripted_operator.h"

namespace orvane::test {

MessageAnswer ScriptedOperator::MessageBox(const QString& text, const QString& caption,
                                           MessageIcon icon, MessageButtons buttons) {
    Boxes.push_back({text, caption, icon, buttons});
    if (!Answers.empty()) {
        const MessageAnswer answer = Answers.front();
        Answers.pop_front();
        return answer;
    }
    return buttons == MessageButtons::YesNo || buttons == MessageButtons::YesNoCancel
               ? MessageAnswer::Yes
               : MessageAnswer::Ok;
}

MessageAnswer ScriptedOperator::RequestTape(const TapeRequest& request) {
    TapeRequests.push_back(request);
    if (OnTapeRequest)
        OnTapeRequest(request);
    return MessageBox(request.Text, QString(), MessageIcon::Information, MessageButtons::OkCancel);
}

std::optional<QString> ScriptedOperator::InputBox(const QString& caption, const QString& prompt,
                                                  const QString& defaultValue) {
    Boxes.push_back({prompt, caption, MessageIcon::Question, MessageButtons::OkCancel});
    if (!Inputs.empty()) {
        const QString input = Inputs.front();
        Inputs.pop_front();
        if (input.isNull())
            return std::nullopt;
        return input;
    }
    return defaultValue;
}

QStringList ScriptedOperator::BoxTexts() const {
    QStringList texts;
    for (const Box& box : Boxes)
        texts << box.Text;
    return texts;
}

} // namespace orvane::test
