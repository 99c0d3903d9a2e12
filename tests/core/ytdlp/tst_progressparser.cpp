#include "ErrorInterpreter.h"
#include "ProgressParser.h"

#include <QTest>

#include <cmath>

using namespace ProgressEvents;
using Event = std::optional<ProgressEvent>;

// A table column cannot hold the variant itself (the meta-type system asks it for operator<).
struct Expected {
    Event event;
};

class TestProgressParser : public QObject {
    Q_OBJECT

private slots:
    void parse_data()
    {
        QTest::addColumn<QString>("line");
        QTest::addColumn<Expected>("expected");
        const Expected nothing;
        // Progress markers, the first ones as the Debian yt-dlp prints them.
        QTest::newRow("real progress") << "KWPROG|1024|37272|NA|20428.197767387883|1|/tmp/out/A#B clip [clip].mp4" << Expected { Progress { 1024, 37272, 20428.197767387883, 1, "/tmp/out/A#B clip [clip].mp4" } };
        QTest::newRow("real last progress") << "KWPROG|37272|37272|NA|20403.299175763615|NA|/tmp/c.mp4" << Expected { Progress { 37272, 37272, 20403.299175763615, {}, "/tmp/c.mp4" } };
        QTest::newRow("total from estimate") << "KWPROG|1000|NA|5000|250.5|17|clip.mp4" << Expected { Progress { 1000, 5000, 250.5, 17, "clip.mp4" } };
        QTest::newRow("no total at all") << "KWPROG|1000|NA|None|NA|NA|clip.mp4" << Expected { Progress { 1000, {}, {}, {}, "clip.mp4" } };
        QTest::newRow("fractional byte counts truncated") << "KWPROG|1023.9|52428800.0|NA|1e3|59.99|f" << Expected { Progress { 1023, 52428800, 1000.0, 59, "f" } };
        QTest::newRow("blanks around numbers, file name keeps its space") << "KWPROG|  1000 |\t2000\t| NA |  3.5  | 4 | clip.mp4 " << Expected { Progress { 1000, 2000, 3.5, 4, " clip.mp4 " } };
        QTest::newRow("file name with bars") << "KWPROG|1|2|3|4|5|Live | Set || 2023.mp4" << Expected { Progress { 1, 2, 4.0, 5, "Live | Set || 2023.mp4" } };
        QTest::newRow("empty fields") << "KWPROG|0|||||" << Expected { Progress { 0, {}, {}, {}, "" } };
        QTest::newRow("downloaded NA") << "KWPROG|NA|5000|NA|1|1|clip.mp4" << nothing;
        QTest::newRow("six fields") << "KWPROG|1000|NA|5000|250.5|17" << nothing;
        QTest::newRow("downloaded inf") << "KWPROG|inf|1|1|1|1|f" << nothing;
        QTest::newRow("downloaded beyond 64 bits") << "KWPROG|1e19|1|1|1|1|f" << nothing;
        QTest::newRow("downloaded rounds to 2^63") << "KWPROG|9223372036854775807|1|1|1|1|f" << nothing;
        QTest::newRow("largest downloaded") << "KWPROG|9223372036854774784|NA|NA|NA|NA|f" << Expected { Progress { 9223372036854774784LL, {}, {}, {}, "f" } };
        QTest::newRow("most negative downloaded") << "KWPROG|-9223372036854775808|NA|NA|NA|NA|f" << Expected { Progress { std::numeric_limits<qint64>::min(), {}, {}, {}, "f" } };
        QTest::newRow("infinite total falls back to estimate") << "KWPROG|1|inf|700|NA|NA|f" << Expected { Progress { 1, 700, {}, {}, "f" } };
        QTest::newRow("non-finite and huge values are absent") << "KWPROG|1|-inf|1e300|nan|1e30|f" << Expected { Progress { 1, {}, {}, {}, "f" } };
        QTest::newRow("words and hex are no numbers") << "KWPROG|7|0x10|Infinity|1,5|e5|f" << Expected { Progress { 7, {}, {}, {}, "f" } };
        QTest::newRow("other digits are no numbers") << QString::fromUtf8("KWPROG|7|١٢|\uFFFD|NA|NA|f") << Expected { Progress { 7, {}, {}, {}, "f" } };
        QTest::newRow("postprocess") << "KWPP|Merger|started" << Expected { Postprocess { "Merger", "started" } };
        QTest::newRow("postprocess status keeps bars") << "KWPP|MoveFiles|finished|x" << Expected { Postprocess { "MoveFiles", "finished|x" } };
        QTest::newRow("postprocess empty fields") << "KWPP||" << Expected { Postprocess { "", "" } };
        QTest::newRow("postprocess two fields") << "KWPP|Merger" << nothing;
        QTest::newRow("item") << "KWITEM|3|12|Live Set | Part 3" << Expected { Item { 3, 12, "Live Set | Part 3" } };
        QTest::newRow("item without index") << "KWITEM||12|t" << Expected { Item { 1, 12, "t" } };
        QTest::newRow("item with word count") << "KWITEM|2|NA|t" << Expected { Item { 2, 1, "t" } };
        QTest::newRow("item signs") << "KWITEM|+4|-2|" << Expected { Item { 4, -2, "" } };
        QTest::newRow("item with space, fraction or overflow") << "KWITEM| 3|3.0|2147483648" << Expected { Item { 1, 1, "2147483648" } };
        QTest::newRow("item at int limits") << "KWITEM|2147483647|-2147483648|t" << Expected { Item { 2147483647, -2147483647 - 1, "t" } };
        QTest::newRow("item three fields") << "KWITEM|1|2" << nothing;
        QTest::newRow("final file") << "KWFILE|/home/ann/My Clip | Live.mp3" << Expected { FinalFile { "/home/ann/My Clip | Live.mp3" } };
        QTest::newRow("final file keeps spaces") << "KWFILE|  a.mp4 " << Expected { FinalFile { "  a.mp4 " } };
        QTest::newRow("final file empty") << "KWFILE|" << Expected { FinalFile { "" } };
        QTest::newRow("error") << "ERROR:  [generic] None: Unable to download webpage\t" << Expected { Error { "[generic] None: Unable to download webpage" } };
        QTest::newRow("error empty") << "ERROR:" << Expected { Error { "" } };
        QTest::newRow("warning") << "WARNING: [generic] Falling back on generic information extractor" << Expected { Warning { "[generic] Falling back on generic information extractor" } };
        QTest::newRow("destination") << "[download] Destination: /tmp/out/x.f137.mp4 " << Expected { Destination { "/tmp/out/x.f137.mp4 " } };
        QTest::newRow("merging") << "[Merger] Merging formats into \"/tmp/out/a \"b\".mp4\"" << Expected { Merging { "/tmp/out/a \"b\".mp4" } };
        QTest::newRow("lower-case error") << "error: x" << Expected { Info { "error: x" } };
        QTest::newRow("percentage line") << "[download]  45.3% of ~ 240.00MiB at    2.24MiB/s ETA 00:59" << Expected { Info { "[download]  45.3% of ~ 240.00MiB at    2.24MiB/s ETA 00:59" } };
        QTest::newRow("marker without bar") << "KWPROGRESS 1" << Expected { Info { "KWPROGRESS 1" } };
        QTest::newRow("marker after a space") << " KWPP|a|b" << Expected { Info { " KWPP|a|b" } };
        QTest::newRow("empty line") << "" << Expected { Info { "" } };
        QTest::newRow("replacement characters") << QString(4, QChar::ReplacementCharacter) << Expected { Info { QString(4, QChar::ReplacementCharacter) } };
    }

