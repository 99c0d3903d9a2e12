#include "FakeNotificationServer.h"

#include <QDBusConnectionInterface>
#include <QUuid>

FakeNotificationServer::FakeNotificationServer(const QString& busAddress, QObject* parent)
    : QObject(parent)
    , m_connectionName(
          QStringLiteral("notification-server-") + QUuid::createUuid().toString(QUuid::WithoutBraces))
    , m_connection(QDBusConnection::connectToBus(busAddress, m_connectionName))
{
    m_serving = m_connection.isConnected()
        && m_connection.registerObject(
            QStringLiteral("/org/freedesktop/Notifications"), this, QDBusConnection::ExportScriptableSlots)
        && m_connection.registerService(QStringLiteral("org.freedesktop.Notifications"));
}

FakeNotificationServer::~FakeNotificationServer()
{
    m_connection.unregisterObject(QStringLiteral("/org/freedesktop/Notifications"));
    QDBusConnection::disconnectFromBus(m_connectionName);
}

QStringList FakeNotificationServer::busNames() const
{
    return m_connection.interface()->registeredServiceNames().value();
}

uint FakeNotificationServer::Notify(const QString& appName, uint replacesId, const QString& appIcon,
    const QString& summary, const QString& body, const QStringList& actions, const QVariantMap& hints,
    int expireTimeout)
{
    m_received.append({ appName, replacesId, appIcon, summary, body, actions, hints, expireTimeout });
    return ++m_lastId;
}

QStringList FakeNotificationServer::GetCapabilities()
{
    return { QStringLiteral("body") };
}
