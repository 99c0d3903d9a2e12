#include "FileDownloader.h"
#include "TestHttpServer.h"
#include "TestSupport.h"

#include <QCoroTask>
#include <QCryptographicHash>
#include <QDir>
#include <QTemporaryDir>
#include <QTest>

using namespace std::chrono_literals;
using TestSupport::readFile;

namespace {

const QByteArray oldTool = "old tool, longer than the new one";

} // namespace

class TestFileDownloader : public QObject {
    Q_OBJECT

private slots:
    // Every download replaces a file that holds an older tool.
    void outcomes_data()
    {
        QTest::addColumn<QString>("route");
        QTest::addColumn<QString>("domain"); // empty: success with the whole body
        QTest::addColumn<QString>("error"); // empty: any description
        QTest::addColumn<bool>("progress");
        QTest::newRow("announced size") << "file" << "" << "" << true;
        QTest::newRow("no length") << "nolength" << "" << "" << false;
        QTest::newRow("redirect chain") << "hop1" << "" << "" << true;
        QTest::newRow("not found") << "missing" << "Download" << "HTTP 404" << false;
        QTest::newRow("redirect to a missing file") << "badhop" << "Download" << "HTTP 404" << false;
        QTest::newRow("endless redirects") << "loop" << "Network" << "Too many redirects" << false;
        QTest::newRow("redirect to another protocol") << "ftphop" << "Network" << "Unknown protocol specified" << false;
        QTest::newRow("stall") << "stall" << "Network" << "The request timed out." << true;
        QTest::newRow("connection refused") << "refused" << "Network" << "" << false;
        QTest::newRow("unwritable destination") << "file" << "File" << "" << false;
    }

    void outcomes()
    {
        QFETCH(QString, route);
        QFETCH(QString, domain);
        QFETCH(QString, error);
        QFETCH(bool, progress);
        QByteArray content(300 * 1024, Qt::Uninitialized);
        for (qsizetype i = 0; i < content.size(); ++i)
            content[i] = char('a' + i % 26);
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
        QUrl url = server.url("/" + route);
        if (route == "refused")
            url.setPort(TestHttpServer().port()); // closed again at once
        QTemporaryDir dir;
        const QString old = dir.filePath("yt-dlp");
        QVERIFY(TestSupport::writeFile(old, oldTool));
        const QString dest = domain == "File" ? dir.filePath("no/such/folder/yt-dlp") : old;

        // Only the stalling server gets the short limit: a busy machine may pause a real transfer.
        FileDownloader downloader(route == "stall" ? 1s : 60s);
        downloader.setHashing(true);
        QList<double> fractions;
        auto task = downloader.download(url, dest, [&fractions](double f) { fractions << f; });
        const std::optional<ToolError> result = QCoro::waitFor(std::move(task));

        QCOMPARE(result.value_or(ToolError()).domain, domain);
        if (!error.isEmpty())
            QCOMPARE(result->description, error);
        // A failure leaves the old file as it was, and no partial file beside it.
        QCOMPARE(readFile(old), domain.isEmpty() ? content : oldTool);
        QCOMPARE(QDir(dir.path()).entryList(QDir::AllEntries | QDir::NoDotAndDotDot), QStringList { "yt-dlp" });
        if (domain.isEmpty())
            QCOMPARE(downloader.sha256(), QCryptographicHash::hash(content, QCryptographicHash::Sha256).toHex());
        QCOMPARE(!fractions.isEmpty(), progress);
        for (qsizetype i = 1; i < fractions.size(); ++i)
            QVERIFY(fractions.at(i) >= fractions.at(i - 1));
        if (progress && domain.isEmpty())
            QCOMPARE(fractions.last(), 1.0);
    }
};

QTEST_GUILESS_MAIN(TestFileDownloader)
#include "tst_filedownloader.moc"
