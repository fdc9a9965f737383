#include "loopback_server.h"

#include <QJsonDocument>
#include <arpa/inet.h>
#include <gtest/gtest.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

namespace orvane::test {

namespace {
constexpr int StartTimeoutMs = 20000;
constexpr int QuietMs = 200;
} // namespace

LoopbackServer::LoopbackServer(const QString& script, const QStringList& arguments) {
    m_process.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    if (script.endsWith(QLatin1String(".py")))
        m_process.start(QStringLiteral("/usr/bin/python3"),
                        QStringList{QStringLiteral(ORVANE_TEST_SUPPORT_DIR "/") + script} +
                            arguments);
    else
        m_process.start(script, arguments);
    bool ready = false;
    while (m_process.waitForReadyRead(StartTimeoutMs) || m_process.canReadLine()) {
        if (!m_process.canReadLine())
            continue;
        const QByteArray line = m_process.readLine().trimmed();
        if (line.startsWith("PORT ") || line == "READY") {
            m_port = line.mid(5).toInt();
            ready = true;
            break;
        }
    }
    if (!ready)
        ADD_FAILURE() << "the test server " << script.toStdString() << " did not start";
}

LoopbackServer::~LoopbackServer() {
    m_process.closeWriteChannel();
    if (!m_process.waitForFinished(5000)) {
        m_process.kill();
        m_process.waitForFinished(5000);
    }
}

QList<QJsonObject> LoopbackServer::Events() {
    while (m_process.canReadLine() || m_process.waitForReadyRead(QuietMs)) {
        while (m_process.canReadLine()) {
            const QJsonDocument event = QJsonDocument::fromJson(m_process.readLine());
            if (event.isObject())
                m_events << event.object();
        }
    }
    return m_events;
}

int ClosedLoopbackPort() {
    const int socket = ::socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t length = sizeof address;
    ::bind(socket, reinterpret_cast<sockaddr*>(&address), length);
    ::getsockname(socket, reinterpret_cast<sockaddr*>(&address), &length);
    ::close(socket);
    return ntohs(address.sin_port);
}

} // namespace orvane::test
