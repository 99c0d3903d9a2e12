#include "FakeNotificationServer.h"

#include <QDBusConnectionInterface>

namespace {
const QString connectionName = QStringLiteral("fake-notification-server");
const QString objectPath = QStringLiteral("/org/freedesktop/Notifications");
}

FakeNotificationServer::FakeNotificationServer()
{
    m_daemon.setStandardErrorFile(QProcess::nullDevice());
    m_daemon.start(QStringLiteral("dbus-daemon"),
        { QStringLiteral("--session"), QStringLiteral("--nofork"), QStringLiteral("--nopidfile"),
            QStringLiteral("--print-address=1"), QStringLiteral("--address=unix:dir=") + m_dir.path() });
    if (!m_daemon.waitForStarted(30000))
        return;
    while (!m_daemon.canReadLine() && m_daemon.waitForReadyRead(30000)) { }
    const QByteArray address = m_daemon.readLine().trimmed();
    qputenv("DBUS_SESSION_BUS_ADDRESS", address);
    m_connection = QDBusConnection::connectToBus(QString::fromUtf8(address), connectionName);
    m_serving = m_connection.isConnected()
        && m_connection.registerObject(objectPath, this, QDBusConnection::ExportScriptableSlots)
        && m_connection.registerService(QStringLiteral("org.freedesktop.Notifications"));
}

FakeNotificationServer::~FakeNotificationServer()
{
    m_connection.unregisterObject(objectPath);
    QDBusConnection::disconnectFromBus(connectionName);
    m_daemon.terminate();
    if (!m_daemon.waitForFinished(30000))
        m_daemon.kill();
    m_daemon.waitForFinished(30000);
}

QStringList FakeNotificationServer::busNames() const
{
    return m_connection.interface()->registeredServiceNames().value();
}

uint FakeNotificationServer::Notify(const QString& appName, uint replacesId, const QString&,
    const QString& summary, const QString& body, const QStringList&, const QVariantMap&, int)
{
    m_received.append({ appName, replacesId, summary, body });
    return uint(m_received.size());
}
