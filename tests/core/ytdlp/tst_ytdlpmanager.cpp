#include "AppPaths.h"
#include "PlaylistManager.h"
#include "SettingsStore.h"
#include "TestSupport.h"
#include "YTDLPManager.h"

#include <QDir>
#include <QFile>
#include <QTest>

using Args = QStringList;
using Items = QSet<int>;
using OptionalString = std::optional<QString>;

class TestYTDLPManager : public QObject {
    Q_OBJECT

    static inline const Args markers { "--newline", "--progress", "--continue", "--progress-template",
        "download:KWPROG|%(progress.downloaded_bytes)s|%(progress.total_bytes)s|%(progress.total_bytes_estimate)s|%(progress.speed)s|%(progress.eta)s|%(progress.filename)s",
        "--progress-template", "postprocess:KWPP|%(progress.postprocessor)s|%(progress.status)s", "--print",
        "before_dl:KWITEM|%(playlist_index|1)s|%(playlist_count|1)s|%(title)s", "--print", "after_move:KWFILE|%(filepath)s", "--no-simulate" };

    static inline const Args timeout30 { "--socket-timeout", "30" };

    static DownloadOptions video()
    {
        return DownloadOptions { .url = QStringLiteral("https://www.youtube.com/watch?v=dQw4w9WgXcQ"), .formatSelector = QStringLiteral("bv*[height<=1080]+ba/b[height<=1080]"),
            .formatSort = QStringLiteral("vcodec:h264,acodec:m4a"), .audioFormat = QStringLiteral("mp3"), .container = QStringLiteral("mp4"),
            .folder = QStringLiteral("/home/ann/Downloads"), .outputTemplate = QStringLiteral("%(title)s [%(id)s].%(ext)s") };
    }

    QString tools() { return AppPaths::sub(QStringLiteral("Tools")); }
    QString denoPath() { return QDir(tools()).filePath(QStringLiteral("deno")); }
    // The fixed head every vector starts with when deno is absent and remote components are off.
    Args head() { return { "--ignore-config", "--no-colors", "--ffmpeg-location", tools(), "--cache-dir", AppPaths::sub(QStringLiteral("Cache/yt-dlp")) }; }

private slots:
    void init()
    {
        SettingsStore::registerDefaults();
        SettingsStore::set(QStringLiteral("remoteEJS"), false);
        QFile::remove(denoPath());
    }

    void baseArguments_data()
    {
        QTest::addColumn<NetworkOptions>("net");
        QTest::addColumn<bool>("remoteEJS");
        QTest::addColumn<QByteArray>("deno"); // what the tools folder holds as deno; empty: nothing
        QTest::addColumn<Args>("tail"); // what follows the fixed head
        const NetworkOptions defaults;
        const Args remote { "--remote-components", "ejs:github" };
        QTest::newRow("defaults") << defaults << false << QByteArray() << timeout30;
        QTest::newRow("remote components") << defaults << true << QByteArray() << remote + timeout30;
        QTest::newRow("deno installed") << defaults << true << QByteArray("#!/bin/sh\n") << Args { "--js-runtimes", "deno:" + denoPath() } + remote + timeout30;
        QTest::newRow("deno that is not executable") << defaults << false << QByteArray("plain") << timeout30;
        // Every network option: the download vectors below.
        QTest::newRow("empty cookies browser, no timeout") << NetworkOptions { .cookiesBrowser = QString(), .timeout = 0 } << false << QByteArray() << Args {};
    }

    void baseArguments()
    {
        QFETCH(NetworkOptions, net);
        QFETCH(bool, remoteEJS);
        QFETCH(QByteArray, deno);
        QFETCH(Args, tail);
        SettingsStore::set(QStringLiteral("remoteEJS"), remoteEJS);
        if (deno.startsWith("#!"))
            QVERIFY(!TestSupport::writeScript(denoPath(), deno).isEmpty());
        else if (!deno.isEmpty())
            QVERIFY(TestSupport::writeFile(denoPath(), deno));
        QCOMPARE(YTDLPManager::baseArguments(net), head() + tail);
    }

