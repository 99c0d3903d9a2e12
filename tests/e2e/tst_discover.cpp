#include "FormatManager.h"
#include "TestHttpServer.h"
#include "TestMedia.h"
#include "TestSupport.h"
#include "Tool.h"
#include "YTDLPManager.h"

#include <QDir>
#include <QFile>
#include <QTcpServer>
#include <QTest>

#include <qcoro/qcorotask.h>

using namespace Qt::StringLiterals;

// Media-information queries through the real yt-dlp against media served on
// 127.0.0.1, and through scripted stand-ins for what a local server cannot
// provoke (a hang, nonsense on standard output).
class DiscoverTest : public QObject {
    Q_OBJECT

    TestHttpServer server;
    quint16 closedPort = 0;

    static std::variant<MediaInfo, InfoError> discover(const QString& url, double timeoutSeconds = 120)
    {
        return QCoro::waitFor(FormatManager::discover(url, NetworkOptions {}, timeoutSeconds));
    }

    // Puts a program in the tools folder under the name yt-dlp.
    static void installYtdlp(const QString& target)
    {
        QFile::remove(toolPath(Tool::ytdlp));
        QVERIFY(QFile::link(target, toolPath(Tool::ytdlp)));
    }

    static void installStandIn(const QByteArray& script)
    {
        QFile::remove(toolPath(Tool::ytdlp));
        QVERIFY(!TestSupport::writeScript(toolPath(Tool::ytdlp), script).isEmpty());
    }

private slots:
    void initTestCase()
    {
        // The suite replaces yt-dlp in the tools folder: never in a real home.
        if (qEnvironmentVariableIsEmpty("KLIPWELL_TESTING"))
            QSKIP("run through ctest, which gives the suite a private home");
        QVERIFY2(!TestMedia::folder().isEmpty(), qPrintable(TestMedia::error()));
        server.serveDirectory(u"/media/"_s, TestMedia::folder());
        // yt-dlp takes any body that is not HTML for a direct media link, so the
        // page without media is an HTML page.
        server.serveData(
            u"/notes.html"_s, "<html><body><p>Nothing to watch here.</p></body></html>\n", "text/html");

        QTcpServer probe;
        QVERIFY(probe.listen(QHostAddress::LocalHost));
        closedPort = probe.serverPort();
        probe.close();
    }

    void init() { installYtdlp(u"/usr/bin/yt-dlp"_s); }

    void realMedia_data()
    {
        QTest::addColumn<QString>("path");
        QTest::addColumn<QString>("title");
        QTest::addColumn<QStringList>("entries");
        QTest::addColumn<QList<int>>("heights");
        QTest::addColumn<QStringList>("videoLabels");
        QTest::addColumn<QStringList>("audioLabels");

        // yt-dlp names no codecs for a plain file, so it offers no choice in either list.
        QTest::newRow("direct mp4") << TestMedia::directVideo << u"clip"_s << QStringList {} << QList<int> {} << QStringList {} << QStringList {};
        QTest::newRow("HLS master") << TestMedia::hlsMaster << u"master"_s << QStringList {} << QList<int> { 1080, 720, 480 } << QStringList { u"4540 · mp4 · 1080p · avc1"_s, u"2200 · mp4 · 720p60 · avc1"_s, u"900 · mp4 · 480p · avc1"_s } << QStringList { u"128 · mp4 · mp4a · 128 kbps"_s };
        QTest::newRow("page with two videos") << TestMedia::playlistPage << u"Two clips"_s << QStringList { u"Two clips (1)"_s, u"Two clips (2)"_s } << QList<int> {} << QStringList {} << QStringList {};
    }

    void realMedia()
    {
        QFETCH(QString, path);
        QFETCH(QString, title);
        QFETCH(QStringList, entries);
        QFETCH(QList<int>, heights);
        QFETCH(QStringList, videoLabels);
        QFETCH(QStringList, audioLabels);

        const QString url = server.url(u"/media/"_s + path).toString();
        const auto result = discover(url);
        if (const auto* error = std::get_if<InfoError>(&result))
            QFAIL(qPrintable(error->message));
        const MediaInfo& info = std::get<MediaInfo>(result);
        QCOMPARE(info.title, title);
        QCOMPARE(info.extractor, u"Generic"_s);
        QCOMPARE(info.webpageURL, url);
        QCOMPARE(info.isPlaylist, !entries.isEmpty());
        QStringList entryTitles;
        for (const PlaylistEntry& entry : info.entries)
            entryTitles << entry.title;
        QCOMPARE(entryTitles, entries);
        QCOMPARE(info.heights(), heights);
        const auto labels = [](const QList<FormatInfo>& formats) {
            QStringList result;
            for (const FormatInfo& format : formats)
                result << format.label();
            return result;
        };
        QCOMPARE(labels(info.videoFormats()), videoLabels);
        QCOMPARE(labels(info.audioFormats()), audioLabels);
        QVERIFY(TestSupport::appLog().contains(u"] info "_s + url + u" -> exit 0\n"_s));
    }

    void failures_data()
    {
        QTest::addColumn<QString>("url");
        QTest::addColumn<QString>("message");

        QTest::newRow("page without media") << server.url(u"/notes.html"_s).toString() << u"This site or link isn’t supported by yt-dlp."_s;
        QTest::newRow("missing page") << server.url(u"/media/gone.mp4"_s).toString() << u"The media could not be found (HTTP 404)."_s;
        QTest::newRow("closed port") << u"http://127.0.0.1:%1/media/clip.mp4"_s.arg(closedPort) << u"Network problem. Check your internet connection (or proxy) and retry — progress is resumed automatically."_s;
    }

