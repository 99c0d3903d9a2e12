#include "FormatManager.h"

#include <QJsonDocument>
#include <QTest>

#include <functional>

using namespace Qt::StringLiterals;

class FormatManagerTest : public QObject {
    Q_OBJECT

    static inline const QString queried = u"https://example.com/watch?v=1"_s;

    // The result for an object without any key, changed as a case needs.
    static MediaInfo expect(const std::function<void(MediaInfo&)>& change = {})
    {
        MediaInfo info;
        info.webpageURL = queried;
        if (change)
            change(info);
        return info;
    }

    static MediaInfo expectPlaylist(const QList<PlaylistEntry>& entries, const std::function<void(MediaInfo&)>& change = {})
    {
        return expect([&](MediaInfo& m) {
            m.isPlaylist = true;
            m.playlistTitle = m.title;
            m.entries = entries;
            if (change)
                change(m);
        });
    }

    // JSON written with apostrophes for quotes, which keeps the tables readable.
    static QByteArray json(const char* text) { return QByteArray(text).replace('\'', '"'); }
    static MediaInfo parseText(const QByteArray& text) { return FormatManager::parse(QJsonDocument::fromJson(text).object(), queried); }

    static QStringList ids(const QList<FormatInfo>& formats)
    {
        QStringList result;
        for (const FormatInfo& format : formats)
            result << format.id;
        return result;
    }

private slots:
    void readingRules_data()
    {
        QTest::addColumn<QByteArray>("document");
        QTest::addColumn<MediaInfo>("expected");
        using M = MediaInfo&;
        const QList<PlaylistEntry> twoItems { { 1, u"Item 1"_s, {}, {} }, { 2, u"Item 2"_s, {}, {} } };
        QTest::newRow("ill-typed values") << json("{'id': 7, 'title': null, 'duration': '61', 'webpage_url': 3, 'subtitles': [], 'formats': {}}") << expect();
        QTest::newRow("present null uploader decides") << json("{'uploader': null, 'channel': 'C'}") << expect();
        QTest::newRow("channel when no uploader") << json("{'channel': 'C', 'uploader_id': 'u'}") << expect([](M m) { m.uploader = u"C"_s; });
        QTest::newRow("present null extractor key decides") << json("{'extractor_key': null, 'extractor': 'generic'}") << expect();
        QTest::newRow("thumbnail string") << json("{'thumbnail': 'https://i/t.jpg', 'thumbnails': [{'url': 'https://i/o.jpg'}]}") << expect([](M m) { m.thumbnail = QUrl(u"https://i/t.jpg"_s); });
        QTest::newRow("thumbnail that is no URL") << json("{'thumbnail': 'not a link', 'thumbnails': [{'url': 'https://i/t.jpg'}]}") << expect();
        QTest::newRow("last of thumbnails") << json("{'thumbnail': null, 'thumbnails': [{'url': 'https://i/1.jpg'}, {'url': 'https://i/2.jpg'}]}") << expect([](M m) { m.thumbnail = QUrl(u"https://i/2.jpg"_s); });
        QTest::newRow("thumbnails with a non-object") << json("{'thumbnails': ['https://i/1.jpg', {'url': 'https://i/2.jpg'}]}") << expect();
        QTest::newRow("entries without type") << json("{'title': 'P', 'entries': [{'title': 'a', 'url': 'https://e/1', 'duration': 2.5}, {}]}") << expectPlaylist({ { 1, u"a"_s, u"https://e/1"_s, 2.5 }, { 2, u"Item 2"_s, {}, {} } }, [](M m) { m.title = m.playlistTitle = u"P"_s; });
        QTest::newRow("entry url: present null decides, else webpage_url") << json("{'entries': [{'url': null, 'webpage_url': 'https://w/1'}, {'webpage_url': 'https://w/2'}]}") << expectPlaylist({ { 1, u"Item 1"_s, {}, {} }, { 2, u"Item 2"_s, u"https://w/2"_s, {} } });
        QTest::newRow("entries with a non-object") << json("{'_type': 'playlist', 'entries': [null, {'title': 'x'}]}") << expectPlaylist({});
        QTest::newRow("playlist takes uploader and thumbnail from its first entry") << json("{'_type': 'playlist', 'uploader': null, 'entries': [{'uploader': null, 'channel': 'Ch', 'thumbnails': [{'url': 'https://i/1.jpg'}, {'url': 'https://i/2.jpg'}]}, {'uploader': 'X'}]}") << expectPlaylist(twoItems, [](M m) { m.uploader = u"Ch"_s; m.thumbnail = QUrl(u"https://i/2.jpg"_s); });
        QTest::newRow("playlist keeps its own uploader") << json("{'_type': 'playlist', 'channel': 'Own', 'entries': [{'uploader': 'Other'}]}") << expectPlaylist({ twoItems.first() }, [](M m) { m.uploader = u"Own"_s; });
        QTest::newRow("subtitle and caption languages") << json("{'subtitles': {'fr': [], 'de': []}, 'automatic_captions': {'en': [], 'en-US': [], 'en-orig': [], 'de': [], 'de-en': []}}") << expect([](M m) { m.subtitleLangs = { u"de"_s, u"fr"_s }; m.autoCaptionLangs = { u"de"_s, u"en"_s, u"en-orig"_s }; });
    }

