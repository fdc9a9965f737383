#include "mail_message.h"

#include "platform/product.h"

#include <QLocale>
#include <QSysInfo>
#include <QUuid>
#include <algorithm>

namespace orvane {

namespace {

bool PlainAscii(const QString& text) {
    return std::all_of(text.begin(), text.end(),
                       [](QChar c) { return c.unicode() >= 0x20 && c.unicode() < 0x7f; });
}

// RFC 2047: a header text that is not plain ASCII goes as one Base64 encoded word.
QByteArray HeaderText(const QString& text) {
    if (PlainAscii(text))
        return text.toLatin1();
    return "=?UTF-8?B?" + text.toUtf8().toBase64() + "?=";
}

// RFC 5322 date: English day and month names whatever the locale, and the UTC offset.
QByteArray MailDate(const QDateTime& date) {
    const int offset = date.offsetFromUtc() / 60;
    const int hours = std::abs(offset) / 60;
    const int minutes = std::abs(offset) % 60;
    return QLocale::c().toString(date, QStringLiteral("ddd, dd MMM yyyy hh:mm:ss ")).toLatin1() +
           (offset < 0 ? "-" : "+") + QByteArray::number(hours).rightJustified(2, '0') +
           QByteArray::number(minutes).rightJustified(2, '0');
}

} // namespace

QStringList SplitRecipients(const QString& text) {
    QStringList addresses;
    for (const QString& part : text.split(QLatin1Char(','))) {
        const QString address = part.trimmed();
        if (!address.isEmpty())
            addresses << address;
    }
    return addresses;
}

QByteArray NewMessageId() {
    QString host = QSysInfo::machineHostName();
    if (host.isEmpty() || !PlainAscii(host))
        host = QStringLiteral("localhost");
    return '<' + QUuid::createUuid().toByteArray(QUuid::WithoutBraces) + '@' + host.toLatin1() +
           '>';
}

QByteArray MailMessageText(const MailMessage& message) {
    QByteArray text;
    auto header = [&text](const char* name, const QByteArray& value) {
        text += name;
        text += ": ";
        text += value;
        text += "\r\n";
    };
    header("Date", MailDate(message.Date));
    header("From", message.From.toUtf8());
    header("To", message.To.join(QStringLiteral(", ")).toUtf8());
    header("Subject", HeaderText(message.Subject));
    header("Message-ID", message.MessageId);
    header("X-Priority", "3 (Normal)");
    header("X-Mailer", (ProductName() + QStringLiteral(" ") + ProductVersion()).toLatin1());
    header("MIME-Version", "1.0");
    header("Content-Type", "text/plain; charset=UTF-8");
    header("Content-Transfer-Encoding", "8bit");
    text += "\r\n";
    for (const QString& line : message.Body) {
        text += line.toUtf8();
        text += "\r\n";
    }
    return text;
}

} // namespace orvane
