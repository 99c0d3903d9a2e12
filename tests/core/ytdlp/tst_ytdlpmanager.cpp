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
Q_DECLARE_METATYPE(NetworkOptions)
Q_DECLARE_METATYPE(DownloadOptions)
Q_DECLARE_METATYPE(std::optional<QString>)

namespace {

QString tools()
{
    return AppPaths::sub(QStringLiteral("Tools"));
}

QString denoPath()
{
    return QDir(tools()).filePath(QStringLiteral("deno"));
}

// The fixed head every vector starts with when deno is absent and remote
// components are off.
Args head()
{
    return { "--ignore-config", "--no-colors", "--ffmpeg-location", tools(), "--cache-dir",
        AppPaths::sub(QStringLiteral("Cache/yt-dlp")) };
}

const Args markers {
    "--newline",
    "--progress",
    "--continue",
    "--progress-template",
    "download:KWPROG|%(progress.downloaded_bytes)s|%(progress.total_bytes)s|%(progress.total_bytes_estimate)"
    "s|"
    "%(progress.speed)s|%(progress.eta)s|%(progress.filename)s",
    "--progress-template",
    "postprocess:KWPP|%(progress.postprocessor)s|%(progress.status)s",
    "--print",
    "before_dl:KWITEM|%(playlist_index|1)s|%(playlist_count|1)s|%(title)s",
    "--print",
    "after_move:KWFILE|%(filepath)s",
    "--no-simulate",
};

DownloadOptions video()
{
    DownloadOptions o;
    o.url = QStringLiteral("https://www.youtube.com/watch?v=dQw4w9WgXcQ");
    o.title = QStringLiteral("Never Gonna Give You Up");
    o.formatSelector = QStringLiteral("bv*[height<=1080]+ba/b[height<=1080]");
    o.formatSort = QStringLiteral("vcodec:h264,acodec:m4a");
    o.container = QStringLiteral("mp4");
    o.audioFormat = QStringLiteral("mp3");
    o.folder = QStringLiteral("/home/ann/Downloads");
    o.outputTemplate = QStringLiteral("%(title)s [%(id)s].%(ext)s");
    o.presetName = QStringLiteral("1080p");
    return o;
}

} // namespace

class TestYTDLPManager : public QObject {
    Q_OBJECT

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
        QTest::addColumn<bool>("deno");
        QTest::addColumn<Args>("tail"); // what follows the fixed head

        const NetworkOptions defaults;
        QTest::newRow("defaults") << defaults << false << false << Args { "--socket-timeout", "30" };
        QTest::newRow("remote components")
            << defaults << true << false
            << Args { "--remote-components", "ejs:github", "--socket-timeout", "30" };
        QTest::newRow("deno installed")
            << defaults << true << true
            << Args { "--js-runtimes", "deno:" + denoPath(), "--remote-components", "ejs:github",
                   "--socket-timeout", "30" };

        NetworkOptions all;
        all.cookiesBrowser = QStringLiteral("firefox");
        all.userAgent = QStringLiteral("Mozilla/5.0 (X11; Linux x86_64) Gecko/20100101 Firefox/115.0");
        all.proxy = QStringLiteral("socks5://127.0.0.1:1080");
        all.rateLimit = QStringLiteral("2M"); // a download option, not a base one
        all.timeout = 120;
        QTest::newRow("every network option")
            << all << false << false
            << Args { "--cookies-from-browser", "firefox", "--user-agent", all.userAgent, "--proxy",
                   "socks5://127.0.0.1:1080", "--socket-timeout", "120" };

