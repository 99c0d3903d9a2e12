#pragma once

#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QObject>
#include <QProcess>
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
    FakeNotificationServer()
    {
        m_daemon.setStandardErrorFile(QProcess::nullDevice());
        m_daemon.start("dbus-daemon",
            { "--session", "--nofork", "--nopidfile", "--print-address=1", "--address=unix:dir=" + m_dir.path() });
        while (m_daemon.waitForStarted(30000) && !m_daemon.canReadLine() && m_daemon.waitForReadyRead(30000)) { }
        const QByteArray address = m_daemon.readLine().trimmed();
        qputenv("DBUS_SESSION_BUS_ADDRESS", address);
        m_connection = QDBusConnection::connectToBus(QString::fromUtf8(address), "fake-notification-server");
        m_serving = m_connection.registerObject("/org/freedesktop/Notifications", this, QDBusConnection::ExportScriptableSlots)
            && m_connection.registerService("org.freedesktop.Notifications");
    }

    ~FakeNotificationServer() override
    {
        m_connection.unregisterObject("/org/freedesktop/Notifications");
        QDBusConnection::disconnectFromBus("fake-notification-server");
        m_daemon.kill();
        m_daemon.waitForFinished(30000);
    }

    // True once the bus runs, the service name is owned and the object exported.
    bool isServing() const { return m_serving; }
    QList<ReceivedNotification> received() const { return m_received; }
    // Every name on the bus, unique connection names included: shows who has connected.
    QStringList busNames() const { return m_connection.interface()->registeredServiceNames().value(); }

public slots:
    Q_SCRIPTABLE uint Notify(const QString& appName, uint replacesId, const QString&, const QString& summary,
        const QString& body, const QStringList&, const QVariantMap&, int)
    {
        m_received.append({ appName, replacesId, summary, body });
        return uint(m_received.size());
    }
    Q_SCRIPTABLE QStringList GetCapabilities() { return { "body" }; }

private:
    QTemporaryDir m_dir;
    QProcess m_daemon;
    QDBusConnection m_connection { QString() };
    bool m_serving = false;
    QList<ReceivedNotification> m_received;
};