    void readingRules()
    {
        QFETCH(QByteArray, document);
        QFETCH(MediaInfo, expected);
        QVERIFY(QJsonDocument::fromJson(document).isObject());
        QCOMPARE(parseText(document), expected);
    }

    void formatReading_data()
    {
        QTest::addColumn<QByteArray>("document");
        QTest::addColumn<std::optional<FormatInfo>>("expected"); // absent: only the label is checked
        QTest::addColumn<QString>("label");
        const std::optional<FormatInfo> any;
        QTest::newRow("every field") << json("{'format_id': '137', 'ext': 'mp4', 'height': 1080, 'width': 1920, 'fps': 29.97, 'vcodec': 'avc1.640028', 'acodec': 'none', 'filesize': 123456789012, 'tbr': 4400.5, 'format_note': '1080p', 'protocol': 'https'}")
                                     << std::optional(FormatInfo { u"137"_s, u"mp4"_s, 1080, 1920, 29.97, u"avc1.640028"_s, u"none"_s, 123456789012, 4400.5, u"1080p"_s, u"https"_s }) << u"137 · mp4 · 1080p · avc1 · 123.46 GB · 1080p"_s;
        QTest::newRow("fractional numbers, approximate size") << json("{'height': 720.0, 'width': 1279.9, 'filesize_approx': 1024.7}") << std::optional(FormatInfo { u"?"_s, {}, 720, 1279, {}, u"none"_s, u"none"_s, 1024, {}, {}, {} }) << u"? ·  · 720p · 1 KB"_s;
        QTest::newRow("present null filesize decides") << json("{'filesize': null, 'filesize_approx': 5000}") << std::optional(FormatInfo {}) << u"? · "_s;
        QTest::newRow("ill-typed or out of range") << json("{'format_id': 5, 'vcodec': null, 'acodec': 3, 'height': '1080', 'width': 1e12, 'fps': '60', 'filesize': 1e300, 'tbr': null}") << std::optional(FormatInfo {}) << u"? · "_s;
        QTest::newRow("high frame rate") << json("{'format_id': '299', 'ext': 'mp4', 'height': 1080, 'fps': 59.94, 'vcodec': 'avc1.64002a'}") << any << u"299 · mp4 · 1080p59 · avc1"_s;
        QTest::newRow("30 fps and a video's bit rate not shown") << json("{'format_id': '22', 'ext': 'mp4', 'height': 720, 'fps': 30, 'vcodec': 'avc1.64001F', 'acodec': 'mp4a.40.2', 'tbr': 1500}") << any << u"22 · mp4 · 720p · avc1 · mp4a"_s;
        QTest::newRow("audio bit rate, size and note") << json("{'format_id': '140', 'ext': 'm4a', 'acodec': 'mp4a.40.2', 'vcodec': '', 'filesize': 12300000, 'tbr': 129.9, 'format_note': 'medium'}") << any << u"140 · m4a · mp4a · 129 kbps · 12.3 MB · medium"_s;
        QTest::newRow("zero size") << json("{'format_id': 'x', 'ext': 'webm', 'filesize': 0}") << any << u"x · webm · —"_s;
        QTest::newRow("codec pieces") << json("{'format_id': 'y', 'ext': 'webm', 'vcodec': '.vp9.0', 'acodec': '...'}") << any << u"y · webm · vp9 · ..."_s;
        QTest::newRow("absurd frame rate") << json("{'format_id': 'w', 'ext': 'mp4', 'height': 240, 'fps': 1e12}") << any << u"w · mp4 · 240p1000000000000"_s;
    }

    void formatReading()
    {
        QFETCH(QByteArray, document);
        QFETCH(std::optional<FormatInfo>, expected);
        QFETCH(QString, label);
        const MediaInfo info = parseText("{\"formats\": [" + document + "]}");
        QCOMPARE(info.formats.size(), 1);
        if (expected)
            QCOMPARE(info.formats.first(), *expected);
        QCOMPARE(info.formats.first().label(), label);
    }

