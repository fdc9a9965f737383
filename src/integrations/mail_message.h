#pragma once

#include <QByteArray>
#include <QDateTime>
#include <QString>
#include <QStringList>

namespace orvane {

// One e-mail report as it goes out: the envelope, the headers and the body lines.
struct MailMessage {
    QString From;         // sender and envelope sender
    QStringList To;       // one recipient command each
    QString Subject;      // may hold any characters; encoded when it is not plain ASCII
    QStringList Body;     // the protocol lines
    QDateTime Date;       // local date and time of the sending
    QByteArray MessageId; // unique per message, with its angle brackets
};

// The addresses of a "To:" text, split at commas, blanks around each address dropped, empty
// parts left out.
QStringList SplitRecipients(const QString& text);

// A fresh Message-ID. Mail systems drop a second message with a Message-ID they have seen, so
// every report needs its own.
QByteArray NewMessageId();

// The message as it crosses the wire after DATA: headers, an empty line, the body, CR LF lines.
// The body goes as UTF-8 text; dot-stuffing is the SMTP client's business.
QByteArray MailMessageText(const MailMessage& message);

} // namespace orvane
