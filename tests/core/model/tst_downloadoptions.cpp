#include "DownloadOptions.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QTest>

#include <functional>

using OptionalOptions = std::optional<DownloadOptions>;

class TestDownloadOptions : public QObject {
    Q_OBJECT

    // Every field away from its default, so a field that is lost or swapped shows.
    static DownloadOptions fullOptions()
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

    static DownloadOptions changed(const std::function<void(DownloadOptions&)>& change)
    {
        DownloadOptions options = fullOptions();
        change(options);
        return options;
    }

private slots:
    void roundTrip_data()
    {
        QTest::addColumn<DownloadOptions>("options");
        QTest::addColumn<int>("keyCount");
        using O = DownloadOptions&;
        QTest::newRow("all fields set") << fullOptions() << 21;
        QTest::newRow("absent optionals are left out") << changed([](O o) { o.thumbnail = o.playlistItems = o.formatSelector = o.formatSort = std::nullopt; }) << 17;
        QTest::newRow("empty optionals stay empty, not absent") << changed([](O o) { o.thumbnail = o.playlistItems = o.formatSelector = o.formatSort = QString(); }) << 21;
        QTest::newRow("neighbouring flags apart") << changed([](O o) { o.isPlaylist = o.subtitles = o.embedThumbnail = false; }) << 21;
        QTest::newRow("64-bit extremes") << changed([](O o) { o.network.retries = std::numeric_limits<qint64>::max(), o.network.timeout = std::numeric_limits<qint64>::min(); }) << 21;
    }

    void roundTrip()
    {
        QFETCH(DownloadOptions, options);
        QFETCH(int, keyCount);
        const QJsonObject object = toJson(options);
        QCOMPARE(object.size(), keyCount);
        // Through JSON text too, as the queue and history files store it.
        const QJsonObject reread = QJsonDocument::fromJson(QJsonDocument(object).toJson()).object();
        QCOMPARE(downloadOptionsFromJson(reread), options);
    }

    void read_data()
    {
        QTest::addColumn<QString>("key"); // "network.x" names a key of the nested object
        QTest::addColumn<QJsonValue>("value"); // undefined: key removed
        QTest::addColumn<OptionalOptions>("expected");
        using O = DownloadOptions&;
        const QJsonValue removed(QJsonValue::Undefined);
        const OptionalOptions fails;
        QTest::newRow("presetName missing") << QStringLiteral("presetName") << removed << fails;
        QTest::newRow("network missing") << QStringLiteral("network") << removed << fails;
        QTest::newRow("network lacks extraArgs") << QStringLiteral("network.extraArgs") << removed << fails;
        QTest::newRow("network lacks retries") << QStringLiteral("network.retries") << removed << fails;
        QTest::newRow("title null") << QStringLiteral("title") << QJsonValue(QJsonValue::Null) << fails;
        QTest::newRow("bool as string") << QStringLiteral("isPlaylist") << QJsonValue(QStringLiteral("true")) << fails;
        QTest::newRow("string as number") << QStringLiteral("folder") << QJsonValue(42) << fails;
        QTest::newRow("network as array") << QStringLiteral("network") << QJsonValue(QJsonArray()) << fails;
        QTest::newRow("optional of wrong type") << QStringLiteral("thumbnail") << QJsonValue(true) << fails;
        QTest::newRow("nested null") << QStringLiteral("network.proxy") << QJsonValue(QJsonValue::Null) << fails;
        QTest::newRow("integer as string") << QStringLiteral("network.retries") << QJsonValue(QStringLiteral("10")) << fails;
        QTest::newRow("fractional integer") << QStringLiteral("network.retries") << QJsonValue(2.5) << fails;
        QTest::newRow("beyond 64 bits") << QStringLiteral("network.timeout") << QJsonValue(1e300) << fails;
        QTest::newRow("exactly 2^63") << QStringLiteral("network.timeout") << QJsonValue(9223372036854775808.0) << fails;
        QTest::newRow("null optional reads as absent") << QStringLiteral("playlistItems") << QJsonValue(QJsonValue::Null) << OptionalOptions(changed([](O o) { o.playlistItems.reset(); }));
        QTest::newRow("missing optional reads as absent") << QStringLiteral("formatSort") << removed << OptionalOptions(changed([](O o) { o.formatSort.reset(); }));
        QTest::newRow("unknown key ignored") << QStringLiteral("future") << QJsonValue(QJsonArray { 1 }) << OptionalOptions(fullOptions());
        QTest::newRow("unknown nested key ignored") << QStringLiteral("network.future") << QJsonValue(2) << OptionalOptions(fullOptions());
        QTest::newRow("whole number written as 7.0") << QStringLiteral("network.retries") << QJsonValue(7.0) << OptionalOptions(changed([](O o) { o.network.retries = 7; }));
        QTest::newRow("2^53 + 1 kept exact, not rounded through a double") << QStringLiteral("network.fragments") << QJsonValue(qint64(9007199254740993)) << OptionalOptions(changed([](O o) { o.network.fragments = 9007199254740993; }));
    }

    void read()
    {
        QFETCH(QString, key);
        QFETCH(QJsonValue, value);
        QFETCH(OptionalOptions, expected);
        QJsonObject object = toJson(fullOptions());
        if (key.startsWith(QStringLiteral("network."))) {
            QJsonObject net = object.value(QStringLiteral("network")).toObject();
            net.insert(key.mid(8), value);
            object.insert(QStringLiteral("network"), net);
        } else {
            object.insert(key, value);
        }
        QCOMPARE(downloadOptionsFromJson(object), expected);
    }
};

QTEST_GUILESS_MAIN(TestDownloadOptions)
#include "tst_downloadoptions.moc"