    void derivedLists()
    {
        const MediaInfo info = parseText(json("{'formats': ["
            "{'format_id': 'noheight', 'vcodec': 'avc1', 'tbr': 9000}, {'format_id': 'sb0', 'vcodec': 'avc1', 'height': 90, 'format_note': 'StoryBoard'},"
            "{'format_id': 'low', 'vcodec': 'avc1', 'height': 1080, 'tbr': 2000}, {'format_id': 'a1', 'acodec': 'mp4a.40.2'},"
            "{'format_id': 'mhtml', 'ext': 'mhtml', 'vcodec': 'avc1', 'height': 2000}, {'format_id': 'high', 'vcodec': 'avc1', 'height': 1080, 'tbr': 4000},"
            "{'format_id': 'a2', 'acodec': 'opus', 'tbr': 128}, {'format_id': '18', 'vcodec': 'avc1', 'acodec': 'mp4a', 'height': 360},"
            "{'format_id': 'a3', 'acodec': 'opus', 'tbr': 128}, {'format_id': 'a4', 'vcodec': '', 'acodec': 'opus', 'tbr': 160},"
            "{'format_id': 'tie', 'vcodec': 'avc1', 'height': 1080, 'tbr': 2000}, {'format_id': 'nothing'}]}"));
        QCOMPARE(ids(info.videoFormats()), (QStringList { u"high"_s, u"low"_s, u"tie"_s, u"18"_s, u"noheight"_s }));
        QCOMPARE(ids(info.audioFormats()), (QStringList { u"a4"_s, u"a2"_s, u"a3"_s, u"a1"_s }));
        QCOMPARE(info.heights(), (QList<int> { 1080, 360 }));
    }

    void selection_data()
    {
        QTest::addColumn<Preset>("preset");
        QTest::addColumn<bool>("compatible");
        QTest::addColumn<std::optional<QString>>("videoID");
        QTest::addColumn<std::optional<QString>>("audioID");
        QTest::addColumn<Selection>("expected");
        const std::optional<QString> none;
        const std::optional<QString> compatSort = u"res,vcodec:h264,acodec:aac"_s;
        QTest::newRow("best") << Preset::best << false << none << none << Selection { u"bv*+ba/b"_s, {}, false };
        QTest::newRow("best compatible") << Preset::best << true << none << none << Selection { u"bv*+ba/b"_s, compatSort, false };
        QTest::newRow("4K") << Preset::uhd << true << none << none << Selection { u"bv*[height<=2160]+ba/b[height<=2160]/bv*+ba/b"_s, compatSort, false };
        QTest::newRow("1080p") << Preset::hd1080 << false << none << none << Selection { u"bv*[height<=1080]+ba/b[height<=1080]/bv*+ba/b"_s, {}, false };
        QTest::newRow("720p") << Preset::hd720 << false << none << none << Selection { u"bv*[height<=720]+ba/b[height<=720]/bv*+ba/b"_s, {}, false };
        QTest::newRow("audio ignores compatibility") << Preset::audio << true << none << none << Selection { u"ba/b"_s, {}, true };
        QTest::newRow("custom auto, none") << Preset::custom << true << std::optional(u"auto"_s) << std::optional(u"none"_s) << Selection { u"bv*+ba/b"_s, {}, false };
        QTest::newRow("custom absent") << Preset::custom << false << none << none << Selection { u"bv*+ba/b"_s, {}, false };
        QTest::newRow("custom video, auto") << Preset::custom << false << std::optional(u"137"_s) << std::optional(u"auto"_s) << Selection { u"137"_s, {}, false };
        QTest::newRow("custom video and audio") << Preset::custom << true << std::optional(u"137"_s) << std::optional(u"140"_s) << Selection { u"137+140"_s, {}, false };
        QTest::newRow("custom audio only") << Preset::custom << false << std::optional(u"auto"_s) << std::optional(u"140"_s) << Selection { u"140"_s, {}, true };
    }

    void selection()
    {
        QFETCH(Preset, preset);
        QFETCH(bool, compatible);
        QFETCH(std::optional<QString>, videoID);
        QFETCH(std::optional<QString>, audioID);
        QFETCH(Selection, expected);
        QCOMPARE(FormatManager::selection(preset, compatible, videoID, audioID), expected);
    }
};

QTEST_GUILESS_MAIN(FormatManagerTest)
#include "tst_formatmanager.moc"