    void parse()
    {
        QFETCH(QString, line);
        QFETCH(Expected, expected);
        QCOMPARE(ProgressParser::parse(line), expected.event);
    }

    // A number is whatever QString::toDouble takes, however it is read.
    void numbersAgreeWithToDouble_data()
    {
        QTest::addColumn<QString>("field");
        for (const char* field : { "0", "007", "-0", "1.5", "0.1", "20428.197767387883", "3.14159265358979323846", "123456789012345678", "1e5", "1E-3", "-2.5e+2", "4.9e-324", "1e-400", "1.", ".5", "+5", "1e", "1..2", "- 1", "5\r", "\v5", "1 2",
                 "12345678901234567890123456789012345678901234567890123456789012345678901234567890e-80" })
            QTest::newRow(field) << QString::fromLatin1(field);
    }

    void numbersAgreeWithToDouble()
    {
        QFETCH(QString, field);
        bool ok = false;
        const double value = field.toDouble(&ok);
        std::optional<double> expected;
        if (ok && std::isfinite(value) && std::fabs(value) < 9e18)
            expected = value;
        const Event event = ProgressParser::parse("KWPROG|0|NA|NA|" + field + "|NA|f");
        QVERIFY(event && std::holds_alternative<Progress>(*event));
        QCOMPARE(std::get<Progress>(*event).speed, expected);
    }

