#include "ErrorInterpreter.h"

#include <QTest>

namespace {

const QString unsupported = QStringLiteral("This site or link isn’t supported by yt-dlp.");
const QString invalidURL = QStringLiteral("That doesn’t look like a valid URL.");
const QString signIn = QStringLiteral("This video is private or requires you to sign in. Try choosing your browser under Settings › Network › Cookies.");
const QString unavailable = QStringLiteral("This video is unavailable (removed, region-locked, or deleted).");
const QString rateLimited = QStringLiteral("The site is rate limiting requests. Wait a while, or lower the speed/concurrency in Settings › Network.");
const QString forbidden = QStringLiteral("The site refused access (HTTP 403). Updating yt-dlp or using browser cookies may help.");
const QString notFound = QStringLiteral("The media could not be found (HTTP 404).");
const QString noFormat = QStringLiteral("The requested format isn’t available for this video. Pick another quality or use Advanced Formats.");
const QString diskFull = QStringLiteral("The disk is full. Free up space or choose another download folder.");
const QString cannotWrite = QStringLiteral("Klipwell can’t write to the download folder. Choose a different folder in Settings.");
const QString ffmpeg = QStringLiteral("FFmpeg failed while processing the file. Try Settings › Tools › Repair, then retry.");
const QString network = QStringLiteral("Network problem. Check your internet connection (or proxy) and retry — progress is resumed automatically.");
const QString ageRestricted = QStringLiteral("This video is age-restricted. Use browser cookies from a signed-in account.");
const QString drm = QStringLiteral("This video is DRM-protected and can’t be downloaded.");
const QString challenge = QStringLiteral("Challenge solving failed. Run Repair Dependencies in Settings › Tools (Deno / yt-dlp-ejs).");

} // namespace

class TestErrorInterpreter : public QObject {
    Q_OBJECT

private slots:
    void explain_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<int>("exitCode");
        QTest::addColumn<QString>("expected");

        // Texts as yt-dlp prints them; the earlier rule wins when several match.
        QTest::newRow("unsupported") << "WARNING: [generic] Falling back on generic information extractor\nERROR: Unsupported URL: http://127.0.0.1:8765/" << 1 << unsupported;
        QTest::newRow("unsupported wins over everything") << "ERROR: UNSUPPORTED URL; HTTP Error 404; Sign in" << 1 << unsupported;
        QTest::newRow("not a valid url") << "ERROR: [generic] None: 'notaurl' is not a valid URL. Set --default-search \"ytsearch\" (or run  yt-dlp \"ytsearch:notaurl\" ) to search YouTube" << 1 << invalidURL;
        QTest::newRow("file name taken for a link") << "ERROR: [Errno 2] No such file or directory: 'https:/x'\nERROR: [Errno 2] No such file or directory: 'http:/x'" << 1 << invalidURL;
        QTest::newRow("sign in before 403") << "ERROR: [youtube] abc: Sign in to confirm you’re not a bot. HTTP Error 403: Forbidden" << 1 << signIn;
        QTest::newRow("members only") << "ERROR: [youtube] abc: Join this channel to get access to members-only content like this video" << 1 << signIn;
        QTest::newRow("unavailable") << "ERROR: [youtube] abc: Video unavailable. This video has been removed by the uploader" << 1 << unavailable;
        QTest::newRow("content isn't available") << "ERROR: [instagram] x: This content isn't available" << 1 << unavailable;
        QTest::newRow("too many requests") << "ERROR: unable to download video data: HTTP Error 429: Too Many Requests" << 1 << rateLimited;
        QTest::newRow("403") << "ERROR: unable to download video data: HTTP Error 403: Forbidden" << 1 << forbidden;
        QTest::newRow("404 before unable to download") << "ERROR: [generic] None: Unable to download webpage: HTTP Error 404: File not found (caused by <HTTPError 404: 'File not found'>); please report this issue on  https://github.com/yt-dlp/yt-dlp/issues?q= , filling out the appropriate issue template. Confirm you are on the latest version using  yt-dlp -U" << 1 << notFound;
        QTest::newRow("requested format") << "ERROR: [generic] clip: Requested format is not available. Use --list-formats for a list of available formats" << 1 << noFormat;
        QTest::newRow("no space") << "ERROR: unable to write data: [Errno 28] No space left on device" << 1 << diskFull;
        QTest::newRow("permission denied") << "ERROR: unable to open for writing: [Errno 13] Permission denied: '/Volumes/x/clip.mp4.part'" << 1 << cannotWrite;
        QTest::newRow("errno 1 in brackets") << "ERROR: [Errno 1] something" << 1 << cannotWrite;
        QTest::newRow("ffmpeg missing") << "Postprocessing: ffprobe and ffmpeg not found. Please install or provide the path using --ffmpeg-location" << 1 << ffmpeg;
        QTest::newRow("ffmpeg conversion failed") << "ERROR: Postprocessing: Conversion failed!" << 1 << ffmpeg;
        QTest::newRow("ffmpeg named without failure word falls through") << "[Merger] Merging formats with ffmpeg; connection reset by peer" << 1 << network;
        QTest::newRow("ffmpeg without failure word and nothing else") << "Deleting original file; ffmpeg done" << 7 << "Deleting original file; ffmpeg done";
        QTest::newRow("connection refused") << "ERROR: [generic] None: Unable to download webpage: <urlopen error [Errno 111] Connection refused> (caused by URLError(ConnectionRefusedError(111, 'Connection refused')))" << 1 << network;
        QTest::newRow("read timed out") << "ERROR: unable to download video data: The read operation timed out" << 1 << network;
        QTest::newRow("name resolution") << "ERROR: [Errno -3] Temporary failure in name resolution" << 1 << network;
        QTest::newRow("age") << "ERROR: [youtube] abc: Please confirm your age." << 1 << ageRestricted;
        QTest::newRow("drm") << "ERROR: [generic] This video is DRM protected" << 1 << drm;
        QTest::newRow("ejs inside a word") << "WARNING: [youtube] xyz: Fetching rejsk" << 1 << challenge;
        QTest::newRow("n challenge") << "WARNING: [youtube] n challenge solving failed: Some formats may be missing" << 1 << challenge;
        QTest::newRow("full unicode lower-casing") << "ERROR: ÜNSUPPORTED URL" << 1 << "ERROR: ÜNSUPPORTED URL";
        QTest::newRow("typographic apostrophe is not the needle") << "This content isn’t available" << 1 << "This content isn’t available";

        // Nothing known: the first line with something in it, unchanged.
        QTest::newRow("first non-empty line") << "\n\nERROR: Something odd  \nsecond" << 3 << "ERROR: Something odd  ";
        QTest::newRow("blank lines are skipped") << "  \n\t\nreal message" << 3 << "real message";
        QTest::newRow("empty") << "" << 1 << "yt-dlp exited with code 1.";
        QTest::newRow("only line feeds") << "\n\n\n" << -1 << "yt-dlp exited with code -1.";
        QTest::newRow("replacement characters") << QString(3, QChar::ReplacementCharacter) << 2 << QString(3, QChar::ReplacementCharacter);
        const QString mega(1 << 20, u'x');
        QTest::newRow("huge text stays one line") << mega + u'\n' + mega << 1 << mega;
    }

    void explain()
    {
        QFETCH(QString, text);
        QFETCH(int, exitCode);
        QFETCH(QString, expected);
        QCOMPARE(ErrorInterpreter::explain(text, exitCode), expected);
    }
};

QTEST_GUILESS_MAIN(TestErrorInterpreter)
#include "tst_errorinterpreter.moc"
