#include "FormatManager.h"
#include "TestSupport.h"

#include <QFile>
#include <QJsonDocument>
#include <QTest>

#include <functional>

using namespace Qt::StringLiterals;

Q_DECLARE_METATYPE(MediaInfo)
Q_DECLARE_METATYPE(FormatInfo)
Q_DECLARE_METATYPE(Selection)

namespace {

const QString queried = u"https://example.com/watch?v=1"_s;

// JSON written with apostrophes for quotes, which keeps the tables readable.
QByteArray json(const char* text)
{
    return QByteArray(text).replace('\'', '"');
}

MediaInfo parseText(const QByteArray& text)
{
    return FormatManager::parse(QJsonDocument::fromJson(text).object(), queried);
}

MediaInfo parseDocument(const QString& name)
{
    QFile file(TestSupport::dataPath(u"ytdlp/"_s + name));
    if (!file.open(QIODevice::ReadOnly))
        qFatal("missing test document %s", qPrintable(name));
    return FormatManager::parse(QJsonDocument::fromJson(file.readAll()).object(), queried);
}

QStringList ids(const QList<FormatInfo>& formats)
{
    QStringList result;
    for (const FormatInfo& format : formats)
        result << format.id;
    return result;
}

QStringList labels(const QList<FormatInfo>& formats)
{
    QStringList result;
    for (const FormatInfo& format : formats)
        result << format.label();
    return result;
}

// The parse result of an object without any key, changed as a case needs.
MediaInfo expect(const std::function<void(MediaInfo&)>& change = {})
{
    MediaInfo info;
    info.webpageURL = queried;
    if (change)
        change(info);
    return info;
}

FormatInfo format(const std::function<void(FormatInfo&)>& change)
{
    FormatInfo result;
    change(result);
    return result;
}

FormatInfo video(const QString& id, std::optional<int> height, std::optional<double> tbr)
{
    return format([&](FormatInfo& f) {
        f.id = id;
        f.ext = u"mp4"_s;
        f.height = height;
        f.vcodec = u"avc1"_s;
        f.tbr = tbr;
    });
}

FormatInfo audio(const QString& id, std::optional<double> tbr)
{
    return format([&](FormatInfo& f) {
        f.id = id;
        f.ext = u"m4a"_s;
        f.acodec = u"mp4a.40.2"_s;
        f.tbr = tbr;
    });
}

} // namespace

class FormatManagerTest : public QObject {
    Q_OBJECT

private slots:
    // Documents the installed yt-dlp wrote about the shared test media.
    void directVideo()
    {
        const MediaInfo info = parseDocument(u"direct.json"_s);
        QCOMPARE(info.title, u"clip"_s);
        QCOMPARE(info.extractor, u"Generic"_s);
        QVERIFY(info.webpageURL.endsWith(u"/media/clip.mp4"_s));
        QVERIFY(!info.isPlaylist);
        QCOMPARE(ids(info.formats), QStringList { u"mp4"_s });
        QCOMPARE(info.formats.first().height, std::nullopt);
        // yt-dlp names no codecs for a plain file, so it offers no choice in either list.
        QVERIFY(info.videoFormats().isEmpty());
        QVERIFY(info.audioFormats().isEmpty());
        QVERIFY(info.heights().isEmpty());
    }

    void hlsMaster()
    {
        const MediaInfo info = parseDocument(u"hls.json"_s);
        QCOMPARE(info.title, u"master"_s);
        QCOMPARE(info.heights(), (QList<int> { 1080, 720, 480 }));
        QCOMPARE(labels(info.videoFormats()),
            (QStringList { u"4540 · mp4 · 1080p · avc1"_s, u"2200 · mp4 · 720p60 · avc1"_s,
                u"900 · mp4 · 480p · avc1"_s }));
        QCOMPARE(labels(info.audioFormats()), QStringList { u"128 · mp4 · mp4a · 128 kbps"_s });
        QCOMPARE(info.formats.first().proto, u"m3u8_native"_s);
    }

    void twoVideoPage()
    {
        const MediaInfo info = parseDocument(u"page.json"_s);
        QVERIFY(info.isPlaylist);
        QCOMPARE(info.playlistTitle, u"Two clips"_s);
        QCOMPARE(info.entries.size(), 2);
        QCOMPARE(info.entries[0].id, 1);
        QCOMPARE(info.entries[0].title, u"Two clips (1)"_s);
        QVERIFY(info.entries[0].url.value_or(QString()).endsWith(u"/media/clip.mp4"_s));
        QCOMPARE(info.entries[1].id, 2);
        QVERIFY(info.entries[1].url.value_or(QString()).endsWith(u"/media/clip2.mp4"_s));
    }

