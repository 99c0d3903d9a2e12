#include "FakeNotificationServer.h"
#include "NotificationManager.h"
#include "SettingsStore.h"
#include "TestSessionBus.h"

#include <QTest>

#include <memory>

class TestNotificationManager : public QObject {
    Q_OBJECT

private:
    std::unique_ptr<TestSessionBus> m_bus;
    std::unique_ptr<FakeNotificationServer> m_server;

private slots:
    void initTestCase()
    {
        m_bus = std::make_unique<TestSessionBus>();
        QVERIFY2(!m_bus->address().isEmpty(), "dbus-daemon did not start");
        m_bus->makeSessionBus();
        m_server = std::make_unique<FakeNotificationServer>(m_bus->address());
        QVERIFY(m_server->isServing());
        SettingsStore::registerDefaults();
    }

    void cleanupTestCase()
    {
        m_server.reset();
        m_bus.reset();
    }

    void buildTreeIsNotAnInstalledLocation()
    {
        QVERIFY(!NotificationManager::runsFromInstalledLocation());
        const QByteArray testing = qgetenv("KLIPWELL_TESTING");
        qunsetenv("KLIPWELL_TESTING");
        const bool installed = NotificationManager::runsFromInstalledLocation();
        qputenv("KLIPWELL_TESTING", testing);
        QVERIFY(!installed);
    }

    // Rows that post nothing come first: they also check that the process has
    // not connected to the bus at all, which stays true only until a row posts.
    void gates_data()
    {
        QTest::addColumn<bool>("installed");
        QTest::addColumn<QVariant>("setting");
        QTest::addColumn<bool>("posts");

        QTest::newRow("not installed") << false << QVariant(true) << false;
        QTest::newRow("switched off") << true << QVariant(false) << false;
        QTest::newRow("switched on") << true << QVariant(true) << true;
        QTest::newRow("default setting") << true << QVariant() << true;
    }

    void gates()
    {
        QFETCH(bool, installed);
        QFETCH(QVariant, setting);
        QFETCH(bool, posts);

        if (setting.isValid())
            SettingsStore::set(QStringLiteral("notifications"), setting);
        else
            SettingsStore::remove(QStringLiteral("notifications"));
        NotificationManager notifications;
        notifications.setInstalledOverride(installed);
        const QStringList namesBefore = m_server->busNames();
        const qsizetype before = m_server->received().size();

        notifications.requestAuth();
        notifications.notify(QStringLiteral("Download complete"), QString::fromUtf8("Café — “live” · 4K…"));

        if (!posts) {
            QCOMPARE(m_server->busNames(), namesBefore);
            QCOMPARE(m_server->received().size(), before);
            return;
        }
        QTRY_COMPARE_WITH_TIMEOUT(m_server->received().size(), before + 1, 30000);
        const ReceivedNotification got = m_server->received().last();
        QCOMPARE(got.appName, QStringLiteral("Klipwell"));
        QCOMPARE(got.summary, QStringLiteral("Download complete"));
        QCOMPARE(got.body, QString::fromUtf8("Café — “live” · 4K…"));
        QCOMPARE(got.replacesId, 0u);
    }

    void twoAtOnceAreSeparateNotifications()
    {
        SettingsStore::set(QStringLiteral("notifications"), true);
        NotificationManager notifications;
        notifications.setInstalledOverride(true);
        const qsizetype before = m_server->received().size();

        notifications.notify(QStringLiteral("Download complete"), QStringLiteral("First"));
        notifications.notify(QStringLiteral("Download failed"), QStringLiteral("Second"));

        QTRY_COMPARE_WITH_TIMEOUT(m_server->received().size(), before + 2, 30000);
        const QList<ReceivedNotification> got = m_server->received().mid(before);
        QCOMPARE(got[0].summary, QStringLiteral("Download complete"));
        QCOMPARE(got[0].body, QStringLiteral("First"));
        QCOMPARE(got[1].summary, QStringLiteral("Download failed"));
        QCOMPARE(got[1].body, QStringLiteral("Second"));
        // Zero asks the server for a new notification, so each gets its own id.
        QCOMPARE(got[0].replacesId, 0u);
        QCOMPARE(got[1].replacesId, 0u);
    }
};

QTEST_GUILESS_MAIN(TestNotificationManager)
#include "tst_notificationmanager.moc"
