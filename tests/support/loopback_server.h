#pragma once

#include <QJsonObject>
#include <QList>
#include <QProcess>
#include <QString>
#include <QStringList>

namespace orvane::test {

// A server of the tests: a script of tests/support run by Debian's own Python (where aiosmtpd
// lives) that listens on an ephemeral port of 127.0.0.1, or a program of the tests. It prints
// "PORT n" once it listens (or "READY" when it needs no port) and then one JSON object a line
// for what it saw; closing its stdin ends it.
class LoopbackServer {
public:
    LoopbackServer(const QString& script, const QStringList& arguments);
    ~LoopbackServer();
    LoopbackServer(const LoopbackServer&) = delete;
    LoopbackServer& operator=(const LoopbackServer&) = delete;

    int Port() const { return m_port; }
    QString Address() const { return QStringLiteral("127.0.0.1"); }
    // Everything the script has reported so far, in order.
    QList<QJsonObject> Events();

private:
    QProcess m_process;
    int m_port = 0;
    QList<QJsonObject> m_events;
};

// A port of 127.0.0.1 that nobody listens on (bound once, then closed again).
int ClosedLoopbackPort();

} // namespace orvane::test
