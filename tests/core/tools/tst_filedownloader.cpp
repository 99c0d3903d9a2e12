#include "FileDownloader.h"
#include "TestHttpServer.h"
#include "TestSupport.h"

#include <QCoroTask>
#include <QDir>
#include <QFile>
#include <QNetworkReply>
#include <QTemporaryDir>
#include <QTest>

#include <chrono>

using namespace std::chrono_literals;

namespace {

QByteArray body(qsizetype size)
{
    QByteArray data(size, Qt::Uninitialized);
    for (qsizetype i = 0; i < size; ++i)
        data[i] = char('a' + i % 26);
    return data;
}

using TestSupport::readFile;

} // namespace

class TestFileDownloader : public QObject {
    Q_OBJECT

    std::optional<ToolError> download(
        FileDownloader& downloader, const QUrl& url, const QString& dest, QList<double>* fractions = nullptr)
    {
        auto task = downloader.download(url, dest, [fractions](double f) {
            if (fractions)
                fractions->append(f);
        });
        return QCoro::waitFor(std::move(task));
    }

private slots:
    void outcomes_data()
    {
        QTest::addColumn<QString>("route");
        QTest::addColumn<QString>("error"); // empty: success with the whole body
        QTest::addColumn<bool>("progress");
        QTest::newRow("announced size") << "file"
                                        << "" << true;
        QTest::newRow("no length") << "nolength"
                                   << "" << false;
        QTest::newRow("redirect chain") << "hop1"
                                        << "" << true;
        QTest::newRow("not found") << "missing"
                                   << "HTTP 404" << false;
        QTest::newRow("redirect to a missing file") << "badhop"
                                                    << "HTTP 404" << false;
        QTest::newRow("endless redirects") << "loop"
                                           << "Too many redirects" << false;
        QTest::newRow("redirect to another protocol") << "ftphop"
                                                      << "Unknown protocol specified" << false;
        QTest::newRow("stall") << "stall"
                               << "The request timed out." << true;
    }

    void outcomes()
    {
        QFETCH(QString, route);
        QFETCH(QString, error);
        QFETCH(bool, progress);

        const QByteArray content = body(300 * 1024);
        TestHttpServer server;
        server.serveData("/file", content);
        server.serveWithoutLength("/nolength", content);
        server.serveRedirect("/hop1", server.url("/hop2").toString(), 301);
        server.serveRedirect("/hop2", "/hop3", 302);
        server.serveRedirect("/hop3", server.url("/file").toString(), 307);
        server.serveRedirect("/badhop", "/missing");
        server.serveRedirect("/loop", "/loop");
        server.serveRedirect("/ftphop", "ftp://127.0.0.1/file");
        server.serveStall("/stall", content.size(), 1000);

        QTemporaryDir dir;
        const QString dest = dir.filePath(QStringLiteral("download.zip"));
        // Only the stalling server gets the short limit: a busy machine may pause a real transfer.
        FileDownloader downloader(route == "stall" ? 1s : 60s);
        QList<double> fractions;
        const std::optional<ToolError> result
            = download(downloader, server.url("/" + route), dest, &fractions);

        if (error.isEmpty()) {
            QCOMPARE(result, std::nullopt);
            QCOMPARE(readFile(dest), content);
        } else {
            QVERIFY(result.has_value());
            QCOMPARE(result->description, error);
            if (error.startsWith("HTTP ")) {
                QCOMPARE(result->domain, QStringLiteral("Download"));
                QCOMPARE(result->code, error.mid(5).toInt());
            }
            // Neither the destination nor a partial temporary file is left.
            QCOMPARE(QDir(dir.path()).entryList(QDir::AllEntries | QDir::NoDotAndDotDot), QStringList());
        }
        QCOMPARE(!fractions.isEmpty(), progress);
        for (qsizetype i = 1; i < fractions.size(); ++i)
            QVERIFY(fractions.at(i) >= fractions.at(i - 1));
        if (progress && error.isEmpty())
            QCOMPARE(fractions.last(), 1.0);
    }

    void existingDestinationIsReplacedOnlyBySuccess()
    {
        TestHttpServer server;
        server.serveData("/new", "new tool");
        QTemporaryDir dir;
        const QString dest = dir.filePath(QStringLiteral("yt-dlp"));
        QVERIFY(TestSupport::writeFile(dest, "old tool, longer than the new one"));

        FileDownloader failing;
        QCOMPARE(download(failing, server.url("/absent"), dest)->description, QStringLiteral("HTTP 404"));
        QCOMPARE(readFile(dest), QByteArray("old tool, longer than the new one"));

        FileDownloader working;
        QCOMPARE(download(working, server.url("/new"), dest), std::nullopt);
        QCOMPARE(readFile(dest), QByteArray("new tool"));
    }

    void cancellingStopsTheTransfer()
    {
        TestHttpServer server;
        server.serveData("/slow", body(1024 * 1024));
        server.setBytesPerSecond(64 * 1024);
        QTemporaryDir dir;
        const QString dest = dir.filePath(QStringLiteral("deno.zip"));

        FileDownloader downloader;
        auto task
            = downloader.download(server.url("/slow"), dest, [&downloader](double) { downloader.cancel(); });
        const std::optional<ToolError> result = QCoro::waitFor(std::move(task));
        QVERIFY(result.has_value());
        QCOMPARE(result->code, int(QNetworkReply::OperationCanceledError));
        QCOMPARE(QDir(dir.path()).entryList(QDir::AllEntries | QDir::NoDotAndDotDot), QStringList());
        QVERIFY(server.bytesSent("/slow") < 1024 * 1024);
    }

    void transportAndFileErrorsAreReported()
    {
        quint16 closedPort = 0;
        {
            TestHttpServer gone;
            closedPort = gone.port();
        }
        QTemporaryDir dir;
        FileDownloader refused;
        const auto network = download(refused,
            QUrl(QStringLiteral("http://127.0.0.1:%1/yt-dlp").arg(closedPort)), dir.filePath("yt-dlp"));
        QVERIFY(network.has_value());
        QCOMPARE(network->domain, QStringLiteral("Network"));
        QVERIFY(!network->description.isEmpty());

        TestHttpServer server;
        server.serveData("/yt-dlp", "tool");
        FileDownloader unwritable;
        const auto file = download(unwritable, server.url("/yt-dlp"), dir.filePath("no/such/folder/yt-dlp"));
        QVERIFY(file.has_value());
        QCOMPARE(file->domain, QStringLiteral("File"));
    }
};

QTEST_GUILESS_MAIN(TestFileDownloader)
#include "tst_filedownloader.moc"
