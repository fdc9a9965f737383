#pragma once

#include <QByteArray>
#include <QString>
#include <memory>

namespace orvane {

// One libcurl easy handle with the settings every transfer of the program shares: no signals
// (transfers run off the window's thread), an overall time-out, no proxy from the environment,
// the error text of libcurl kept for the message.
class CurlTransfer {
public:
    explicit CurlTransfer(int timeoutSeconds);
    ~CurlTransfer();
    CurlTransfer(const CurlTransfer&) = delete;
    CurlTransfer& operator=(const CurlTransfer&) = delete;

    void* Handle() const { return m_handle; }
    // Runs the transfer; an empty text when it succeeded, else why it failed.
    QString Perform();

private:
    void* m_handle;
    char m_errorText[256] = {};
};

} // namespace orvane
