#include "Formatting.h"
#include "LinkRules.h"

#include <QTest>

#include <limits>

using OptionalSeconds = std::optional<double>;

constexpr qsizetype megabyte = 1024 * 1024;

class TestLinkRules : public QObject {
    Q_OBJECT

private slots:
    void validWebURL_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("expected"); // null: no link
        const QString none;
        QTest::newRow("blank before, line break after") << QStringLiteral(" https://www.youtube.com/watch?v=abc123\n") << QStringLiteral("https://www.youtube.com/watch?v=abc123");
        QTest::newRow("scheme and host in capitals") << QStringLiteral("HTTPS://Example.COM/Path") << QStringLiteral("https://example.com/Path");
        QTest::newRow("encoded space stays encoded") << QStringLiteral("https://example.com/a%20b") << QStringLiteral("https://example.com/a%20b");
        QTest::newRow("non-ASCII host and path") << QStringLiteral("https://münchen.de/Köln?q=ä") << QStringLiteral("https://xn--mnchen-3ya.de/K%C3%B6ln?q=%C3%A4");
        QTest::newRow("single-label host with port") << QStringLiteral("https://localhost:8080/video") << none;
        QTest::newRow("ftp") << QStringLiteral("ftp://example.com/file.mp4") << none;
        QTest::newRow("space inside host") << QStringLiteral("https://exam ple.com/") << none;
        QTest::newRow("two links on two lines") << QStringLiteral("https://example.com/a\nhttps://example.com/b") << none;
        QTest::newRow("no scheme") << QStringLiteral("example.com/watch?v=1") << none;
        QTest::newRow("bare www") << QStringLiteral("www.example.com") << none;
        QTest::newRow("scheme without slashes") << QStringLiteral("https:example.com") << none;
        QTest::newRow("empty") << QString() << none;
        QTest::newRow("replacement character") << QStringLiteral("\uFFFD") << none;
        QTest::newRow("lone surrogate in host") << QStringLiteral("https://a\xD800.com/") << none;
    }

    void validWebURL()
    {
        QFETCH(QString, text);
        QFETCH(QString, expected);
        const std::optional<QUrl> url = ::validWebURL(text);
        QCOMPARE(url.has_value(), !expected.isNull());
        if (url)
            QCOMPARE(url->toString(QUrl::FullyEncoded), expected);
    }

    void extractURLs_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QStringList>("expected");
        QTest::newRow("https and http in one sentence, in order") << QStringLiteral("First https://b.example.com/v/2 then http://a.example.com/v/1 please") << QStringList { QStringLiteral("https://b.example.com/v/2"), QStringLiteral("http://a.example.com/v/1") };
        QTest::newRow("same link twice") << QStringLiteral("https://x.io/a and again https://x.io/a") << QStringList { QStringLiteral("https://x.io/a"), QStringLiteral("https://x.io/a") };
        QTest::newRow("www inside ftp and file links") << QStringLiteral("ftp://www.example.com/a file:///srv/www.example.com/b") << QStringList();
        QTest::newRow("ftp mixed with https") << QStringLiteral("ftp://example.com/x, then https://example.com/y.") << QStringList { QStringLiteral("https://example.com/y") };
        QTest::newRow("sentence punctuation run") << QStringLiteral("Really?! https://example.com/watch?v=1?!...") << QStringList { QStringLiteral("https://example.com/watch?v=1") };
        QTest::newRow("inside parentheses") << QStringLiteral("(see https://example.com/page)") << QStringList { QStringLiteral("https://example.com/page") };
        QTest::newRow("parentheses that belong to the link") << QStringLiteral("Read https://en.wikipedia.org/wiki/Mercury_(planet).") << QStringList { QStringLiteral("https://en.wikipedia.org/wiki/Mercury_(planet)") };
        QTest::newRow("link with parentheses inside parentheses") << QStringLiteral("(https://en.wikipedia.org/wiki/Mercury_(planet)), right?") << QStringList { QStringLiteral("https://en.wikipedia.org/wiki/Mercury_(planet)") };
        QTest::newRow("closing bracket before an opening one") << QStringLiteral("https://example.com/a)b(c)") << QStringList { QStringLiteral("https://example.com/a)b(c)") };
        QTest::newRow("IPv6 host keeps its brackets") << QStringLiteral("local: http://[::1]:8080/x]") << QStringList { QStringLiteral("http://[::1]:8080/x") };
        QTest::newRow("angle brackets, quotes and brackets") << QStringLiteral("<https://a.example.com/x> 'https://b.example.com/y' [https://c.example.com/] {https://d.example.com/?v=x&t=1m2s#c}") << QStringList { QStringLiteral("https://a.example.com/x"), QStringLiteral("https://b.example.com/y"), QStringLiteral("https://c.example.com/"), QStringLiteral("https://d.example.com/?v=x&t=1m2s#c") };
        QTest::newRow("typographic quotes") << QStringLiteral("He said “https://example.com/x” and ‘https://example.com/y’.") << QStringList { QStringLiteral("https://example.com/x"), QStringLiteral("https://example.com/y") };
        QTest::newRow("bare www becomes http") << QStringLiteral("Go to www.example.com/page, now") << QStringList { QStringLiteral("http://www.example.com/page") };
        QTest::newRow("bare www in capitals") << QStringLiteral("WWW.Example.COM") << QStringList { QStringLiteral("http://www.example.com") };
        QTest::newRow("www that is no link") << QStringLiteral("www. www.. www") << QStringList();
        QTest::newRow("mail address") << QStringLiteral("write to me@www.example.com") << QStringList();
        QTest::newRow("scheme glued to a word") << QStringLiteral("xhttps://example.com") << QStringList();
        QTest::newRow("scheme alone") << QStringLiteral("https:// and http://.") << QStringList();
        QTest::newRow("one per line, tabs and no-break spaces") << QStringLiteral("https://a.example.com/1\r\n\thttps://b.example.com/2\u00A0https://c.example.com/3") << QStringList { QStringLiteral("https://a.example.com/1"), QStringLiteral("https://b.example.com/2"), QStringLiteral("https://c.example.com/3") };
        QTest::newRow("single-label host passes") << QStringLiteral("http://localhost:8080/x") << QStringList { QStringLiteral("http://localhost:8080/x") };
        QTest::newRow("text without spaces") << QStringLiteral("動画はこちらhttps://example.jp/v/1。") << QStringList { QStringLiteral("https://example.jp/v/1") };
        QTest::newRow("non-ASCII path is encoded") << QStringLiteral("https://de.wikipedia.org/wiki/Köln") << QStringList { QStringLiteral("https://de.wikipedia.org/wiki/K%C3%B6ln") };
        QTest::newRow("replacement characters end a link") << QStringLiteral("\uFFFDhttps://example.com/x\uFFFD\uFFFDhttps://example.com/y\uFFFD") << QStringList { QStringLiteral("https://example.com/x"), QStringLiteral("https://example.com/y") };
        QTest::newRow("control characters end a link") << QStringLiteral("https://example.com/x") + QChar(0) + QStringLiteral("https://example.com/y\x1b") << QStringList { QStringLiteral("https://example.com/x"), QStringLiteral("https://example.com/y") };
        QTest::newRow("empty") << QString() << QStringList();
    }

    void extractURLs()
    {
        QFETCH(QString, text);
        QFETCH(QStringList, expected);
        QCOMPARE(QUrl::toStringList(::extractURLs(text), QUrl::FullyEncoded), expected);
    }

    // Hostile or broken input: no crash, no hang, a sensible answer.
    void longInput_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<qsizetype>("links");
        QTest::newRow("1 MB word") << QString(megabyte, QLatin1Char('a')) << qsizetype(0);
        QTest::newRow("1 MB link") << QStringLiteral("https://example.com/") + QString(megabyte, QLatin1Char('x')) << qsizetype(1);
        QTest::newRow("1 MB of opening brackets") << QString(megabyte, QLatin1Char('(')) << qsizetype(0);
        QTest::newRow("link, then 1 MB of closing brackets") << QStringLiteral("https://example.com/x") + QString(megabyte, QLatin1Char(')')) << qsizetype(1);
        QTest::newRow("1 MB of schemes") << QStringLiteral("(https://").repeated(megabyte / 9) << qsizetype(0);
        QTest::newRow("1 MB of replacement characters") << QString(megabyte, QChar(0xFFFD)) << qsizetype(0);
        QTest::newRow("1 MB of lone surrogates") << QString(megabyte, QChar(0xD800)) << qsizetype(0);
        QTest::newRow("many short links") << QStringLiteral("https://a.io/ ").repeated(megabyte / 14) << megabyte / 14;
    }

    void longInput()
    {
        QFETCH(QString, text);
        QFETCH(qsizetype, links);
        QCOMPARE(::extractURLs(text).size(), links);
        QCOMPARE(::validWebURL(text).has_value(), links == 1);
    }

    void formatDuration_data()
    {
        QTest::addColumn<OptionalSeconds>("seconds");
        QTest::addColumn<QString>("expected");
        const QString unknown = QStringLiteral("—");
        QTest::newRow("absent") << OptionalSeconds() << unknown;
        QTest::newRow("zero") << OptionalSeconds(0) << unknown;
        QTest::newRow("NaN") << OptionalSeconds(std::numeric_limits<double>::quiet_NaN()) << unknown;
        QTest::newRow("beyond 64 bits") << OptionalSeconds(1e300) << unknown;
        QTest::newRow("59.9 truncates") << OptionalSeconds(59.9) << QStringLiteral("0:59");
        QTest::newRow("just under an hour") << OptionalSeconds(3599.99) << QStringLiteral("59:59");
        QTest::newRow("one hour") << OptionalSeconds(3600) << QStringLiteral("1:00:00");
        QTest::newRow("hours, minutes, seconds") << OptionalSeconds(3 * 3600 + 5 * 60 + 7) << QStringLiteral("3:05:07");
        QTest::newRow("more than a day") << OptionalSeconds(100 * 3600 + 1) << QStringLiteral("100:00:01");
    }

    void formatDuration()
    {
        QFETCH(OptionalSeconds, seconds);
        QFETCH(QString, expected);
        QCOMPARE(::formatDuration(seconds), expected);
    }

    void formatBytes_data()
    {
        QTest::addColumn<qint64>("bytes");
        QTest::addColumn<QString>("expected");
        QTest::newRow("zero") << qint64(0) << QStringLiteral("0 bytes");
        QTest::newRow("one") << qint64(1) << QStringLiteral("1 byte");
        QTest::newRow("1000") << qint64(1000) << QStringLiteral("1 KB");
        QTest::newRow("1500 rounds half up") << qint64(1500) << QStringLiteral("2 KB");
        QTest::newRow("999 499") << qint64(999'499) << QStringLiteral("999 KB");
        QTest::newRow("999 500 carries to MB") << qint64(999'500) << QStringLiteral("1 MB");
        QTest::newRow("MB one decimal, half up") << qint64(12'350'000) << QStringLiteral("12.4 MB");
        QTest::newRow("999.95 MB carries to GB") << qint64(999'950'000) << QStringLiteral("1 GB");
        QTest::newRow("GB two decimals") << qint64(1'234'567'890) << QStringLiteral("1.23 GB");
        QTest::newRow("GB half up") << qint64(1'005'000'000) << QStringLiteral("1.01 GB");
        QTest::newRow("999.995 TB carries to PB") << qint64(999'995'000'000'000) << QStringLiteral("1 PB");
        QTest::newRow("largest value") << std::numeric_limits<qint64>::max() << QStringLiteral("9.22 EB");
        QTest::newRow("minus one") << qint64(-1) << QStringLiteral("-1 byte");
        QTest::newRow("negative half rounds away from zero") << qint64(-1500) << QStringLiteral("-2 KB");
        QTest::newRow("smallest value") << std::numeric_limits<qint64>::min() << QStringLiteral("-9.22 EB");
    }

    void formatBytes()
    {
        QFETCH(qint64, bytes);
        QFETCH(QString, expected);
        QCOMPARE(::formatBytes(bytes), expected);
    }
};

QTEST_GUILESS_MAIN(TestLinkRules)
#include "tst_linkrules.moc"
