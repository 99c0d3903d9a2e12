#pragma once

#include <QDBusConnection>
#include <QList>
#include <QObject>
#include <QProcess>
#include <QStringList>
#include <QTemporaryDir>
#include <QVariantMap>

// One Notify call as the server received it.
struct ReceivedNotification {
    QString appName;
    uint replacesId = 0;
    QString summary;
    QString body;
};

// A private D-Bus session bus (its own dbus-daemon), made the process's
// session bus, with a freedesktop notification server on it that records every
// Notify call. Make it before anything uses QDBusConnection::sessionBus(); it
// serves from the event loop of the thread that made it.
class FakeNotificationServer : public QObject {
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.freedesktop.Notifications")

public:
    FakeNotificationServer();
    ~FakeNotificationServer() override;

    // True once the bus runs, the service name is owned and the object exported.
    bool isServing() const { return m_serving; }
    QList<ReceivedNotification> received() const { return m_received; }
    // Every name on the bus, unique connection names included: shows who has connected.
    QStringList busNames() const;

public slots:
    Q_SCRIPTABLE uint Notify(const QString& appName, uint replacesId, const QString& appIcon,
        const QString& summary, const QString& body, const QStringList& actions, const QVariantMap& hints,
        int expireTimeout);
    Q_SCRIPTABLE QStringList GetCapabilities() { return { QStringLiteral("body") }; }

private:
    QTemporaryDir m_dir;
    QProcess m_daemon;
    QDBusConnection m_connection { QString() };
    bool m_serving = false;
    QList<ReceivedNotification> m_received;
};
