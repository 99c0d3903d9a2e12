#include "DownloadOptions.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QTest>

#include <functional>

using OptionalOptions = std::optional<DownloadOptions>;
Q_DECLARE_METATYPE(DownloadOptions)
Q_DECLARE_METATYPE(OptionalOptions)

namespace {

// Every field away from its default, so a field that is lost or swapped shows.
DownloadOptions fullOptions()
{
    return DownloadOptions { .url = QStringLiteral("https://example.com/watch?v=abc&list=PL1"), .title = QStringLiteral("Ünïcode — “title”"),
        .uploader = QStringLiteral("Someone"), .thumbnail = QStringLiteral("https://i.example.com/t.jpg"), .isPlaylist = true,
        .playlistItems = QStringLiteral("1-3,7"), .formatSelector = QStringLiteral("bv*+ba/b"), .formatSort = QStringLiteral("res,vcodec:h264,acodec:aac"),
        .audioOnly = true, .audioFormat = QStringLiteral("mp3"), .container = QStringLiteral("mkv"), .folder = QStringLiteral("/home/user/Downloads"),
        .outputTemplate = QStringLiteral("%(title)s.%(ext)s"), .embedThumbnail = true, .embedMetadata = true, .subtitles = true, .autoSubs = true, .embedSubs = true,
        .subLangs = QStringLiteral("en.*,de"),
        .network = NetworkOptions { .cookiesBrowser = QStringLiteral("firefox"), .userAgent = QStringLiteral("UA/1"), .proxy = QStringLiteral("socks5://127.0.0.1:1080"),
            .rateLimit = QStringLiteral("2M"), .retries = 0, .fragments = 16, .timeout = -1, .extraArgs = QStringLiteral("--no-mtime") },
        .presetName = QStringLiteral("1080p") };
}

DownloadOptions changed(const std::function<void(DownloadOptions&)>& change)
{
    DownloadOptions options = fullOptions();
    change(options);
    return options;
}

} // namespace

class TestDownloadOptions : public QObject {
    Q_OBJECT

private slots:
    void roundTrip_data()
    {
        QTest::addColumn<DownloadOptions>("options");
        QTest::addColumn<int>("keyCount");
        using O = DownloadOptions&;
        QTest::newRow("all fields set") << fullOptions() << 21;
        QTest::newRow("absent optionals are left out") << changed([](O o) { o.thumbnail = o.playlistItems = o.formatSelector = o.formatSort = std::nullopt; }) << 17;
        QTest::newRow("empty optionals stay empty, not absent") << changed([](O o) { o.thumbnail = o.playlistItems = o.formatSelector = o.formatSort = QString(); }) << 21;
        QTest::newRow("64-bit extremes") << changed([](O o) { o.network.retries = std::numeric_limits<qint64>::max(), o.network.timeout = std::numeric_limits<qint64>::min(); }) << 21;
    }

    void roundTrip()
    {
        QFETCH(DownloadOptions, options);
        QFETCH(int, keyCount);
        const QJsonObject object = toJson(options);
        QCOMPARE(object.size(), keyCount);
        QCOMPARE(object.value(QStringLiteral("network")).toObject().size(), 8);
        // Through JSON text too, as the queue and history files store it.
        const QJsonObject reread = QJsonDocument::fromJson(QJsonDocument(object).toJson()).object();
        QCOMPARE(downloadOptionsFromJson(reread), options);
    }

    void read_data()
    {
        QTest::addColumn<QString>("removeKey"); // "network.x" names a key of the nested object
        QTest::addColumn<QByteArray>("patch"); // JSON text merged into the written form
        QTest::addColumn<OptionalOptions>("expected");
        using O = DownloadOptions&;
        const OptionalOptions fails;
        QTest::newRow("presetName missing") << QStringLiteral("presetName") << QByteArray("{}") << fails;
        QTest::newRow("network missing") << QStringLiteral("network") << QByteArray("{}") << fails;
        QTest::newRow("network lacks extraArgs") << QStringLiteral("network.extraArgs") << QByteArray("{}") << fails;
        QTest::newRow("network lacks retries") << QStringLiteral("network.retries") << QByteArray("{}") << fails;
        QTest::newRow("title null") << QString() << QByteArray(R"({"title": null})") << fails;
        QTest::newRow("bool as string") << QString() << QByteArray(R"({"isPlaylist": "true"})") << fails;
        QTest::newRow("string as number") << QString() << QByteArray(R"({"folder": 42})") << fails;
        QTest::newRow("network as array") << QString() << QByteArray(R"({"network": []})") << fails;
        QTest::newRow("optional of wrong type") << QString() << QByteArray(R"({"thumbnail": true})") << fails;
        QTest::newRow("nested null") << QString() << QByteArray(R"({"network": {"proxy": null}})") << fails;
        QTest::newRow("integer as string") << QString() << QByteArray(R"({"network": {"retries": "10"}})") << fails;
        QTest::newRow("fractional integer") << QString() << QByteArray(R"({"network": {"retries": 2.5}})") << fails;
        QTest::newRow("beyond 64 bits") << QString() << QByteArray(R"({"network": {"timeout": 1e300}})") << fails;
        QTest::newRow("exactly 2^63") << QString() << QByteArray(R"({"network": {"timeout": 9223372036854775808}})") << fails;

        QTest::newRow("null optional reads as absent") << QString() << QByteArray(R"({"playlistItems": null})") << OptionalOptions(changed([](O o) { o.playlistItems.reset(); }));
        QTest::newRow("missing optional reads as absent") << QStringLiteral("formatSort") << QByteArray("{}") << OptionalOptions(changed([](O o) { o.formatSort.reset(); }));
        QTest::newRow("unknown keys ignored") << QString() << QByteArray(R"({"future": [1], "network": {"future": 2}})") << OptionalOptions(fullOptions());
        QTest::newRow("whole number written as 7.0") << QString() << QByteArray(R"({"network": {"retries": 7.0}})") << OptionalOptions(changed([](O o) { o.network.retries = 7; }));
        QTest::newRow("2^53 + 1 kept exact, not rounded through a double") << QString() << QByteArray(R"({"network": {"fragments": 9007199254740993}})") << OptionalOptions(changed([](O o) { o.network.fragments = 9007199254740993; }));
    }

    void read()
    {
        QFETCH(QString, removeKey);
        QFETCH(QByteArray, patch);
        QFETCH(OptionalOptions, expected);
        QJsonObject object = toJson(fullOptions());
        QJsonObject net = object.value(QStringLiteral("network")).toObject();
        const QJsonObject changes = QJsonDocument::fromJson(patch).object();
        for (auto it = changes.begin(); it != changes.end(); ++it)
            object.insert(it.key(), it.value());
        const QJsonObject netChanges = changes.value(QStringLiteral("network")).toObject();
        for (auto it = netChanges.begin(); it != netChanges.end(); ++it)
            net.insert(it.key(), it.value());
        const bool nested = removeKey.startsWith(QStringLiteral("network."));
        if (nested)
            net.remove(removeKey.mid(8));
        if (nested || changes.value(QStringLiteral("network")).isObject())
            object.insert(QStringLiteral("network"), net);
        object.remove(removeKey);

        QCOMPARE(downloadOptionsFromJson(object), expected);
    }
};

QTEST_GUILESS_MAIN(TestDownloadOptions)
#include "tst_downloadoptions.moc"