    void readingRules_data()
    {
        QTest::addColumn<QByteArray>("document");
        QTest::addColumn<MediaInfo>("expected");

        QTest::newRow("empty object") << json("{}") << expect();
        QTest::newRow("ill-typed values") << json(
            "{'id': 7, 'title': null, 'duration': '61', 'webpage_url': 3, 'subtitles': [], 'formats': {}}")
                                          << expect();
        QTest::newRow("plain values")
            << json("{'id': 'a', 'title': 'T', 'duration': 61, 'webpage_url': 'https://w/x'}")
            << expect([](MediaInfo& m) {
                   m.id = u"a"_s;
                   m.title = u"T"_s;
                   m.duration = 61.0;
                   m.webpageURL = u"https://w/x"_s;
               });
        QTest::newRow("present null uploader decides")
            << json("{'uploader': null, 'channel': 'C'}") << expect();
        QTest::newRow("channel when no uploader") << json("{'channel': 'C', 'uploader_id': 'u'}")
                                                  << expect([](MediaInfo& m) { m.uploader = u"C"_s; });
        QTest::newRow("uploader id last")
            << json("{'uploader_id': 'u'}") << expect([](MediaInfo& m) { m.uploader = u"u"_s; });
        QTest::newRow("present null extractor key decides")
            << json("{'extractor_key': null, 'extractor': 'generic'}") << expect();
        QTest::newRow("extractor when no key")
            << json("{'extractor': 'generic'}") << expect([](MediaInfo& m) { m.extractor = u"generic"_s; });
        QTest::newRow("thumbnail string")
            << json("{'thumbnail': 'https://i/t.jpg', 'thumbnails': [{'url': 'https://i/other.jpg'}]}")
            << expect([](MediaInfo& m) { m.thumbnail = QUrl(u"https://i/t.jpg"_s); });
        QTest::newRow("thumbnail that is no URL")
            << json("{'thumbnail': 'not a link', 'thumbnails': [{'url': 'https://i/t.jpg'}]}") << expect();
        QTest::newRow("last of thumbnails") << json(
            "{'thumbnail': null, 'thumbnails': [{'url': 'https://i/1.jpg'}, {'url': 'https://i/2.jpg'}]}")
                                            << expect([](MediaInfo& m) {
                                                   m.thumbnail = QUrl(u"https://i/2.jpg"_s);
                                               });
        QTest::newRow("thumbnails with a non-object")
            << json("{'thumbnails': ['https://i/1.jpg', {'url': 'https://i/2.jpg'}]}") << expect();
        QTest::newRow("entries without type")
            << json("{'title': 'P', 'entries': [{'title': 'a', 'url': 'https://e/1', 'duration': 2.5}, {}]}")
            << expect([](MediaInfo& m) {
                   m.title = m.playlistTitle = u"P"_s;
                   m.isPlaylist = true;
                   m.entries = { { 1, u"a"_s, u"https://e/1"_s, 2.5 }, { 2, u"Item 2"_s, {}, {} } };
               });
        QTest::newRow("entry url: present null decides, else webpage_url")
            << json("{'entries': [{'url': null, 'webpage_url': 'https://w/1'}, {'webpage_url': "
                    "'https://w/2'}]}")
            << expect([](MediaInfo& m) {
                   m.isPlaylist = true;
                   m.playlistTitle = u"Untitled"_s;
                   m.entries = { { 1, u"Item 1"_s, {}, {} }, { 2, u"Item 2"_s, u"https://w/2"_s, {} } };
               });
        QTest::newRow("null entries still a playlist")
            << json("{'entries': null}") << expect([](MediaInfo& m) {
                   m.isPlaylist = true;
                   m.playlistTitle = u"Untitled"_s;
               });
        QTest::newRow("entries with a non-object")
            << json("{'_type': 'playlist', 'entries': [null, {'title': 'x'}]}") << expect([](MediaInfo& m) {
                   m.isPlaylist = true;
                   m.playlistTitle = u"Untitled"_s;
               });
        QTest::newRow("playlist takes uploader and thumbnail from its first entry") << json(
            "{'_type': 'playlist', 'uploader': null, 'entries': [ {'uploader': null, 'channel': 'Ch', "
            "'thumbnails': [{'url': 'https://i/1.jpg'}, {'url': 'https://i/2.jpg'}]}, {'uploader': "
            "'Other'}]}") << expect([](MediaInfo& m) {
            m.uploader = u"Ch"_s;
            m.thumbnail = QUrl(u"https://i/2.jpg"_s);
            m.isPlaylist = true;
            m.playlistTitle = u"Untitled"_s;
            m.entries = { { 1, u"Item 1"_s, {}, {} }, { 2, u"Item 2"_s, {}, {} } };
        });
        QTest::newRow("playlist keeps its own uploader")
            << json("{'_type': 'playlist', 'channel': 'Own', 'entries': [{'uploader': 'Other'}]}")
            << expect([](MediaInfo& m) {
                   m.uploader = u"Own"_s;
                   m.isPlaylist = true;
                   m.playlistTitle = u"Untitled"_s;
                   m.entries = { { 1, u"Item 1"_s, {}, {} } };
               });
        QTest::newRow("video type without entries") << json("{'_type': 'video'}") << expect();
        QTest::newRow("subtitle and caption languages") << json(
            "{'subtitles': {'fr': [], 'de': []}, 'automatic_captions': {'en': [], 'en-US': [], 'en-orig': "
            "[], 'de': [], 'de-en': []}}") << expect([](MediaInfo& m) {
            m.subtitleLangs = { u"de"_s, u"fr"_s };
            m.autoCaptionLangs = { u"de"_s, u"en"_s, u"en-orig"_s };
        });
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
        QTest::addColumn<FormatInfo>("expected");

        QTest::newRow("defaults") << json("{}") << FormatInfo {};
        QTest::newRow("every field") << json(
            "{'format_id': '137', 'ext': 'mp4', 'height': 1080, 'width': 1920, 'fps': 29.97, 'vcodec': "
            "'avc1.640028', 'acodec': 'none', 'filesize': 123456789012, 'tbr': 4400.5, 'format_note': "
            "'1080p', 'protocol': 'https'}")
                                     << FormatInfo { u"137"_s, u"mp4"_s, 1080, 1920, 29.97, u"avc1.640028"_s,
                                            u"none"_s, 123456789012, 4400.5, u"1080p"_s, u"https"_s };
        QTest::newRow("fractional numbers")
            << json("{'height': 720.0, 'width': 1279.9, 'filesize_approx': 1024.7}")
            << format([](FormatInfo& f) {
                   f.height = 720;
                   f.width = 1279;
                   f.filesize = 1024;
               });
        QTest::newRow("present null filesize decides")
            << json("{'filesize': null, 'filesize_approx': 5000}") << FormatInfo {};
        QTest::newRow("numbers as text or out of range")
            << json("{'height': '1080', 'width': 1e12, 'fps': '60', 'filesize': 1e300, 'tbr': null}")
            << FormatInfo {};
        QTest::newRow("codecs of another type")
            << json("{'vcodec': null, 'acodec': 3, 'format_id': 5}") << FormatInfo {};
    }