    void failures()
    {
        QFETCH(QString, url);
        QFETCH(QString, message);

        const auto result = discover(url);
        QVERIFY(std::holds_alternative<InfoError>(result));
        QCOMPARE(std::get<InfoError>(result).message, message);
        QVERIFY(TestSupport::appLog().contains(u"] info "_s + url + u" -> exit 1\n"_s));
        QVERIFY(TestSupport::appLog().contains(u"] info error: "_s));
    }

    void rejectedBeforeRunning_data()
    {
        QTest::addColumn<QString>("url");
        QTest::addColumn<QByteArray>("program");
        QTest::addColumn<QString>("message");

        const QString invalid = u"That doesn’t look like a valid web address. Enter a full http(s) URL."_s;
        QTest::newRow("no scheme") << u"127.0.0.1/clip.mp4"_s << QByteArray("real") << invalid;
        QTest::newRow("host without a dot") << u"http://localhost:8080/clip.mp4"_s << QByteArray("real") << invalid;
        QTest::newRow("option-like text") << u"--exec=rm"_s << QByteArray("real") << invalid;
        QTest::newRow("yt-dlp missing") << u"https://example.com/v"_s << QByteArray() << u"yt-dlp isn’t installed yet."_s;
        QTest::newRow("yt-dlp not executable") << u"https://example.com/v"_s << QByteArray("plain file") << u"yt-dlp isn’t installed yet."_s;
    }

    void rejectedBeforeRunning()
    {
        QFETCH(QString, url);
        QFETCH(QByteArray, program);
        QFETCH(QString, message);

        if (program.isEmpty()) {
            QVERIFY(QFile::remove(toolPath(Tool::ytdlp)));
        } else if (program == "plain file") {
            QVERIFY(QFile::remove(toolPath(Tool::ytdlp)));
            QVERIFY(TestSupport::writeFile(toolPath(Tool::ytdlp), {}));
        }
        const QString logBefore = TestSupport::appLog();
        const auto result = discover(url);
        QVERIFY(std::holds_alternative<InfoError>(result));
        QCOMPARE(std::get<InfoError>(result).message, message);
        QCOMPARE(TestSupport::appLog(), logBefore);
    }

    void standIns_data()
    {
        QTest::addColumn<QByteArray>("script");
        QTest::addColumn<double>("timeLimit");
        QTest::addColumn<QString>("message");

        QTest::newRow("hangs") << QByteArray("#!/bin/sh\nexec sleep 60\n") << 1.5 << u"Timed out while contacting the site. Check your connection and try again."_s;
        QTest::newRow("exit 0 with nonsense") << QByteArray("#!/bin/sh\necho 'not json'\n") << 120.0 << u"yt-dlp exited with code 0."_s;
        QTest::newRow("exit 0 with a JSON array") << QByteArray("#!/bin/sh\necho '[{\"title\": \"x\"}]'\necho 'odd' >&2\n") << 120.0 << u"odd"_s;
        QTest::newRow("last ERROR line decides") << QByteArray( "#!/bin/sh\nprintf 'ERROR: Unsupported URL: x\\nWARNING: later\\nERROR: [generic] HTTP " "Error 404: Not Found\\n[debug] done\\n' >&2\nexit 1\n") << 120.0 << u"The media could not be found (HTTP 404)."_s;
        QTest::newRow("no ERROR line") << QByteArray("#!/bin/sh\nprintf '\\nsomething odd\\nmore\\n' >&2\nexit 2\n") << 120.0 << u"something odd"_s;
    }

    void standIns()
    {
        QFETCH(QByteArray, script);
        QFETCH(double, timeLimit);
        QFETCH(QString, message);

        installStandIn(script);
        const auto result = discover(u"https://example.com/watch?v=1"_s, timeLimit);
        QVERIFY(std::holds_alternative<InfoError>(result));
        QCOMPARE(std::get<InfoError>(result).message, message);
    }

    void argumentVector()
    {
        const QString argsFile = QDir::home().filePath(u"arguments.txt"_s);
        installStandIn("#!/bin/sh\nfor a in \"$@\"; do printf '%s\\n' \"$a\"; done > '" + argsFile.toUtf8()
            + "'\necho '{\"title\": \"Stand-in\"}'\n");
        NetworkOptions net;
        net.proxy = u"http://127.0.0.1:3128"_s;

        // Surrounding blanks go, and the link arrives after "--" as written, not re-encoded.
        const auto task = FormatManager::discover(u" https://example.com/path/?q=ü&x=1\n"_s, net);
        const auto result = QCoro::waitFor(task);
        QVERIFY(std::holds_alternative<MediaInfo>(result));
        QCOMPARE(std::get<MediaInfo>(result).title, u"Stand-in"_s);

        QFile file(argsFile);
        QVERIFY(file.open(QIODevice::ReadOnly));
        const QStringList arguments = QString::fromUtf8(file.readAll()).split(u'\n', Qt::SkipEmptyParts);
        const QString link = u"https://example.com/path/?q=ü&x=1"_s;
        const QStringList expected = YTDLPManager::baseArguments(net)
            + QStringList { u"-J"_s, u"--flat-playlist"_s, u"--no-warnings"_s, u"--"_s, link };
        QCOMPARE(arguments, expected);
        QCOMPARE(std::get<MediaInfo>(result).webpageURL, link);
    }
};

QTEST_GUILESS_MAIN(DiscoverTest)
#include "tst_discover.moc"
