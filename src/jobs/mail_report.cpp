#include "mail_report.h"

#include "integrations/mail_message.h"
#include "platform/message_pump.h"
#include "platform/operator_interface.h"
#include "platform/protocol_log.h"
#include "session.h"

namespace orvane {

bool SendMailReport(Session& session, const QStringList& body, int timeoutSeconds) {
    const Settings& settings = session.Settings;
    MailMessage message;
    message.From = settings.MailFrom;
    message.To = SplitRecipients(settings.MailTo);
    message.Subject = settings.MailSubject;
    message.Body = body;
    message.Date = QDateTime::currentDateTime();
    message.MessageId = NewMessageId();
    SmtpServer server;
    server.Host = settings.MailHost;
    server.Port = settings.MailPort;
    server.UserId = settings.MailUserId;
    server.Password = settings.MailPassword;
    server.TimeoutSeconds = timeoutSeconds;

    session.Op.SetStatus(QStringLiteral("Sending the Email to ") + settings.MailHost + " ...");
    QString error;
    RunDispatching([&] { error = SendSmtpMail(server, message); });
    const bool sent = error.isEmpty();
    session.Op.SetStatus(sent ? QStringLiteral("The Email was sent.")
                              : QStringLiteral("The Email was not sent: ") + error);
    session.Protocol.AddBlockOpening();
    session.Protocol.AddProtocolLine(
        sent ? QStringLiteral("Your Email Message was sent !")
             : QStringLiteral("Error: Your Email Message was not sent !"));
    session.Protocol.AddProtocolLine(QString());
    return sent;
}

QStringList LastRunProtocol(Session& session) {
    return LastRunLines(session.Protocol.ReadAll().value_or(QStringList()));
}

QStringList LastRunLines(const QStringList& protocol) {
    const QString separator = ProtocolLog::Separator();
    for (qsizetype i = protocol.size() - 1; i >= 0; --i) {
        if (!protocol.at(i).contains(QLatin1String(" startet at: ")))
            continue;
        // The opening: empty line, separator, empty line, right before the start line.
        if (i >= 3 && protocol.at(i - 2) == separator)
            return protocol.mid(i - 3);
        return protocol.mid(i);
    }
    return protocol;
}

} // namespace orvane
