#pragma once

#include <QDBusConnection>
#include <QList>
#include <QObject>
#include <QStringList>
#include <QVariantMap>

// One Notify call as the server received it.
struct ReceivedNotification {
    QString appName;
    uint replacesId = 0;
    QString appIcon;
    QString summary;
    QString body;
    QStringList actions;
    QVariantMap hints;
    int expireTimeout = 0;
};

// A freedesktop notification server (org.freedesktop.Notifications) on a bus
// of the test's own, recording every Notify call and answering with
// increasing ids. It serves from the event loop of the thread that made it.
class FakeNotificationServer : public QObject {
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.freedesktop.Notifications")

public:
    explicit FakeNotificationServer(const QString& busAddress, QObject* parent = nullptr);
    ~FakeNotificationServer() override;

    // True once the service name is owned and the object exported.
    bool isServing() const { return m_serving; }
    QList<ReceivedNotification> received() const { return m_received; }
    // Every name on the bus, unique connection names included: shows who has connected.
    QStringList busNames() const;

public slots:
    Q_SCRIPTABLE uint Notify(const QString& appName, uint replacesId, const QString& appIcon,
        const QString& summary, const QString& body, const QStringList& actions, const QVariantMap& hints,
        int expireTimeout);
    Q_SCRIPTABLE QStringList GetCapabilities();

private:
    QString m_connectionName;
    QDBusConnection m_connection;
    bool m_serving = false;
    uint m_lastId = 0;
    QList<ReceivedNotification> m_received;
};
