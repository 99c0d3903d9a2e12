// A download that fails the way an outdated yt-dlp does, against a local
// mirror that serves a newer yt-dlp release.
#include "DependencyManager.h"
#include "DownloadManager.h"
#include "DownloadTask.h"
#include "ErrorInterpreter.h"
#include "FakeTools.h"
#include "LogManager.h"
#include "SettingsStore.h"
#include "TestHttpServer.h"
#include "TestSupport.h"
#include "ToolMirror.h"
#include "UpdateHint.h"

#include <QCoroTask>
#include <QDir>
#include <QTemporaryDir>
#include <QTest>

#include <memory>

static constexpr int patience = 60000; // real child processes and an install on a loaded machine
static const QString api = "/repos/yt-dlp/yt-dlp/releases/latest";

// A yt-dlp stand-in that passes the version probe and the smoke test; a
// download waits for the gate file, then fails like an outdated yt-dlp or succeeds.
static QByteArray standIn(const QByteArray& version, bool downloads, const QString& gate)
{
    const QByteArray outdated = "echo 'ERROR: [generic] abc: Unable to extract title; please report this issue on "
                                "https://github.com/yt-dlp/yt-dlp/issues?q= , filling out the appropriate issue "
                                "template. Confirm you are on the latest version using  yt-dlp -U' >&2\nexit 1\n";
    return "#!/bin/sh\ncase \"$*\" in\n  *--version*) echo " + version + "; exit 0 ;;\n"
        + "  *--list-extractors*) seq 1 150; exit 0 ;;\nesac\n"
        + "while [ ! -e '" + QFile::encodeName(gate) + "' ]; do sleep 0.05; done\n"
        + (downloads ? QByteArray("exit 0\n") : outdated);
}

class TestUpdateRetry : public QObject {
    Q_OBJECT

    QTemporaryDir m_scratch;
    std::unique_ptr<TestHttpServer> m_server;

private slots:
    void initTestCase()
    {
        SettingsStore::registerDefaults();
        SettingsStore::set("maxConcurrent", 2);
        qputenv("TMPDIR", QFile::encodeName(m_scratch.path()));
        m_server = std::make_unique<TestHttpServer>();
        qputenv("KLIPWELL_TOOL_MIRROR", m_server->origin().toUtf8());
        m_server->serveData(api, R"({"tag_name": "2099.02.01"})", "application/json");
    }

    void retryAfterUpdate_data()
    {
        QTest::addColumn<bool>("autoUpdate");
        QTest::addColumn<int>("tasks");
        QTest::addColumn<bool>("newOneWorks");
        QTest::addColumn<int>("checks");
        QTest::newRow("updated, retried once, completed") << true << 1 << true << 1;
        QTest::newRow("updates off: nothing retried") << false << 1 << true << 0;
        QTest::newRow("two failing at once: one check") << true << 2 << true << 1;
        QTest::newRow("failing again after its retry") << true << 1 << false << 1;
    }
    void retryAfterUpdate()
    {
        QFETCH(bool, autoUpdate);
        QFETCH(int, tasks);
        QFETCH(bool, newOneWorks);
        QVERIFY(QDir(toolsDirectory()).removeRecursively());
        QCOMPARE(FakeTools::install(), QString());
        const int checksBefore = m_server->requestCount(api);
        const QString gate = m_scratch.filePath("gate");
        QFile::remove(gate);
        QVERIFY(!TestSupport::writeScript(toolPath(Tool::ytdlp), standIn("2099.01.01", false, gate)).isEmpty());
        m_server->serveData(ToolMirror::path(Tool::ytdlp), standIn("2099.02.01", newOneWorks, gate));
        SettingsStore::set("autoUpdateTools", autoUpdate);

        DependencyManager tools;
        QCoro::waitFor(tools.bootstrap());
        DownloadManager downloads(nullptr);
        downloads.setYtdlpUpdater([&tools] { return tools.updateAfterFailedDownload(); });
        downloads.setStarted(true);
        DownloadOptions options;
        options.folder = m_scratch.filePath("out");
        options.outputTemplate = "%(title)s.%(ext)s";
        for (int i = 0; i < tasks; ++i) {
            options.url = QString("https://example.com/%1").arg(i);
            downloads.enqueue(options);
        }
        // Every run fails only once all of them are running.
        QTRY_COMPARE_WITH_TIMEOUT(downloads.childPIDs().size(), tasks, patience);
        QVERIFY(TestSupport::writeFile(gate, {}));
        QTRY_COMPARE_WITH_TIMEOUT(downloads.pendingCount(), 0, patience);

        QTEST(m_server->requestCount(api) - checksBefore, "checks");
        QCOMPARE(tools.state(Tool::ytdlp).version, autoUpdate ? "2099.02.01" : "2099.01.01");
        const QString retryLine = "—— retrying after yt-dlp was updated to 2099.02.01 ——";
        for (DownloadTask* task : downloads.tasks().mid(downloads.tasks().size() - tasks)) { // this case's
            QCOMPARE(task->status(), autoUpdate && newOneWorks ? TaskStatus::completed : TaskStatus::failed);
            QCOMPARE(LogManager::shared().read(task->id()).count(retryLine), autoUpdate ? 1 : 0);
        }
    }

    void updateCheckAtMostHourlyAndNeverWhileBusy()
    {
        QVERIFY(QDir(toolsDirectory()).removeRecursively());
        QCOMPARE(FakeTools::install(), QString());
        const int checksBefore = m_server->requestCount(api);
        SettingsStore::set("autoUpdateTools", true);
        DependencyManager tools;
        auto starting = tools.bootstrap();
        QVERIFY(tools.busy());
        QCOMPARE(QCoro::waitFor(tools.updateAfterFailedDownload()), std::nullopt);
        QCoro::waitFor(std::move(starting));
        QCoro::waitFor(tools.updateAfterFailedDownload());
        QCoro::waitFor(tools.updateAfterFailedDownload());
        QCOMPARE(m_server->requestCount(api) - checksBefore, 1);
    }

    void failuresThatSuggestAnUpdate_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<bool>("suggests");
        QTest::newRow("HTTP 403") << "ERROR: unable to download video data: HTTP Error 403: Forbidden" << true;
        QTest::newRow("403 behind a sign-in request") << "Sign in to confirm you’re not a bot. HTTP Error 403" << false;
        QTest::newRow("challenge solving") << "WARNING: [youtube] n challenge solving failed" << true;
        QTest::newRow("nsig") << "ERROR: [youtube] abc: nsig extraction failed: Some formats may be missing" << true;
        QTest::newRow("report without the version advice") << "please report this issue on the tracker" << false;
        QTest::newRow("a missing video") << "ERROR: HTTP Error 404: Not Found" << false;
    }
    void failuresThatSuggestAnUpdate()
    {
        QFETCH(QString, text);
        QTEST(UpdateHint::suggestsUpdate(text, ErrorInterpreter::explain(text, 1)), "suggests");
    }
};

QTEST_GUILESS_MAIN(TestUpdateRetry)
#include "tst_updateretry.moc"
