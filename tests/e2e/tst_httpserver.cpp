// The local HTTP server every end-to-end test relies on: resume needs real
// range answers, fault tests need exact statuses.
#include "TestHttpServer.h"
#include "TestSupport.h"

#include <QElapsedTimer>
#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

namespace {

struct Answer {
    int status = 0;
    QByteArray body;
    QByteArray contentRange;
    QByteArray contentLength;
};

Answer get(const QUrl& url, const QByteArray& range = {})
{
    QNetworkAccessManager manager;
    manager.setRedirectPolicy(QNetworkRequest::NoLessSafeRedirectPolicy);
    QNetworkRequest request(url);
    if (!range.isEmpty())
        request.setRawHeader("Range", range);
    QNetworkReply* reply = manager.get(request);
    QSignalSpy finished(reply, &QNetworkReply::finished);
    finished.wait(30000);
    Answer answer { reply->attribute(QNetworkRequest::HttpStatusCodeAttribute).toInt(), reply->readAll(),
        reply->rawHeader("Content-Range"), reply->rawHeader("Content-Length") };
    reply->deleteLater();
    return answer;
}

} // namespace

class TestHttpServerSuite : public QObject {
    Q_OBJECT

private slots:
    void rangeRequests_data()
    {
        QTest::addColumn<QByteArray>("range");
        QTest::addColumn<int>("status");
        QTest::addColumn<QByteArray>("body");
        QTest::addColumn<QByteArray>("contentRange");
        QTest::newRow("whole") << QByteArray() << 200 << QByteArray("0123456789") << QByteArray();
        QTest::newRow("open end") << QByteArray("bytes=4-") << 206 << QByteArray("456789")
                                  << QByteArray("bytes 4-9/10");
        QTest::newRow("closed") << QByteArray("bytes=2-3") << 206 << QByteArray("23")
                                << QByteArray("bytes 2-3/10");
        QTest::newRow("suffix") << QByteArray("bytes=-3") << 206 << QByteArray("789")
                                << QByteArray("bytes 7-9/10");
        QTest::newRow("past end") << QByteArray("bytes=10-") << 416 << QByteArray()
                                  << QByteArray("bytes */10");
    }

    void rangeRequests()
    {
        QFETCH(QByteArray, range);
        QFETCH(int, status);
        QFETCH(QByteArray, body);
        QFETCH(QByteArray, contentRange);
        QTemporaryDir dir;
        const QString file = dir.filePath(QStringLiteral("digits.bin"));
        QVERIFY(TestSupport::writeFile(file, "0123456789"));
        TestHttpServer server;
        server.serveFile(QStringLiteral("/digits.bin"), file);
        const Answer answer = get(server.url(QStringLiteral("/digits.bin")), range);
        QCOMPARE(answer.status, status);
        QCOMPARE(answer.body, body);
        QCOMPARE(answer.contentRange, contentRange);
        if (!range.isEmpty())
            QCOMPARE(server.rangeHeaders(QStringLiteral("/digits.bin")), QList<QByteArray> { range });
    }

    void routes()
    {
        TestHttpServer server;
        server.serveData(QStringLiteral("/data"), "hello");
        server.serveStatus(QStringLiteral("/gone"), 404);
        server.serveRedirect(QStringLiteral("/hop"), server.url(QStringLiteral("/data")).toString());
        server.serveWithoutLength(QStringLiteral("/stream"), QByteArray(100000, 'z'));
        QCOMPARE(get(server.url(QStringLiteral("/data?x=1"))).body, QByteArray("hello"));
        QCOMPARE(get(server.url(QStringLiteral("/gone"))).status, 404);
        QCOMPARE(get(server.url(QStringLiteral("/unknown"))).status, 404);
        QCOMPARE(get(server.url(QStringLiteral("/hop"))).body, QByteArray("hello"));
        const Answer stream = get(server.url(QStringLiteral("/stream")));
        QCOMPARE(stream.body.size(), 100000);
        QVERIFY(stream.contentLength.isEmpty());
        QCOMPARE(server.requestCount(QStringLiteral("/data")), 2);
        QCOMPARE(server.bytesSent(QStringLiteral("/data")), 10);
    }

    void throttleSpreadsTheBody()
    {
        TestHttpServer server;
        server.serveData(QStringLiteral("/slow"), QByteArray(50000, 's'));
        server.setBytesPerSecond(100000);
        QElapsedTimer clock;
        clock.start();
        QCOMPARE(get(server.url(QStringLiteral("/slow"))).body.size(), 50000);
        QVERIFY(clock.elapsed() >= 300);
    }
};

QTEST_GUILESS_MAIN(TestHttpServerSuite)
#include "tst_httpserver.moc"
