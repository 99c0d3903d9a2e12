#include "ProgressParser.h"

#include <QTest>

#include <cmath>

using namespace ProgressEvents;
using Event = std::optional<ProgressEvent>;

namespace {

// A table column cannot hold the variant itself (the meta-type system asks it for operator<).
struct Expected {
    Event event;
};

} // namespace

Q_DECLARE_METATYPE(Expected)

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
};

QTEST_GUILESS_MAIN(TestProgressParser)
#include "tst_progressparser.moc"