    void downloadArguments_data()
    {
        QTest::addColumn<DownloadOptions>("options");
        QTest::addColumn<Args>("network"); // the network part of the base arguments
        QTest::addColumn<Args>("expected"); // everything after the markers
        DownloadOptions subs = video();
        subs.embedMetadata = subs.embedThumbnail = subs.subtitles = subs.autoSubs = subs.embedSubs = true;
        subs.subLangs = QStringLiteral("en.*,de");
        QTest::newRow("single video, subtitles embedded") << subs << timeout30
            << Args { "--retries", "10", "--fragment-retries", "10", "--concurrent-fragments", "4", "-f", "bv*[height<=1080]+ba/b[height<=1080]", "-S", "vcodec:h264,acodec:m4a",
                   "--merge-output-format", "mp4", "-P", "/home/ann/Downloads", "-o", "%(title)s [%(id)s].%(ext)s", "--windows-filenames", "--trim-filenames", "180",
                   "--no-playlist", "--embed-metadata", "--embed-thumbnail", "--convert-thumbnails", "jpg", "--write-subs", "--sub-langs", "en.*,de", "--write-auto-subs",
                   "--embed-subs", "--", "https://www.youtube.com/watch?v=dQw4w9WgXcQ" };
        DownloadOptions audio = video();
        audio.url = QStringLiteral("https://www.youtube.com/playlist?list=PL123");
        audio.isPlaylist = audio.audioOnly = audio.subtitles = true;
        audio.embedSubs = true; // an audio file cannot hold them
        audio.playlistItems = QStringLiteral("1-3,5,7-8");
        audio.formatSelector = QStringLiteral("ba/b");
        audio.formatSort = std::nullopt;
        audio.outputTemplate = YTDLPManager::playlistOutputTemplate(QStringLiteral("%(title)s.%(ext)s"), true);
        audio.network = NetworkOptions { .rateLimit = QStringLiteral("500K"), .retries = 3, .fragments = 1 };
        QTest::newRow("audio-only playlist with item list") << audio << timeout30
            << Args { "--retries", "3", "--fragment-retries", "3", "--concurrent-fragments", "1", "--limit-rate", "500K", "-f", "ba/b", "-x", "--audio-format", "mp3",
                   "--audio-quality", "0", "-P", "/home/ann/Downloads", "-o", "%(playlist_title|Playlist)s/%(playlist_index)03d - %(title)s.%(ext)s", "--windows-filenames",
                   "--trim-filenames", "180", "--yes-playlist", "--playlist-items", "1-3,5,7-8", "--write-subs", "--sub-langs", "en.*", "--convert-subs", "srt", "--",
                   "https://www.youtube.com/playlist?list=PL123" };
        DownloadOptions whole = audio;
        whole.playlistItems = whole.formatSelector = QString();
        whole.subtitles = false;
        whole.network.rateLimit.clear();
        whole.outputTemplate = YTDLPManager::playlistOutputTemplate(QStringLiteral("%(title)s.%(ext)s"), false);
        QTest::newRow("whole playlist, empty selector and item list") << whole << timeout30
            << Args { "--retries", "3", "--fragment-retries", "3", "--concurrent-fragments", "1", "-x", "--audio-format", "mp3", "--audio-quality", "0", "-P",
                   "/home/ann/Downloads", "-o", "%(playlist_title|Playlist)s/%(title)s.%(ext)s", "--windows-filenames", "--trim-filenames", "180",
                   "--yes-playlist", "--", "https://www.youtube.com/playlist?list=PL123" };
        DownloadOptions network = video();
        network.formatSelector = network.formatSort = std::nullopt;
        network.container.clear();
        network.outputTemplate.clear();
        network.autoSubs = network.embedSubs = true; // nothing without subtitles
        network.network = { QStringLiteral("chromium"), QStringLiteral("Klipwell/1.0"), QStringLiteral("http://proxy.local:3128"), QStringLiteral("1.5M"), 0, 16, 300, QString() };
        QTest::newRow("every network option, empty template") << network
            << Args { "--cookies-from-browser", "chromium", "--user-agent", "Klipwell/1.0", "--proxy", "http://proxy.local:3128", "--socket-timeout", "300" }
            << Args { "--retries", "0", "--fragment-retries", "0", "--concurrent-fragments", "16", "--limit-rate", "1.5M", "-P", "/home/ann/Downloads", "-o", "",
                   "--windows-filenames", "--trim-filenames", "180", "--no-playlist", "--", "https://www.youtube.com/watch?v=dQw4w9WgXcQ" };
        DownloadOptions extra = network;
        extra.network = NetworkOptions();
        extra.network.extraArgs = QStringLiteral("--postprocessor-args \"ffmpeg:-metadata comment=\\\"my clip\\\"\" -o 'C:\\tmp\\%(id)s'  --no-part a\\ b");
        extra.url = QStringLiteral("-leading-dash");
        QTest::newRow("extra arguments with quotes and backslashes, link starting with a dash") << extra << timeout30
            << Args { "--retries", "10", "--fragment-retries", "10", "--concurrent-fragments", "4", "-P", "/home/ann/Downloads", "-o", "", "--windows-filenames",
                   "--trim-filenames", "180", "--no-playlist", "--postprocessor-args", "ffmpeg:-metadata comment=\"my clip\"", "-o", R"(C:\tmp\%(id)s)", "--no-part", "a b",
                   "--", "-leading-dash" };
    }