    // Absurd input: both calls return (no crash, no hang) and splitting loses nothing.
    void hugeLines_data()
    {
        QTest::addColumn<QString>("line");
        const QString mega(1 << 20, u'9');
        QTest::newRow("digits") << "KWPROG|" + mega + "|" + mega + "|1|" + mega + "|" + mega + "|" + mega;
        QTest::newRow("bars") << "KWPROG|" + QString(1 << 20, u'|');
        QTest::newRow("item") << "KWITEM|" + mega + "|" + mega + "|" + mega;
        QTest::newRow("error") << "ERROR:" + QString(1 << 20, u' ');
        QTest::newRow("replacement characters") << "KWPP|" + QString(1 << 20, QChar::ReplacementCharacter);
    }

    void hugeLines()
    {
        QFETCH(QString, line);
        (void)ProgressParser::parse(line);
        QCOMPARE(ProgressParser::splitMarkers(line).join(QString()), line);
    }

    void splitMarkers_data()
    {
        QTest::addColumn<QString>("line");
        QTest::addColumn<QStringList>("expected");
        QTest::newRow("run-together post-processor markers") << "KWPP|ExtractAudio|startedKWPP|ExtractAudio|finishedKWPP|Metadata|started" << QStringList { "KWPP|ExtractAudio|started", "KWPP|ExtractAudio|finished", "KWPP|Metadata|started" };
        QTest::newRow("markers then a warning") << "KWPP|Merger|startedKWPP|Merger|finishedWARNING: unable to embed" << QStringList { "KWPP|Merger|started", "KWPP|Merger|finished", "WARNING: unable to embed" };
        QTest::newRow("every kind") << "xKWPROG|1KWITEM|2KWFILE|3ERROR: 4WARNING: 5KWPP|6" << QStringList { "x", "KWPROG|1", "KWITEM|2", "KWFILE|3", "ERROR: 4", "WARNING: 5", "KWPP|6" };
        QTest::newRow("status run together with a plain line") << "KWPP|ExtractAudio|started[ExtractAudio] Destination: /d/a b.mp3" << QStringList { "KWPP|ExtractAudio|started", "[ExtractAudio] Destination: /d/a b.mp3" };
        QTest::newRow("plain line between markers") << "KWPP|Merger|started[Merger] Merging formats into \"x|y.mp4\"KWPP|Merger|finished" << QStringList { "KWPP|Merger|started", "[Merger] Merging formats into \"x|y.mp4\"", "KWPP|Merger|finished" };
        QTest::newRow("no marker") << "[download] 100% of 36.40KiB" << QStringList { "[download] 100% of 36.40KiB" };
        QTest::newRow("prefix without its bar or colon") << "KWPP KWPROG ERROR WARNING:" << QStringList { "KWPP KWPROG ERROR ", "WARNING:" };
        QTest::newRow("lower case is not a marker") << "a error: b kwpp|c" << QStringList { "a error: b kwpp|c" };
        QTest::newRow("empty") << "" << QStringList { "" };
    }

    void splitMarkers()
    {
        QFETCH(QString, line);
        QFETCH(QStringList, expected);
        QCOMPARE(ProgressParser::splitMarkers(line), expected);
    }

