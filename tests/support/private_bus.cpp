#include "private_bus.h"

#include <gtest/gtest.h>

namespace orvane::test {

PrivateBus::PrivateBus() : m_previous(qgetenv("DBUS_SESSION_BUS_ADDRESS")) {
    m_daemon.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    m_daemon.start(QStringLiteral("dbus-daemon"),
                   {QStringLiteral("--session"), QStringLiteral("--nofork"),
                    QStringLiteral("--nopidfile"), QStringLiteral("--print-address=1")});
    while (m_daemon.waitForReadyRead(20000) && !m_daemon.canReadLine()) {
    }
    m_address = QString::fromUtf8(m_daemon.readLine().trimmed());
    if (m_address.isEmpty())
        ADD_FAILURE() << "dbus-daemon did not start";
    qputenv("DBUS_SESSION_BUS_ADDRESS", m_address.toUtf8());
}

PrivateBus::~PrivateBus() {
    qputenv("DBUS_SESSION_BUS_ADDRESS", m_previous);
    m_daemon.terminate();
    if (!m_daemon.waitForFinished(5000)) {
        m_daemon.kill();
        m_daemon.waitForFinished(5000);
    }
}

} // namespace orvane::test
