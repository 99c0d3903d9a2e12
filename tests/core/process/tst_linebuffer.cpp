#include "LineBuffer.h"

#include <QTest>

class TestLineBuffer : public QObject {
    Q_OBJECT

private slots:
    void splitsReads_data()
    {
        QTest::addColumn<QByteArrayList>("reads");
        QTest::addColumn<QStringList>("lines");
        QTest::addColumn<QStringList>("rest");

        QTest::newRow("CR LF and LF") << QByteArrayList { "a\r\nb\n" } << QStringList { "a", "b" } << QStringList {};
        QTest::newRow("CR progress updates") << QByteArrayList { "[download]  10.0%\r[download]  20.0%\r" } << QStringList { "[download]  10.0%", "[download]  20.0%" } << QStringList {};
        QTest::newRow("terminators only") << QByteArrayList { "\n\n\r" } << QStringList {} << QStringList {};
        QTest::newRow("no terminator") << QByteArrayList { "abc" } << QStringList {} << QStringList { "abc" };
        QTest::newRow("rest after lines") << QByteArrayList { "one\ntw", "o\nthr", "ee" } << QStringList { "one", "two" } << QStringList { "three" };
        QTest::newRow("character split across reads") << QByteArrayList { "caf\xC3", "\xA9 \xE2\x80", "\x94 ok\n" } << QStringList { QString::fromUtf8("café — ok") } << QStringList {};
        QTest::newRow("invalid byte") << QByteArrayList { "a\xFF" "b\n" } << QStringList { QString::fromUtf8("a\uFFFDb") } << QStringList {};
        QTest::newRow("empty reads") << QByteArrayList { "", "x", "", "\n", "" } << QStringList { "x" } << QStringList {};
    }

    void splitsReads()
    {
        QFETCH(QByteArrayList, reads);
        QFETCH(QStringList, lines);
        QFETCH(QStringList, rest);

        LineBuffer buffer;
        QStringList got;
        for (const QByteArray& read : reads)
            got += buffer.feed(read);
        QCOMPARE(got, lines);
        QCOMPARE(buffer.flush(), rest);
        QCOMPARE(buffer.flush(), QStringList {});
        // The buffer starts afresh after a flush.
        QCOMPARE(buffer.feed("next\n"), QStringList { "next" });
    }
};

QTEST_GUILESS_MAIN(TestLineBuffer)
#include "tst_linebuffer.moc"
