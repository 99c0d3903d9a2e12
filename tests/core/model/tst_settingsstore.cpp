#include "SettingsStore.h"
#include "TestSupport.h"

#include <QSettings>
#include <QStandardPaths>
#include <QTest>

class TestSettingsStore : public QObject {
    Q_OBJECT

    // How readAs() shows a string read that yields no value.
    static inline const QString absent = QStringLiteral("<absent>");

    static QVariant readAs(const QString& key, int type)
    {
        switch (type) {
        case QMetaType::Bool:
            return SettingsStore::boolean(key);
        case QMetaType::Int:
            return int(SettingsStore::integer(key));
        default:
            return SettingsStore::string(key).value_or(absent);
        }
    }

    QSettings platformStore() { return QSettings(QSettings::NativeFormat, QSettings::UserScope, QStringLiteral("Klipwell"), QStringLiteral("Klipwell")); }

private slots:
    void initTestCase() { SettingsStore::registerDefaults(); }

    void init() { platformStore().clear(); }

    void read_data()
    {
        QTest::addColumn<QByteArray>("file"); // the settings file as a previous run left it; empty: a fresh user
        QTest::addColumn<QString>("key");
        QTest::addColumn<QVariant>("expected");
        // Defaults: one key of each kind (the folder is found at run time); the rest is the same lookup.
        QTest::newRow("default folder") << QByteArray() << QStringLiteral("downloadFolder") << QVariant(QStandardPaths::standardLocations(QStandardPaths::DownloadLocation).value(0));
        QTest::newRow("default integer") << QByteArray() << QStringLiteral("maxConcurrent") << QVariant(2);
        QTest::newRow("default true") << QByteArray() << QStringLiteral("notifications") << QVariant(true);
        QTest::newRow("no default") << QByteArray() << QStringLiteral("proxy") << QVariant(absent);
        // The file holds text only.
        QTest::newRow("false text") << QByteArray("notifications=false\n") << QStringLiteral("notifications") << QVariant(false);
        QTest::newRow("empty string") << QByteArray("downloadFolder=\n") << QStringLiteral("downloadFolder") << QVariant(QString());
        QTest::newRow("unquoted list text") << QByteArray("subLangs=en.*,de\n") << QStringLiteral("subLangs") << QVariant(QStringLiteral("en.*,de"));
        QTest::newRow("not a number") << QByteArray("retries=many\n") << QStringLiteral("retries") << QVariant(0);
    }

    void read()
    {
        QFETCH(QByteArray, file);
        QFETCH(QString, key);
        QFETCH(QVariant, expected);
        if (!file.isEmpty())
            QVERIFY(TestSupport::writeFile(platformStore().fileName(), "[General]\n" + file));
        QCOMPARE(readAs(key, expected.typeId()), expected);
    }

    void networkSnapshot_data()
    {
        QTest::addColumn<QVariantMap>("stored");
        QTest::addColumn<NetworkOptions>("expected");
        QTest::newRow("fresh user") << QVariantMap() << NetworkOptions {};
        QTest::newRow("fragments 0 raised to 1") << QVariantMap { { QStringLiteral("fragments"), 0 } } << NetworkOptions { .fragments = 1 };
        QTest::newRow("retries and timeout 0 stay 0") << QVariantMap { { QStringLiteral("retries"), 0 }, { QStringLiteral("timeout"), 0 } } << NetworkOptions { .retries = 0, .timeout = 0 };
        QTest::newRow("empty cookies browser stays empty") << QVariantMap { { QStringLiteral("cookiesBrowser"), QString() } } << NetworkOptions { .cookiesBrowser = QString() };
        const NetworkOptions untouched { .cookiesBrowser = QStringLiteral(" chrome "), .userAgent = QStringLiteral("  Mozilla/5.0  "), .retries = 50, .fragments = 16, .timeout = 300 };
        QTest::newRow("stored values passed on untrimmed") << QVariantMap { { QStringLiteral("cookiesBrowser"), untouched.cookiesBrowser }, { QStringLiteral("userAgent"), untouched.userAgent }, { QStringLiteral("retries"), 50 }, { QStringLiteral("fragments"), 16 }, { QStringLiteral("timeout"), 300 } } << untouched;
    }

    void networkSnapshot()
    {
        QFETCH(QVariantMap, stored);
        QFETCH(NetworkOptions, expected);
        for (auto it = stored.begin(); it != stored.end(); ++it)
            SettingsStore::set(it.key(), it.value());
        QCOMPARE(SettingsStore::networkSnapshot(), expected);
    }

    void storedValueWinsUntilRemoved()
    {
        const QString key = QStringLiteral("maxConcurrent");
        SettingsStore::set(key, 0);
        SettingsStore::registerDefaults(); // the next start must neither overwrite the user's value nor write the defaults
        SettingsStore::networkSnapshot();
        QVERIFY(SettingsStore::hasUserValue(key));
        QCOMPARE(SettingsStore::integer(key), 0);
        QCOMPARE(platformStore().allKeys(), QStringList { key });
        SettingsStore::remove(key);
        QVERIFY(!SettingsStore::hasUserValue(key));
        QCOMPARE(SettingsStore::integer(key), 2);
    }
};

QTEST_GUILESS_MAIN(TestSettingsStore)
#include "tst_settingsstore.moc"
