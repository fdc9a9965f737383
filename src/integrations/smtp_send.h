#pragma once

#include "mail_message.h"

#include <QString>

namespace orvane {

constexpr int DefaultSmtpPort = 25;
constexpr int DefaultMailTimeoutSeconds = 60;

// The server side of a sending.
struct SmtpServer {
    QString Host;
    int Port = DefaultSmtpPort;
    QString UserId;   // AUTH LOGIN with these when the server offers it
    QString Password; // never sent in clear when the server offers STARTTLS
    int TimeoutSeconds = DefaultMailTimeoutSeconds;
};

// Sends one message: EHLO (HELO when refused), STARTTLS when offered, AUTH LOGIN when offered
// and a user ID is set, MAIL FROM, one RCPT TO per recipient, DATA. The connection lasts this one
// sending. An empty text when the server took the message, else why not.
QString SendSmtpMail(const SmtpServer& server, const MailMessage& message);

} // namespace orvane
