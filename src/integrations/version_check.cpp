#include "version_check.h"

#include "config/settings.h"
#include "curl_transfer.h"
#include "platform/message_pump.h"
#include "platform/product.h"

#include <QUrl>
#include <curl/curl.h>

namespace orvane {

namespace {

// The maker's site. Its version file must keep the path below.
constexpr char UpdateSite[] = "http://www.orvane.example";
// A version file is a few lines; anything much larger is not one.
constexpr qsizetype MaximumVersionFileBytes = 1 << 20;

size_t Collect(char* data, size_t size, size_t count, void* userData) {
    auto* body = static_cast<QByteArray*>(userData);
    if (body->size() + qsizetype(size * count) > MaximumVersionFileBytes)
        return 0; // ends the transfer with an error
    body->append(data, qsizetype(size * count));
    return size * count;
}

QUrl SiteUrl(const QString& path) {
    return QUrl(VersionFileUrl()).resolved(QUrl(path));
}

struct Fetch {
    QByteArray Body;
    QString Error;
};

Fetch FetchUrl(const QString& url, const QString& proxyServer, const QString& proxyPortText,
               int timeoutSeconds) {
    Fetch fetch;
    const QString portText = proxyPortText.trimmed();
    bool portValid = true;
    const int proxyPort = portText.isEmpty() ? 0 : portText.toInt(&portValid);
    if (!portValid || proxyPort < 0 || proxyPort > 65535) {
        fetch.Error = QStringLiteral("the Proxy Port \"%1\" is not a port number").arg(portText);
        return fetch;
    }
    CurlTransfer transfer(timeoutSeconds);
    CURL* curl = static_cast<CURL*>(transfer.Handle());
    const QByteArray address = url.toUtf8();
    curl_easy_setopt(curl, CURLOPT_URL, address.constData());
    curl_easy_setopt(curl, CURLOPT_PROTOCOLS_STR, "http,https");
    curl_easy_setopt(curl, CURLOPT_REDIR_PROTOCOLS_STR, "http,https");
    curl_easy_setopt(curl, CURLOPT_HTTP_VERSION, long(CURL_HTTP_VERSION_1_0));
    curl_easy_setopt(curl, CURLOPT_FOLLOWLOCATION, 1L);
    curl_easy_setopt(curl, CURLOPT_MAXREDIRS, 10L);
    curl_easy_setopt(curl, CURLOPT_FAILONERROR, 1L);
    const QByteArray agent = (QStringLiteral("Orvane/") + ProductVersion()).toLatin1();
    curl_easy_setopt(curl, CURLOPT_USERAGENT, agent.constData());
    curl_slist* headers = curl_slist_append(nullptr, "Accept: text/html, */*");
    curl_easy_setopt(curl, CURLOPT_HTTPHEADER, headers);
    QByteArray proxy;
    if (!proxyServer.trimmed().isEmpty()) {
        proxy = "http://" + proxyServer.trimmed().toUtf8();
        if (proxyPort > 0)
            proxy += ':' + QByteArray::number(proxyPort);
        curl_easy_setopt(curl, CURLOPT_PROXY, proxy.constData());
    }
    curl_easy_setopt(curl, CURLOPT_WRITEFUNCTION, Collect);
    curl_easy_setopt(curl, CURLOPT_WRITEDATA, &fetch.Body);
    fetch.Error = transfer.Perform();
    curl_slist_free_all(headers);
    return fetch;
}

} // namespace

QString VersionFileUrl() {
    const QString given = qEnvironmentVariable("ORVANE_UPDATE_URL");
    if (!given.isEmpty())
        return given;
    return QString::fromLatin1(UpdateSite) + QStringLiteral("/attachments/Orvane_Version.txt");
}

QString DownloadArchiveUrl() {
    return SiteUrl(QStringLiteral("/attachments/Orvane_2000.zip")).toString();
}

QString DownloadPageUrl() {
    return SiteUrl(QStringLiteral("/download2.php?subid=orvane&programm_id=1")).toString();
}

QString UpdateFailedText() {
    return QStringLiteral("ERROR ! Could not found the requested URL ! Please try again");
}

QString CurrentVersionText() {
    return QStringLiteral("Your Version of Orvane is the current Version!");
}

UpdateCheck JudgeVersionFile(const QString& body, const QString& ownVersion) {
    UpdateCheck check;
    check.OwnVersion = ownVersion;
    QString text = body;
    text.replace(QLatin1String("\r\n"), QLatin1String("\n"));
    QStringList lines = text.split(QLatin1Char('\n'));
    if (text.endsWith(QLatin1Char('\n')))
        lines.removeLast();
    if (lines.join(QString()).isEmpty()) {
        check.Outcome = UpdateCheck::Verdict::Nothing;
        return check;
    }
    if (lines.first() == ownVersion) {
        check.Outcome = UpdateCheck::Verdict::Current;
        return check;
    }
    check.Outcome = UpdateCheck::Verdict::Newer;
    for (const QString& line : lines)
        check.NewerText += line + QLatin1Char('\n');
    return check;
}

UpdateCheck CheckForNewerVersion(const Settings& settings, int timeoutSeconds) {
    const QString url = VersionFileUrl();
    const QString proxyServer = settings.ProxyServer;
    const QString proxyPort = settings.ProxyPort;
    Fetch fetch;
    RunDispatching([&] { fetch = FetchUrl(url, proxyServer, proxyPort, timeoutSeconds); });
    if (!fetch.Error.isEmpty()) {
        UpdateCheck failed;
        failed.OwnVersion = ProductVersion();
        failed.Error = fetch.Error;
        return failed;
    }
    return JudgeVersionFile(QString::fromUtf8(fetch.Body), ProductVersion());
}

} // namespace orvane