    // What the user is told about a failed run.
    void explain_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<int>("exitCode");
        QTest::addColumn<QString>("expected"); // the start of a known message, or the one line shown
        // Texts as yt-dlp prints them; the earlier rule wins when several match.
        QTest::newRow("unsupported") << "WARNING: [generic] Falling back on generic information extractor\nERROR: Unsupported URL: http://127.0.0.1:8765/" << 1 << "This site or link";
        QTest::newRow("unsupported wins over everything") << "ERROR: UNSUPPORTED URL; HTTP Error 404; Sign in" << 1 << "This site or link";
        QTest::newRow("not a valid url") << "ERROR: [generic] None: 'notaurl' is not a valid URL. Set --default-search \"ytsearch\" (or run  yt-dlp \"ytsearch:notaurl\" ) to search YouTube" << 1 << "That doesn’t look";
        QTest::newRow("file name taken for a link") << "ERROR: [Errno 2] No such file or directory: 'https:/x'\nERROR: [Errno 2] No such file or directory: 'http:/x'" << 1 << "That doesn’t look";
        QTest::newRow("sign in before 403") << "ERROR: [youtube] abc: Sign in to confirm you’re not a bot. HTTP Error 403: Forbidden" << 1 << "This video is private";
        QTest::newRow("members only") << "ERROR: [youtube] abc: Join this channel to get access to members-only content like this video" << 1 << "This video is private";
        QTest::newRow("unavailable") << "ERROR: [youtube] abc: Video unavailable. This video has been removed by the uploader" << 1 << "This video is unavailable";
        QTest::newRow("content isn't available") << "ERROR: [instagram] x: This content isn't available" << 1 << "This video is unavailable";
        QTest::newRow("too many requests") << "ERROR: unable to download video data: HTTP Error 429: Too Many Requests" << 1 << "The site is rate limiting";
        QTest::newRow("403") << "ERROR: unable to download video data: HTTP Error 403: Forbidden" << 1 << "The site refused access";
        QTest::newRow("404 before unable to download") << "ERROR: [generic] None: Unable to download webpage: HTTP Error 404: File not found (caused by <HTTPError 404: 'File not found'>); please report this issue on  https://github.com/yt-dlp/yt-dlp/issues?q= , filling out the appropriate issue template. Confirm you are on the latest version using  yt-dlp -U" << 1 << "The media could not be found";
        QTest::newRow("requested format") << "ERROR: [generic] clip: Requested format is not available. Use --list-formats for a list of available formats" << 1 << "The requested format";
        QTest::newRow("no space") << "ERROR: unable to write data: [Errno 28] No space left on device" << 1 << "The disk is full";
        QTest::newRow("permission denied") << "ERROR: unable to open for writing: [Errno 13] Permission denied: '/Volumes/x/clip.mp4.part'" << 1 << "Klipwell can’t write";
        QTest::newRow("errno 1 in brackets") << "ERROR: [Errno 1] something" << 1 << "Klipwell can’t write";
        QTest::newRow("ffmpeg missing") << "Postprocessing: ffprobe and ffmpeg not found. Please install or provide the path using --ffmpeg-location" << 1 << "FFmpeg failed";
        QTest::newRow("ffmpeg conversion failed") << "ERROR: Postprocessing: Conversion failed!" << 1 << "FFmpeg failed";
        QTest::newRow("ffmpeg named without failure word falls through") << "[Merger] Merging formats with ffmpeg; connection reset by peer" << 1 << "Network problem";
        QTest::newRow("ffmpeg without failure word and nothing else") << "Deleting original file; ffmpeg done" << 7 << "Deleting original file; ffmpeg done";
        QTest::newRow("connection refused") << "ERROR: [generic] None: Unable to download webpage: <urlopen error [Errno 111] Connection refused> (caused by URLError(ConnectionRefusedError(111, 'Connection refused')))" << 1 << "Network problem";
        QTest::newRow("read timed out") << "ERROR: unable to download video data: The read operation timed out" << 1 << "Network problem";
        QTest::newRow("name resolution") << "ERROR: [Errno -3] Temporary failure in name resolution" << 1 << "Network problem";
        QTest::newRow("age") << "ERROR: [youtube] abc: Please confirm your age." << 1 << "This video is age-restricted";
        QTest::newRow("drm") << "ERROR: [generic] This video is DRM protected" << 1 << "This video is DRM";
        QTest::newRow("ejs inside a word") << "WARNING: [youtube] xyz: Fetching rejsk" << 1 << "Challenge solving failed";
        QTest::newRow("n challenge") << "WARNING: [youtube] n challenge solving failed: Some formats may be missing" << 1 << "Challenge solving failed";
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
        const QString explanation = ErrorInterpreter::explain(text, exitCode);
        QVERIFY2(explanation.startsWith(expected) && !explanation.contains(u'\n'), qPrintable(explanation.left(200)));
    }
};

QTEST_GUILESS_MAIN(TestProgressParser)
#include "tst_progressparser.moc"
