#include "SettingsStore.h"
#include "TestSupport.h"

#include <QDir>
#include <QFile>
#include <QSettings>
#include <QStandardPaths>
#include <QTest>

Q_DECLARE_METATYPE(NetworkOptions)

namespace {

QSettings platformStore()
{
    return QSettings(QSettings::NativeFormat, QSettings::UserScope, QStringLiteral("Klipwell"),
        QStringLiteral("Klipwell"));
}

QString settingsFilePath()
{
    return platformStore().fileName();
}

// Replaces the settings file as if a previous run (or the user) had written it.
void writeSettingsFile(const QByteArray& text)
{
    QVERIFY(TestSupport::writeFile(settingsFilePath(), "[General]\n" + text));
}

void store(const QVariantMap& values)
{
    for (auto it = values.begin(); it != values.end(); ++it)
        SettingsStore::set(it.key(), it.value());
}

NetworkOptions network(const QString& cookies, qint64 retries, qint64 fragments, qint64 timeout)
{
    NetworkOptions net;
    net.cookiesBrowser = cookies;
    net.retries = retries;
    net.fragments = fragments;
    net.timeout = timeout;
    return net;
}

// How readAs() shows a string read that yields no value.
const QString absent = QStringLiteral("<absent>");

} // namespace

class TestSettingsStore : public QObject {
    Q_OBJECT

private slots:
    void initTestCase() { SettingsStore::registerDefaults(); }

    void init() { platformStore().clear(); }

    void freshUserReadsDefaults_data()
    {
        QTest::addColumn<QString>("key");
        QTest::addColumn<QVariant>("expected");

        const QString downloads
            = QStandardPaths::standardLocations(QStandardPaths::DownloadLocation).value(0);
        // One key of each kind; the rest of the table is the same lookup.
        const QList<std::pair<QString, QVariant>> table {
            { QStringLiteral("downloadFolder"), downloads },
            { QStringLiteral("outputTemplate"), QStringLiteral("%(title)s [%(id)s].%(ext)s") },
            { QStringLiteral("maxConcurrent"), 2 }, { QStringLiteral("notifications"), true },
            { QStringLiteral("clipboardMonitor"), false }, { QStringLiteral("proxy"), absent },
            { QStringLiteral("DownloadFolder"), absent }, // keys are case-sensitive
        };
        for (const auto& [key, value] : table)
            QTest::newRow(qPrintable(key)) << key << value;
    }

    void freshUserReadsDefaults()
    {
        QFETCH(QString, key);
        QFETCH(QVariant, expected);

        QCOMPARE(readAs(key, expected.typeId()), expected);
        if (expected == absent) { // the store's reading rules for a key without any value
            QCOMPARE(SettingsStore::boolean(key), false);
            QCOMPARE(SettingsStore::integer(key), 0);
        }
        QVERIFY(!SettingsStore::hasUserValue(key));
    }

    void networkSnapshot_data()
    {
        QTest::addColumn<QVariantMap>("stored");
        QTest::addColumn<NetworkOptions>("expected");

        QTest::newRow("fresh user") << QVariantMap() << network(QStringLiteral("none"), 10, 4, 30);
        QTest::newRow("fragments 0 raised to 1") << QVariantMap { { QStringLiteral("fragments"), 0 } }
                                                 << network(QStringLiteral("none"), 10, 1, 30);
        QTest::newRow("retries and timeout 0 stay 0") << QVariantMap { { QStringLiteral("retries"), 0 },
            { QStringLiteral("timeout"), 0 } } << network(QStringLiteral("none"), 0, 4, 0);
        QTest::newRow("empty cookies browser stays empty")
            << QVariantMap { { QStringLiteral("cookiesBrowser"), QString() } }
            << network(QString(), 10, 4, 30);

        NetworkOptions untouched = network(QStringLiteral(" chrome "), 50, 16, 300);
        untouched.userAgent = QStringLiteral("  Mozilla/5.0  ");
        QTest::newRow("stored values passed on untrimmed")
            << QVariantMap { { QStringLiteral("cookiesBrowser"), untouched.cookiesBrowser },
                   { QStringLiteral("userAgent"), untouched.userAgent }, { QStringLiteral("retries"), 50 },
                   { QStringLiteral("fragments"), 16 }, { QStringLiteral("timeout"), 300 } }
            << untouched;
    }

    void networkSnapshot()
    {
        QFETCH(QVariantMap, stored);
        QFETCH(NetworkOptions, expected);
        store(stored);
        QCOMPARE(SettingsStore::networkSnapshot(), expected);
    }

    void storedValueWinsOverDefault_data()
    {
        QTest::addColumn<QString>("key");
        QTest::addColumn<QVariant>("value");

        QTest::newRow("empty download folder") << QStringLiteral("downloadFolder") << QVariant(QString());
        QTest::newRow("bool turned off") << QStringLiteral("notifications") << QVariant(false);
        QTest::newRow("integer zero") << QStringLiteral("maxConcurrent") << QVariant(0);
    }

    void storedValueWinsOverDefault()
    {
        QFETCH(QString, key);
        QFETCH(QVariant, value);
        const QVariant before = readAs(key, value.typeId());

        SettingsStore::set(key, value);
        QVERIFY(SettingsStore::hasUserValue(key));
        QCOMPARE(readAs(key, value.typeId()), value);

        // Registering again (the next start) must not overwrite the user's value.
        SettingsStore::registerDefaults();
        QCOMPARE(readAs(key, value.typeId()), value);

        SettingsStore::remove(key);
        QCOMPARE(readAs(key, value.typeId()), before);
    }

    void registeredDefaultsAreNeverWritten()
    {
        SettingsStore::registerDefaults();
        SettingsStore::networkSnapshot();
        SettingsStore::string(QStringLiteral("downloadFolder"));
        SettingsStore::set(QStringLiteral("proxy"), QStringLiteral("http://127.0.0.1:8080"));

        QFile file(settingsFilePath());
        QVERIFY(file.open(QIODevice::ReadOnly));
        const QList<QByteArray> lines = file.readAll().split('\n');
        QStringList keys;
        for (const QByteArray& line : lines) {
            const qsizetype eq = line.indexOf('=');
            if (eq > 0)
                keys << QString::fromUtf8(line.left(eq));
        }
        QCOMPARE(keys, QStringList { QStringLiteral("proxy") });
    }

    // Values as they come back from the settings file in a later run: the file holds text only.
    void readsTheSettingsFile_data()
    {
        QTest::addColumn<QByteArray>("file");
        QTest::addColumn<QString>("key");
        QTest::addColumn<QVariant>("expected");

        QTest::newRow("false text") << QByteArray("notifications=false\n") << QStringLiteral("notifications")
                                    << QVariant(false);
        QTest::newRow("empty string")
            << QByteArray("downloadFolder=\n") << QStringLiteral("downloadFolder") << QVariant(QString());
        QTest::newRow("unquoted list text") << QByteArray("subLangs=en.*,de\n") << QStringLiteral("subLangs")
                                            << QVariant(QStringLiteral("en.*,de"));
        QTest::newRow("not a number")
            << QByteArray("retries=many\n") << QStringLiteral("retries") << QVariant(0);
    }

    void readsTheSettingsFile()
    {
        QFETCH(QByteArray, file);
        QFETCH(QString, key);
        QFETCH(QVariant, expected);
        writeSettingsFile(file);
        QCOMPARE(readAs(key, expected.typeId()), expected);
    }

private:
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
};

QTEST_GUILESS_MAIN(TestSettingsStore)
#include "tst_settingsstore.moc"
