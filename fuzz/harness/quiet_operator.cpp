#include "quiet_operator.h"

namespace orvane::fuzz {

MessageAnswer QuietOperator::MessageBox(const QString& text, const QString&, MessageIcon,
                                        MessageButtons buttons) {
    Boxes << text;
    switch (buttons) {
    case MessageButtons::Ok:
        return MessageAnswer::Ok;
    case MessageButtons::OkCancel:
    case MessageButtons::YesNoCancel:
        return MessageAnswer::Cancel;
    case MessageButtons::YesNo:
        return MessageAnswer::No;
    }
    return MessageAnswer::Cancel;
}

MessageAnswer QuietOperator::RequestTape(const TapeRequest& request) {
    Boxes << request.Text;
    return MessageAnswer::Cancel;
}

} // namespace orvane::fuzz
