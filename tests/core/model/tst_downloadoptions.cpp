#include "DownloadOptions.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QTest>

#include <functional>

using Mutation = std::function<void(QJsonObject&)>;
Q_DECLARE_METATYPE(Mutation)
Q_DECLARE_METATYPE(DownloadOptions)

namespace {

DownloadOptions fullOptions()
{
    DownloadOptions o;
    o.url = QStringLiteral("https://example.com/watch?v=abc&list=PL1");
    o.title = QStringLiteral("Ünïcode — “title”");
    o.uploader = QStringLiteral("Someone");
    o.thumbnail = QStringLiteral("https://i.example.com/t.jpg");
    o.isPlaylist = true;
    o.playlistItems = QStringLiteral("1-3,7");
    o.formatSelector = QStringLiteral("bv*[height<=1080]+ba/b[height<=1080]/bv*+ba/b");
    o.formatSort = QStringLiteral("res,vcodec:h264,acodec:aac");
    o.audioOnly = false;
    o.audioFormat = QStringLiteral("mp3");
    o.container = QStringLiteral("mp4");
    o.folder = QStringLiteral("/home/user/Downloads");
    o.outputTemplate = QStringLiteral("%(title)s [%(id)s].%(ext)s");
    o.embedThumbnail = true;
    o.embedMetadata = true;
    o.subtitles = true;
    o.autoSubs = true;
    o.embedSubs = false;
    o.subLangs = QStringLiteral("en.*,de");
    o.network.cookiesBrowser = QStringLiteral("firefox");
    o.network.userAgent = QStringLiteral("UA/1.0");
    o.network.proxy = QStringLiteral("socks5://127.0.0.1:1080");
    o.network.rateLimit = QStringLiteral("2M");
    o.network.retries = 0;
    o.network.fragments = 16;
    o.network.timeout = -1;
    o.network.extraArgs = QStringLiteral("--no-mtime --embed-chapters");
    o.presetName = QStringLiteral("1080p");
    return o;
}

DownloadOptions withoutOptionals()
{
    DownloadOptions o = fullOptions();
    o.thumbnail.reset();
    o.playlistItems.reset();
    o.formatSelector.reset();
    o.formatSort.reset();
    return o;
}

DownloadOptions withEmptyOptionals()
{
    DownloadOptions o = fullOptions();
    o.thumbnail = QString();
    o.playlistItems = QString();
    o.formatSelector = QString();
    o.formatSort = QString();
    return o;
}

// Also goes through JSON text, the way the queue and history files store it.
std::optional<DownloadOptions> throughText(const QJsonObject& object)
{
    const QJsonDocument doc = QJsonDocument::fromJson(QJsonDocument(object).toJson());
    return downloadOptionsFromJson(doc.object());
}

void setNetwork(QJsonObject& o, const QString& key, const QJsonValue& value)
{
    QJsonObject net = o.value(QStringLiteral("network")).toObject();
    if (value.isUndefined())
        net.remove(key);
    else
        net.insert(key, value);
    o.insert(QStringLiteral("network"), net);
}

} // namespace

class TestDownloadOptions : public QObject {
    Q_OBJECT

private slots:
    void roundTrip_data()
    {
        QTest::addColumn<DownloadOptions>("options");
        QTest::addColumn<int>("keyCount");

        QTest::newRow("all fields set") << fullOptions() << 21;
        QTest::newRow("optionals absent are left out") << withoutOptionals() << 17;
        QTest::newRow("optionals empty stay empty, not absent") << withEmptyOptionals() << 21;
        QTest::newRow("defaults") << DownloadOptions() << 17;
        DownloadOptions big;
        big.network.retries = std::numeric_limits<qint64>::max();
        big.network.timeout = std::numeric_limits<qint64>::min();
        QTest::newRow("extreme integers") << big << 17;
    }

    void roundTrip()
    {
        QFETCH(DownloadOptions, options);
        QFETCH(int, keyCount);

        const QJsonObject object = toJson(options);
        QCOMPARE(object.size(), keyCount);
        QCOMPARE(object.value(QStringLiteral("network")).toObject().size(), 8);
        for (const QJsonValue& value : object)
            QVERIFY(!value.isNull());

        QCOMPARE(downloadOptionsFromJson(object), options);
        QCOMPARE(throughText(object), options);
    }

