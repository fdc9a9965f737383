#pragma once

#include <QProcess>
#include <QString>

namespace orvane::test {

// A dbus-daemon of the test's own as the session bus: DBUS_SESSION_BUS_ADDRESS names it while
// this lives, for the test and the programs it starts.
class PrivateBus {
public:
    PrivateBus();
    ~PrivateBus();
    PrivateBus(const PrivateBus&) = delete;
    PrivateBus& operator=(const PrivateBus&) = delete;

    QString Address() const { return m_address; }

private:
    QProcess m_daemon;
    QString m_address;
    QByteArray m_previous;
};

} // namespace orvane::test
