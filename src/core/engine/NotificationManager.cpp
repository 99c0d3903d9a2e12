#include "NotificationManager.h"

#include "SettingsStore.h"

#include <QCoreApplication>
#include <QDBusConnection>
#include <QDBusMessage>
#include <QDir>
#include <QStringList>
#include <QVariantMap>

NotificationManager& NotificationManager::shared()
{
    static NotificationManager instance;
    return instance;
}

void NotificationManager::requestAuth()
{
}

void NotificationManager::notify(const QString& title, const QString& body)
{
    if (!runsInstalled() || !SettingsStore::boolean(QStringLiteral("notifications")))
        return;
    QDBusMessage call = QDBusMessage::createMethodCall(QStringLiteral("org.freedesktop.Notifications"),
        QStringLiteral("/org/freedesktop/Notifications"), QStringLiteral("org.freedesktop.Notifications"),
        QStringLiteral("Notify"));
    const uint replacesNothing = 0;
    const int serverDefaultTimeout = -1;
    call << QStringLiteral("Klipwell") << replacesNothing << QString() << title << body << QStringList()
         << QVariantMap() << serverDefaultTimeout;
    // The answer (the server's id) is not needed, and errors change nothing.
    QDBusConnection::sessionBus().send(call);
}

bool NotificationManager::runsFromInstalledLocation()
{
    if (qEnvironmentVariableIsSet("KLIPWELL_TESTING") || !QCoreApplication::instance())
        return false;
    QDir dir(QCoreApplication::applicationDirPath());
    do {
        if (dir.exists(QStringLiteral("CMakeCache.txt")))
            return false;
    } while (dir.cdUp());
    return true;
}

void NotificationManager::setInstalledOverride(std::optional<bool> installed)
{
    m_installedOverride = installed;
}

bool NotificationManager::runsInstalled() const
{
    return m_installedOverride ? *m_installedOverride : runsFromInstalledLocation();
}