    void readFails_data()
    {
        QTest::addColumn<Mutation>("mutate");

        auto remove = [](const QString& key) { return Mutation([key](QJsonObject& o) { o.remove(key); }); };
        auto put = [](const QString& key, const QJsonValue& v) {
            return Mutation([key, v](QJsonObject& o) { o.insert(key, v); });
        };
        auto putNet = [](const QString& key, const QJsonValue& v) {
            return Mutation([key, v](QJsonObject& o) { setNetwork(o, key, v); });
        };

        QTest::newRow("presetName missing") << remove(QStringLiteral("presetName"));
        QTest::newRow("url missing") << remove(QStringLiteral("url"));
        QTest::newRow("network missing") << remove(QStringLiteral("network"));
        QTest::newRow("title null") << put(QStringLiteral("title"), QJsonValue::Null);
        QTest::newRow("bool as string") << put(QStringLiteral("isPlaylist"), QStringLiteral("true"));
        QTest::newRow("bool as number") << put(QStringLiteral("audioOnly"), 1);
        QTest::newRow("string as number") << put(QStringLiteral("folder"), 42);
        QTest::newRow("network as array") << put(QStringLiteral("network"), QJsonArray());
        QTest::newRow("network null") << put(QStringLiteral("network"), QJsonValue::Null);
        QTest::newRow("optional of wrong type") << put(QStringLiteral("thumbnail"), true);
        QTest::newRow("network lacks extraArgs")
            << putNet(QStringLiteral("extraArgs"), QJsonValue::Undefined);
        QTest::newRow("network lacks retries") << putNet(QStringLiteral("retries"), QJsonValue::Undefined);
        QTest::newRow("cookiesBrowser null") << putNet(QStringLiteral("cookiesBrowser"), QJsonValue::Null);
        QTest::newRow("retries as string") << putNet(QStringLiteral("retries"), QStringLiteral("10"));
        QTest::newRow("retries fractional") << putNet(QStringLiteral("retries"), 2.5);
        QTest::newRow("fragments small fraction") << putNet(QStringLiteral("fragments"), 0.25);
        QTest::newRow("timeout beyond 64 bits") << putNet(QStringLiteral("timeout"), 1e300);
        QTest::newRow("timeout exactly 2^63") << putNet(QStringLiteral("timeout"), 9223372036854775808.0);
    }

    void readFails()
    {
        QFETCH(Mutation, mutate);
        QJsonObject object = toJson(fullOptions());
        mutate(object);
        QCOMPARE(downloadOptionsFromJson(object), std::nullopt);
        QCOMPARE(throughText(object), std::nullopt);
    }

    void readAccepts_data()
    {
        QTest::addColumn<QByteArray>("patch");
        QTest::addColumn<DownloadOptions>("expected");

        DownloadOptions noItems = fullOptions();
        noItems.playlistItems.reset();
        QTest::newRow("null optional reads as absent") << QByteArray(R"({"playlistItems": null})") << noItems;

        DownloadOptions allNull = withoutOptionals();
        QTest::newRow("all optionals null") << QByteArray(
            R"({"thumbnail": null, "playlistItems": null, "formatSelector": null, "formatSort": null})")
                                            << allNull;

        QTest::newRow("unknown keys ignored")
            << QByteArray(R"({"futureField": [1, 2], "status": "queued"})") << fullOptions();

        DownloadOptions whole = fullOptions();
        whole.network.retries = 7;
        QTest::newRow("integral number written as 7.0")
            << QByteArray(R"({"network": {"retries": 7.0}})") << whole;

        DownloadOptions exact = fullOptions();
        exact.network.fragments = 9007199254740993; // 2^53 + 1, not representable as a double
        QTest::newRow("large integer kept exact")
            << QByteArray(R"({"network": {"fragments": 9007199254740993}})") << exact;
    }

    void readAccepts()
    {
        QFETCH(QByteArray, patch);
        QFETCH(DownloadOptions, expected);

        // The patch is parsed from text so that numbers arrive as the JSON parser reads them.
        QJsonObject object = toJson(fullOptions());
        QJsonObject net = object.value(QStringLiteral("network")).toObject();
        const QJsonObject changes = QJsonDocument::fromJson(patch).object();
        for (auto it = changes.begin(); it != changes.end(); ++it)
            object.insert(it.key(), it.value());
        const QJsonObject netChanges = changes.value(QStringLiteral("network")).toObject();
        for (auto it = netChanges.begin(); it != netChanges.end(); ++it)
            net.insert(it.key(), it.value());
        object.insert(QStringLiteral("network"), net);

        QCOMPARE(downloadOptionsFromJson(object), expected);
    }
};

QTEST_GUILESS_MAIN(TestDownloadOptions)
#include "tst_downloadoptions.moc"