        NetworkOptions off;
        off.cookiesBrowser = QString();
        off.timeout = 0;
        QTest::newRow("empty cookies browser, no timeout") << off << false << false << Args {};
    }

    void baseArguments()
    {
        QFETCH(NetworkOptions, net);
        QFETCH(bool, remoteEJS);
        QFETCH(bool, deno);
        QFETCH(Args, tail);
        SettingsStore::set(QStringLiteral("remoteEJS"), remoteEJS);
        if (deno)
            QVERIFY(!TestSupport::writeScript(denoPath(), "#!/bin/sh\n").isEmpty());
        QCOMPARE(YTDLPManager::baseArguments(net), head() + tail);
    }

    void denoThatIsNotExecutableIsIgnored()
    {
        QFile file(denoPath());
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.close();
        QVERIFY(!YTDLPManager::baseArguments(NetworkOptions()).contains(QStringLiteral("--js-runtimes")));
    }

    void downloadArguments_data()
    {
        QTest::addColumn<DownloadOptions>("options");
        QTest::addColumn<Args>("network"); // the network part of the base arguments
        QTest::addColumn<Args>("expected"); // everything after the markers

        DownloadOptions subs = video();
        subs.embedMetadata = true;
        subs.embedThumbnail = true;
        subs.subtitles = true;
        subs.autoSubs = true;
        subs.embedSubs = true;
        subs.subLangs = QStringLiteral("en.*,de");
        QTest::newRow("single video, subtitles embedded")
            << subs << Args { "--socket-timeout", "30" }
            << Args { "--retries", "10", "--fragment-retries", "10", "--concurrent-fragments", "4", "-f",
                   "bv*[height<=1080]+ba/b[height<=1080]", "-S", "vcodec:h264,acodec:m4a",
                   "--merge-output-format", "mp4", "-P", "/home/ann/Downloads", "-o",
                   "%(title)s [%(id)s].%(ext)s", "--windows-filenames", "--trim-filenames", "180",
                   "--no-playlist", "--embed-metadata", "--embed-thumbnail", "--convert-thumbnails", "jpg",
                   "--write-subs", "--sub-langs", "en.*,de", "--write-auto-subs", "--embed-subs", "--",
                   "https://www.youtube.com/watch?v=dQw4w9WgXcQ" };

        DownloadOptions audio = video();
        audio.url = QStringLiteral("https://www.youtube.com/playlist?list=PL123");
        audio.isPlaylist = true;
        audio.playlistItems = QStringLiteral("1-3,5,7-8");
        audio.formatSelector = QStringLiteral("ba/b");
        audio.formatSort = std::nullopt;
        audio.audioOnly = true;
        audio.outputTemplate
            = YTDLPManager::playlistOutputTemplate(QStringLiteral("%(title)s.%(ext)s"), true);
        audio.subtitles = true;
        audio.embedSubs = true; // an audio file cannot hold them
        audio.network.retries = 3;
        audio.network.fragments = 1;
        audio.network.rateLimit = QStringLiteral("500K");
        QTest::newRow("audio-only playlist with item list")
            << audio << Args { "--socket-timeout", "30" }
            << Args { "--retries", "3", "--fragment-retries", "3", "--concurrent-fragments", "1",
                   "--limit-rate", "500K", "-f", "ba/b", "-x", "--audio-format", "mp3", "--audio-quality",
                   "0", "-P", "/home/ann/Downloads", "-o",
                   "%(playlist_title|Playlist)s/%(playlist_index)03d - %(title)s.%(ext)s",
                   "--windows-filenames", "--trim-filenames", "180", "--yes-playlist", "--playlist-items",
                   "1-3,5,7-8", "--write-subs", "--sub-langs", "en.*", "--convert-subs", "srt", "--",
                   "https://www.youtube.com/playlist?list=PL123" };

        DownloadOptions whole = audio;
        whole.playlistItems = QString();
        whole.subtitles = false;
        whole.formatSelector = QString();
        whole.network.rateLimit.clear();
        QTest::newRow("whole playlist, empty selector and item list")
            << whole << Args { "--socket-timeout", "30" }
            << Args { "--retries", "3", "--fragment-retries", "3", "--concurrent-fragments", "1", "-x",
                   "--audio-format", "mp3", "--audio-quality", "0", "-P", "/home/ann/Downloads", "-o",
                   "%(playlist_title|Playlist)s/%(playlist_index)03d - %(title)s.%(ext)s",
                   "--windows-filenames", "--trim-filenames", "180", "--yes-playlist", "--",
                   "https://www.youtube.com/playlist?list=PL123" };

        DownloadOptions network = video();
        network.formatSelector = std::nullopt;
        network.formatSort = std::nullopt;
        network.container.clear();
        network.outputTemplate.clear();
        network.subtitles = false;
        network.autoSubs = true; // nothing without subtitles
        network.embedSubs = true;
        network.network = { QStringLiteral("chromium"), QStringLiteral("Klipwell/1.0"),
            QStringLiteral("http://proxy.local:3128"), QStringLiteral("1.5M"), 0, 16, 300, QString() };
        QTest::newRow("every network option, empty template")
            << network
            << Args { "--cookies-from-browser", "chromium", "--user-agent", "Klipwell/1.0", "--proxy",
                   "http://proxy.local:3128", "--socket-timeout", "300" }
            << Args { "--retries", "0", "--fragment-retries", "0", "--concurrent-fragments", "16",
                   "--limit-rate", "1.5M", "-P", "/home/ann/Downloads", "-o", "", "--windows-filenames",
                   "--trim-filenames", "180", "--no-playlist", "--",
                   "https://www.youtube.com/watch?v=dQw4w9WgXcQ" };

        DownloadOptions extra = network;
        extra.network = NetworkOptions();
        extra.network.extraArgs = QStringLiteral("--postprocessor-args \"ffmpeg:-metadata comment=\\\"my "
                                                 "clip\\\"\" -o 'C:\\tmp\\%(id)s'  --no-part a\\ b");
        extra.url = QStringLiteral("-leading-dash");
        QTest::newRow("extra arguments with quotes and backslashes, link starting with a dash")
            << extra << Args { "--socket-timeout", "30" }
            << Args { "--retries", "10", "--fragment-retries", "10", "--concurrent-fragments", "4", "-P",
                   "/home/ann/Downloads", "-o", "", "--windows-filenames", "--trim-filenames", "180",
                   "--no-playlist", "--postprocessor-args", "ffmpeg:-metadata comment=\"my clip\"", "-o",
                   R"(C:\tmp\%(id)s)", "--no-part", "a b", "--", "-leading-dash" };
    }

    void downloadArguments()
    {
        QFETCH(DownloadOptions, options);
        QFETCH(Args, expected);
        QFETCH(Args, network);
        QCOMPARE(YTDLPManager::downloadArguments(options), head() + network + markers + expected);
    }

    void splitArguments_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<Args>("expected");

        QTest::newRow("empty") << "" << Args {};
        QTest::newRow("only whitespace") << " \t\n\r  " << Args {};
        QTest::newRow("unicode whitespace")
            << QString::fromUtf8("a\u00a0b\u2003c\u3000d") << Args { "a", "b", "c", "d" };
        QTest::newRow("backslash joins words") << R"(My\ Video)" << Args { "My Video" };
        QTest::newRow("escaped quotes and backslash") << "\\\"a\\' \\\\" << Args { "\"a'", R"(\)" };
        QTest::newRow("trailing backslash dropped") << R"(abc\)" << Args { "abc" };
        // An empty argument would reach yt-dlp as a second link.
        QTest::newRow("lone trailing backslash adds nothing") << R"(\)" << Args {};
        QTest::newRow("trailing backslash after a blank") << R"(-q \)" << Args { "-q" };
        QTest::newRow("empty quotes between words") << R"(a '' b)" << Args { "a", "", "b" };
        QTest::newRow("quoted value after equals")
            << "--user-agent=\"Mozilla 5.0\" -x" << Args { "--user-agent=Mozilla 5.0", "-x" };
        QTest::newRow("quotes in the middle are removed") << "ab\"c d\"e'f g'" << Args { "abc def g" };
        QTest::newRow("backslash literal in single quotes") << R"('a\b\' c)" << Args { R"(a\b\)", "c" };
        QTest::newRow("backslash escapes inside double quotes")
            << "\"a\\\"b\\\\c\\d\"" << Args { "a\"b\\cd" };
        QTest::newRow("other quote kind inside quotes")
            << "\"it's\" 'say \"hi\"'" << Args { "it's", "say \"hi\"" };
        QTest::newRow("unterminated double quote") << "-o \"my file" << Args { "-o", "my file" };
        QTest::newRow("unterminated single quote right away") << R"(x ')" << Args { "x", "" };
        QTest::newRow("escaped character outside the basic plane")
            << QString::fromUtf8("\\\U0001F600x") << Args { QString::fromUtf8("\U0001F600x") };
        QTest::newRow("replacement characters") << QString::fromUtf8(
            "\uFFFD \"\uFFFD") << Args { QString::fromUtf8("\uFFFD"), QString::fromUtf8("\uFFFD") };
    }

    void splitArguments()
    {
        QFETCH(QString, text);
        QFETCH(Args, expected);
        QCOMPARE(::splitArguments(text), expected);
    }

    void splitArgumentsOfHugeText()
    {
        QString text;
        for (int i = 0; i < 100000; ++i)
            text += QStringLiteral("ab\\ c \"");
        const Args args = ::splitArguments(text);
        QVERIFY(!args.isEmpty());
        QCOMPARE(::splitArguments(QString(1 << 20, u'x')), Args { QString(1 << 20, u'x') });
    }

    void itemsString_data()
    {
        QTest::addColumn<Items>("selected");
        QTest::addColumn<int>("total");
        QTest::addColumn<std::optional<QString>>("expected");

        QTest::newRow("runs and singles")
            << Items { 8, 1, 5, 3, 2, 7 } << 10 << std::optional<QString>("1-3,5,7-8");
        QTest::newRow("run of two") << Items { 9, 10 } << 12 << std::optional<QString>("9-10");
        QTest::newRow("all selected") << Items { 1, 2 } << 2 << std::optional<QString>();
        QTest::newRow("none selected") << Items {} << 5 << std::optional<QString>();
        QTest::newRow("only the size is compared") << Items { 5, 6 } << 2 << std::optional<QString>();
        QTest::newRow("positions beyond total kept")
            << Items { 1, 12 } << 10 << std::optional<QString>("1,12");
        QTest::newRow("largest int") << Items { INT_MAX - 1, INT_MAX, 1 } << 0
                                     << std::optional<QString>("1,2147483646-2147483647");
    }

    void itemsString()
    {
        QFETCH(Items, selected);
        QFETCH(int, total);
        QFETCH(std::optional<QString>, expected);
        QCOMPARE(PlaylistManager::itemsString(selected, total), expected);
    }

    void playlistOutputTemplate_data()
    {
        QTest::addColumn<bool>("numbered");
        QTest::addColumn<QString>("expected");
        QTest::newRow("numbered")
            << true << "%(playlist_title|Playlist)s/%(playlist_index)03d - %(title)s [%(id)s].%(ext)s";
        QTest::newRow("not numbered") << false << "%(playlist_title|Playlist)s/%(title)s [%(id)s].%(ext)s";
    }

    void playlistOutputTemplate()
    {
        QFETCH(bool, numbered);
        QFETCH(QString, expected);
        QCOMPARE(YTDLPManager::playlistOutputTemplate(QStringLiteral("%(title)s [%(id)s].%(ext)s"), numbered),
            expected);
    }
};

QTEST_GUILESS_MAIN(TestYTDLPManager)
#include "tst_ytdlpmanager.moc"