    void formatReading()
    {
        QFETCH(QByteArray, document);
        QFETCH(FormatInfo, expected);
        const MediaInfo info = parseText("{\"formats\": [" + document + "]}");
        QCOMPARE(info.formats.size(), 1);
        QCOMPARE(info.formats.first(), expected);
    }

    void derivedLists()
    {
        FormatInfo storyboard = video(u"sb0"_s, 90, 0);
        storyboard.note = u"StoryBoard"_s;
        FormatInfo page = video(u"mhtml"_s, 2000, 0);
        page.ext = u"mhtml"_s;
        FormatInfo muxed = video(u"18"_s, 360, 500);
        muxed.acodec = u"mp4a.40.2"_s;
        FormatInfo emptyCodec = audio(u"opus"_s, 160);
        emptyCodec.vcodec = QString();

        MediaInfo info;
        info.formats = { video(u"noheight"_s, {}, 9000), storyboard, video(u"low"_s, 1080, 2000),
            audio(u"a1"_s, {}), page, video(u"high"_s, 1080, 4000), audio(u"a2"_s, 128), muxed,
            audio(u"a3"_s, 128), emptyCodec, video(u"tie"_s, 1080, 2000),
            format([](FormatInfo& f) { f.id = u"nothing"_s; }) };

        QCOMPARE(ids(info.videoFormats()),
            (QStringList { u"high"_s, u"low"_s, u"tie"_s, u"18"_s, u"noheight"_s }));
        QCOMPARE(ids(info.audioFormats()), (QStringList { u"opus"_s, u"a2"_s, u"a3"_s, u"a1"_s }));
        QCOMPARE(info.heights(), (QList<int> { 1080, 360 }));
    }

