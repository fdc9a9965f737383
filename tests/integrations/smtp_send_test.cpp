#include "integrations/mail_message.h"
#include "integrations/smtp_send.h"
#include "support/loopback_server.h"

#include <QJsonArray>
#include <gtest/gtest.h>

using namespace orvane;
using namespace orvane::test;

namespace {

MailMessage Message() {
    MailMessage message;
    message.From = "Backup <backup@example.org>";
    message.To = SplitRecipients(" admin@example.org,,night@example.org ");
    message.Subject = "Sicherung für Montag";
    message.Body = {"", "first", ".a line that starts with a dot", "ü"};
    message.Date = QDateTime(QDate(2024, 3, 1), QTime(21, 30, 5), Qt::OffsetFromUTC, 3600);
    message.MessageId = NewMessageId();
    return message;
}

SmtpServer At(const LoopbackServer& server) {
    SmtpServer smtp;
    smtp.Host = server.Address();
    smtp.Port = server.Port();
    smtp.UserId = "operator";
    smtp.Password = "secret";
    return smtp;
}

TEST(MailMessage, CarriesHeadersAndTheBodyLineByLine) {
    const MailMessage message = Message();
    const QByteArray text = MailMessageText(message);

    EXPECT_EQ(message.To, QStringList({"admin@example.org", "night@example.org"}));
    EXPECT_TRUE(text.startsWith("Date: Fri, 01 Mar 2024 21:30:05 +0100\r\n")) << text.constData();
    EXPECT_TRUE(text.contains("\r\nTo: admin@example.org, night@example.org\r\n"));
    EXPECT_TRUE(text.contains("\r\nSubject: =?UTF-8?B?" +
                              QString("Sicherung für Montag").toUtf8().toBase64() + "?=\r\n"));
    EXPECT_TRUE(text.contains("\r\nMessage-ID: " + message.MessageId + "\r\n"));
    EXPECT_TRUE(text.endsWith("\r\n\r\n\r\nfirst\r\n.a line that starts with a dot\r\n" +
                              QString("ü").toUtf8() + "\r\n"));
    EXPECT_NE(NewMessageId(), NewMessageId());
}

TEST(SmtpSend, AuthenticatesWithLoginAndKeepsTheBodyWhole) {
    LoopbackServer server("smtp_test_server.py", {"auth", "operator", "secret"});

    ASSERT_EQ(SendSmtpMail(At(server), Message()), "");

    const QList<QJsonObject> events = server.Events();
    ASSERT_EQ(events.size(), 2);
    EXPECT_EQ(events[0]["auth"].toArray(), QJsonArray({"operator", "secret", "LOGIN"}));
    const QJsonObject message = events[1]["message"].toObject();
    EXPECT_EQ(message["from"].toString(), "backup@example.org");
    EXPECT_EQ(message["rcpt"].toArray(), QJsonArray({"admin@example.org", "night@example.org"}));
    EXPECT_TRUE(message["data"].toString().contains("\r\n.a line that starts with a dot\r\n"))
        << "the dot is stuffed on the wire and taken off again by the server";
}

TEST(SmtpSend, FailuresComeBackWithTheirReason) {
    LoopbackServer refusing("smtp_test_server.py", {"refuse"});
    LoopbackServer silent("smtp_test_server.py", {"silent"});
    SmtpServer closed = At(refusing);
    closed.Port = ClosedLoopbackPort();
    SmtpServer quiet = At(silent);
    quiet.TimeoutSeconds = 2;
    SmtpServer noHost = At(refusing);
    noHost.Host = " ";
    MailMessage noRecipient = Message();
    noRecipient.To.clear();
    const struct {
        const char* Case;
        SmtpServer Server;
        MailMessage Mail;
    } cases[] = {
        {"refused password", At(refusing), Message()},
        {"nobody listening", closed, Message()},
        {"no answer within the time-out", quiet, Message()},
        {"no host", noHost, Message()},
        {"no recipient", At(refusing), noRecipient},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.Case);
        EXPECT_NE(SendSmtpMail(c.Server, c.Mail), "");
    }
    EXPECT_EQ(refusing.Events().size(), 1) << "only the refused AUTH, no message";
}

} // namespace
