#include "TestSessionBus.h"

TestSessionBus::TestSessionBus()
{
    m_daemon.setProgram(QStringLiteral("dbus-daemon"));
    m_daemon.setArguments(
        { QStringLiteral("--session"), QStringLiteral("--nofork"), QStringLiteral("--nopidfile"),
            QStringLiteral("--print-address=1"), QStringLiteral("--address=unix:dir=") + m_dir.path() });
    m_daemon.setStandardErrorFile(QProcess::nullDevice());
    m_daemon.start();
    if (!m_daemon.waitForStarted(30000))
        return;
    while (!m_daemon.canReadLine() && m_daemon.waitForReadyRead(30000)) { }
    m_address = QString::fromUtf8(m_daemon.readLine()).trimmed();
}

TestSessionBus::~TestSessionBus()
{
    if (m_daemon.state() != QProcess::NotRunning) {
        m_daemon.terminate();
        if (!m_daemon.waitForFinished(30000))
            m_daemon.kill();
        m_daemon.waitForFinished(30000);
    }
}

void TestSessionBus::makeSessionBus() const
{
    qputenv("DBUS_SESSION_BUS_ADDRESS", m_address.toUtf8());
}
