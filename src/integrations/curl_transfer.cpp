#include "curl_transfer.h"

#include <curl/curl.h>
#include <mutex>

namespace orvane {

namespace {

void InitialiseOnce() {
    static std::once_flag once;
    std::call_once(once, [] { curl_global_init(CURL_GLOBAL_DEFAULT); });
}

} // namespace

CurlTransfer::CurlTransfer(int timeoutSeconds) {
    InitialiseOnce();
    m_handle = curl_easy_init();
    CURL* curl = static_cast<CURL*>(m_handle);
    curl_easy_setopt(curl, CURLOPT_NOSIGNAL, 1L);
    curl_easy_setopt(curl, CURLOPT_ERRORBUFFER, m_errorText);
    curl_easy_setopt(curl, CURLOPT_TIMEOUT, long(timeoutSeconds));
    curl_easy_setopt(curl, CURLOPT_CONNECTTIMEOUT, long(timeoutSeconds));
    // Only the job file's proxy counts, never one of the environment.
    curl_easy_setopt(curl, CURLOPT_PROXY, "");
}

CurlTransfer::~CurlTransfer() {
    curl_easy_cleanup(static_cast<CURL*>(m_handle));
}

QString CurlTransfer::Perform() {
    if (!m_handle)
        return QStringLiteral("libcurl could not be initialised");
    const CURLcode code = curl_easy_perform(static_cast<CURL*>(m_handle));
    if (code == CURLE_OK)
        return QString();
    const QString detail = QString::fromUtf8(m_errorText).trimmed();
    return detail.isEmpty() ? QString::fromUtf8(curl_easy_strerror(code)) : detail;
}

} // namespace orvane
