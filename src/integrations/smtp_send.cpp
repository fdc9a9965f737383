#include "smtp_send.h"

#include "curl_transfer.h"

#include <QSysInfo>
#include <QUrl>
#include <cstring>
#include <curl/curl.h>

namespace orvane {

namespace {

struct Upload {
    QByteArray Text;
    qsizetype Offset = 0;
};

size_t ReadUpload(char* buffer, size_t size, size_t count, void* userData) {
    auto* upload = static_cast<Upload*>(userData);
    const size_t length = std::min(size * count, size_t(upload->Text.size() - upload->Offset));
    std::memcpy(buffer, upload->Text.constData() + upload->Offset, length);
    upload->Offset += qsizetype(length);
    return length;
}

// smtp://host:port/name, the name being what EHLO and HELO announce.
QByteArray ServerUrl(const SmtpServer& server) {
    QString host = server.Host.trimmed();
    QByteArray name = QUrl::toAce(host);
    if (host.contains(QLatin1Char(':')) && !host.startsWith(QLatin1Char('[')))
        name = '[' + host.toLatin1() + ']'; // an IPv6 address
    QString localName = QSysInfo::machineHostName();
    if (localName.isEmpty())
        localName = QStringLiteral("localhost");
    return "smtp://" + name + ':' + QByteArray::number(server.Port) + '/' +
           QUrl::toPercentEncoding(localName);
}

// An address for MAIL FROM and RCPT TO, in angle brackets whatever the operator typed.
QByteArray EnvelopeAddress(const QString& address) {
    QString bare = address.trimmed();
    const qsizetype open = bare.lastIndexOf(QLatin1Char('<'));
    if (open >= 0)
        bare = bare.mid(open + 1).section(QLatin1Char('>'), 0, 0);
    return '<' + bare.trimmed().toUtf8() + '>';
}

} // namespace

QString SendSmtpMail(const SmtpServer& server, const MailMessage& message) {
    if (server.Host.trimmed().isEmpty())
        return QStringLiteral("no mail server (Host) is set");
    if (message.To.isEmpty())
        return QStringLiteral("no recipient (To) is set");
    if (server.Port < 1 || server.Port > 65535)
        return QStringLiteral("the mail server port %1 is not a port number").arg(server.Port);

    CurlTransfer transfer(server.TimeoutSeconds);
    CURL* curl = static_cast<CURL*>(transfer.Handle());
    const QByteArray url = ServerUrl(server);
    curl_easy_setopt(curl, CURLOPT_URL, url.constData());
    // STARTTLS when the server offers it, the plain dialogue otherwise.
    curl_easy_setopt(curl, CURLOPT_USE_SSL, long(CURLUSESSL_TRY));
    const QByteArray user = server.UserId.toUtf8();
    const QByteArray password = server.Password.toUtf8();
    if (!user.isEmpty()) {
        // Without AUTH in the server's EHLO answer the message goes without authentication.
        curl_easy_setopt(curl, CURLOPT_USERNAME, user.constData());
        curl_easy_setopt(curl, CURLOPT_PASSWORD, password.constData());
        curl_easy_setopt(curl, CURLOPT_LOGIN_OPTIONS, "AUTH=LOGIN");
    }
    const QByteArray from = EnvelopeAddress(message.From);
    curl_easy_setopt(curl, CURLOPT_MAIL_FROM, from.constData());
    curl_slist* recipients = nullptr;
    QList<QByteArray> addresses;
    for (const QString& to : message.To)
        addresses << EnvelopeAddress(to);
    for (const QByteArray& address : addresses)
        recipients = curl_slist_append(recipients, address.constData());
    curl_easy_setopt(curl, CURLOPT_MAIL_RCPT, recipients);

    Upload upload{MailMessageText(message)};
    curl_easy_setopt(curl, CURLOPT_READFUNCTION, ReadUpload);
    curl_easy_setopt(curl, CURLOPT_READDATA, &upload);
    curl_easy_setopt(curl, CURLOPT_UPLOAD, 1L);
    curl_easy_setopt(curl, CURLOPT_INFILESIZE_LARGE, curl_off_t(upload.Text.size()));

    const QString error = transfer.Perform();
    curl_slist_free_all(recipients);
    return error;
}

} // namespace orvane
