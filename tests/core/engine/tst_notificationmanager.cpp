#include "FakeNotificationServer.h"
#include "NotificationManager.h"
#include "SettingsStore.h"

#include <QTest>

#include <memory>

class TestNotificationManager : public QObject {
    Q_OBJECT

    std::unique_ptr<FakeNotificationServer> m_server;

private slots:
    void initTestCase()
    {
        m_server = std::make_unique<FakeNotificationServer>();
        QVERIFY2(m_server->isServing(), "dbus-daemon or the notification server did not start");
        SettingsStore::registerDefaults();
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
            SettingsStore::set("notifications", setting);
        else
            SettingsStore::remove("notifications");
        NotificationManager notifications;
        QVERIFY(!notifications.runsFromInstalledLocation()); // the build tree is no installed location
        notifications.setInstalledOverride(installed);
        const QStringList namesBefore = m_server->busNames();
        const qsizetype before = m_server->received().size();

        notifications.requestAuth();
        notifications.notify("Download complete", "Café — “live” · 4K…");
        if (!posts) {
            QCOMPARE(m_server->busNames(), namesBefore);
            QCOMPARE(m_server->received().size(), before);
            return;
        }
        QTRY_COMPARE_WITH_TIMEOUT(m_server->received().size(), before + 1, 30000);
        const ReceivedNotification got = m_server->received().last();
        QCOMPARE(got.appName, "Klipwell");
        QCOMPARE(got.summary, "Download complete");
        QCOMPARE(got.body, "Café — “live” · 4K…");
        QCOMPARE(got.replacesId, 0u); // zero: a new notification each time
    }
};

QTEST_GUILESS_MAIN(TestNotificationManager)
#include "tst_notificationmanager.moc"