    void label_data()
    {
        QTest::addColumn<FormatInfo>("format");
        QTest::addColumn<QString>("expected");

        QTest::newRow("high frame rate") << format([](FormatInfo& f) {
            f.id = u"299"_s;
            f.ext = u"mp4"_s;
            f.height = 1080;
            f.fps = 59.94;
            f.vcodec = u"avc1.64002a"_s;
        }) << u"299 · mp4 · 1080p59 · avc1"_s;
        QTest::newRow("30 fps not shown, nor a video's bit rate") << format([](FormatInfo& f) {
            f.id = u"22"_s;
            f.ext = u"mp4"_s;
            f.height = 720;
            f.fps = 30;
            f.vcodec = u"avc1.64001F"_s;
            f.acodec = u"mp4a.40.2"_s;
            f.tbr = 1500;
        }) << u"22 · mp4 · 720p · avc1 · mp4a"_s;
        QTest::newRow("audio bit rate and size") << format([](FormatInfo& f) {
            f.id = u"140"_s;
            f.ext = u"m4a"_s;
            f.acodec = u"mp4a.40.2"_s;
            f.filesize = 12'300'000;
            f.tbr = 129.9;
            f.note = u"medium"_s;
        }) << u"140 · m4a · mp4a · 129 kbps · 12.3 MB · medium"_s;
        QTest::newRow("zero size") << format([](FormatInfo& f) {
            f.id = u"x"_s;
            f.ext = u"webm"_s;
            f.filesize = 0;
        }) << u"x · webm · —"_s;
        QTest::newRow("codec pieces") << format([](FormatInfo& f) {
            f.id = u"y"_s;
            f.ext = u"webm"_s;
            f.vcodec = u".vp9.0"_s;
            f.acodec = u"..."_s;
        }) << u"y · webm · vp9 · ..."_s;
        QTest::newRow("empty video codec counts as none") << format([](FormatInfo& f) {
            f.id = u"z"_s;
            f.ext = u"mp3"_s;
            f.vcodec = QString();
            f.acodec = u"mp3"_s;
            f.tbr = 64;
        }) << u"z · mp3 · mp3 · 64 kbps"_s;
        QTest::newRow("absurd frame rate") << format([](FormatInfo& f) {
            f.id = u"w"_s;
            f.ext = u"mp4"_s;
            f.height = 240;
            f.fps = 1e12;
        }) << u"w · mp4 · 240p1000000000000"_s;
    }

    void label()
    {
        QFETCH(FormatInfo, format);
        QFETCH(QString, expected);
        QCOMPARE(format.label(), expected);
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
        QTest::newRow("best") << Preset::best << false << none << none
                              << Selection { u"bv*+ba/b"_s, {}, false };
        QTest::newRow("best compatible")
            << Preset::best << true << none << none << Selection { u"bv*+ba/b"_s, compatSort, false };
        QTest::newRow("4K") << Preset::uhd << true << none << none
                            << Selection { u"bv*[height<=2160]+ba/b[height<=2160]/bv*+ba/b"_s, compatSort,
                                   false };
        QTest::newRow("1080p") << Preset::hd1080 << false << none << none
                               << Selection { u"bv*[height<=1080]+ba/b[height<=1080]/bv*+ba/b"_s, {}, false };
        QTest::newRow("720p") << Preset::hd720 << false << none << none
                              << Selection { u"bv*[height<=720]+ba/b[height<=720]/bv*+ba/b"_s, {}, false };
        QTest::newRow("audio ignores compatibility")
            << Preset::audio << true << none << none << Selection { u"ba/b"_s, {}, true };
        QTest::newRow("custom auto, none")
            << Preset::custom << true << std::optional(u"auto"_s) << std::optional(u"none"_s)
            << Selection { u"bv*+ba/b"_s, {}, false };
        QTest::newRow("custom absent")
            << Preset::custom << false << none << none << Selection { u"bv*+ba/b"_s, {}, false };
        QTest::newRow("custom video, auto") << Preset::custom << false << std::optional(u"137"_s)
                                            << std::optional(u"auto"_s) << Selection { u"137"_s, {}, false };
        QTest::newRow("custom video, none") << Preset::custom << false << std::optional(u"137"_s)
                                            << std::optional(u"none"_s) << Selection { u"137"_s, {}, false };
        QTest::newRow("custom video and audio")
            << Preset::custom << true << std::optional(u"137"_s) << std::optional(u"140"_s)
            << Selection { u"137+140"_s, {}, false };
        QTest::newRow("custom audio only") << Preset::custom << false << std::optional(u"auto"_s)
                                           << std::optional(u"140"_s) << Selection { u"140"_s, {}, true };
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