    void downloadArguments()
    {
        QFETCH(DownloadOptions, options);
        QFETCH(Args, network);
        QFETCH(Args, expected);
        QCOMPARE(YTDLPManager::downloadArguments(options), head() + network + markers + expected);
    }

    void splitArguments_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<Args>("expected");
        QTest::newRow("only whitespace") << " \t\n\r  " << Args {};
        QTest::newRow("unicode whitespace") << QString::fromUtf8("a\u00a0b\u2003c\u3000d") << Args { "a", "b", "c", "d" };
        QTest::newRow("escaped quotes and backslash") << "\\\"a\\' \\\\" << Args { "\"a'", R"(\)" };
        QTest::newRow("trailing backslash dropped") << R"(abc\)" << Args { "abc" };
        // An empty argument would reach yt-dlp as a second link.
        QTest::newRow("lone trailing backslash adds nothing") << R"(\)" << Args {};
        QTest::newRow("trailing backslash after a blank") << R"(-q \)" << Args { "-q" };
        QTest::newRow("empty quotes between words") << R"(a '' b)" << Args { "a", "", "b" };
        QTest::newRow("quotes in the middle are removed") << "ab\"c d\"e'f g'" << Args { "abc def g" };
        QTest::newRow("backslash literal in single quotes") << R"('a\b\' c)" << Args { R"(a\b\)", "c" };
        QTest::newRow("backslash escapes inside double quotes") << "\"a\\\"b\\\\c\\d\"" << Args { "a\"b\\cd" };
        QTest::newRow("other quote kind inside quotes") << "\"it's\" 'say \"hi\"'" << Args { "it's", "say \"hi\"" };
        QTest::newRow("unterminated double quote") << "-o \"my file" << Args { "-o", "my file" };
        QTest::newRow("unterminated single quote right away") << R"(x ')" << Args { "x", "" };
        QTest::newRow("escaped character outside the basic plane") << QString::fromUtf8("\\\U0001F600x") << Args { QString::fromUtf8("\U0001F600x") };
        QTest::newRow("replacement characters") << QString::fromUtf8("\uFFFD \"\uFFFD") << Args { QString::fromUtf8("\uFFFD"), QString::fromUtf8("\uFFFD") };
        QTest::newRow("1 MB word") << QString(1 << 20, u'x') << Args { QString(1 << 20, u'x') };
    }

    void splitArguments()
    {
        QFETCH(QString, text);
        QFETCH(Args, expected);
        QCOMPARE(::splitArguments(text), expected);
    }

    void splitArgumentsOfHugeText() { QVERIFY(!::splitArguments(QStringLiteral("ab\\ c \"").repeated(100000)).isEmpty()); }

    void itemsString_data()
    {
        QTest::addColumn<Items>("selected");
        QTest::addColumn<int>("total");
        QTest::addColumn<OptionalString>("expected");
        QTest::newRow("runs and singles") << Items { 8, 1, 5, 3, 2, 7 } << 10 << OptionalString("1-3,5,7-8");
        QTest::newRow("all selected") << Items { 1, 2 } << 2 << OptionalString();
        QTest::newRow("none selected") << Items {} << 5 << OptionalString();
        QTest::newRow("positions beyond total kept") << Items { 1, 12 } << 10 << OptionalString("1,12");
        QTest::newRow("largest int") << Items { INT_MAX - 1, INT_MAX, 1 } << 0 << OptionalString("1,2147483646-2147483647");
    }

    void itemsString()
    {
        QFETCH(Items, selected);
        QFETCH(int, total);
        QFETCH(OptionalString, expected);
        QCOMPARE(PlaylistManager::itemsString(selected, total), expected);
    }
};

QTEST_GUILESS_MAIN(TestYTDLPManager)
#include "tst_ytdlpmanager.moc"
