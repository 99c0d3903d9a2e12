// The scheduler driving tests/data/engine/stand-in-yt-dlp.sh, whose link names pick its behaviour,
// and a local mirror serving a newer yt-dlp release.
#include "DownloadManager.h"

#include "AppPaths.h"
#include "DependencyManager.h"
#include "DownloadTask.h"
#include "ErrorInterpreter.h"
#include "FakeNotificationServer.h"
#include "FakeTools.h"
#include "HistoryStore.h"
#include "LogManager.h"
#include "NotificationManager.h"
#include "QueueFile.h"
#include "SettingsStore.h"
#include "TestHttpServer.h"
#include "TestSupport.h"
#include "Tool.h"
#include "ToolMirror.h"
#include "UpdateHint.h"

#include <QCoroTask>
#include <QDir>
#include <QTemporaryDir>
#include <QTest>

static constexpr int patience = 30000; // real child processes on a loaded machine
static const QString api = "/repos/yt-dlp/yt-dlp/releases/latest";
static const QString unsupported = ErrorInterpreter::explain("[generic] Unsupported URL: https://example.com/fail", 1);

// "status | stage | error" of a task.
static QString outcome(const DownloadTask* task)
{
    return rawValue(task->status()) + " | " + task->stage() + " | " + task->error().value_or("");
}

class TestDownloadManager : public QObject {
    Q_OBJECT

    std::unique_ptr<FakeNotificationServer> m_notifications;
    std::unique_ptr<TestHttpServer> m_server;
    QByteArray m_standIn;
    qsizetype m_noticesSeen = 0;
    std::unique_ptr<QTemporaryDir> m_dir;
    QString m_folder;
    std::unique_ptr<HistoryStore> m_history;
    std::unique_ptr<DownloadManager> m_manager;

    DownloadOptions options(const QString& name, bool playlist = false) const
    {
        return { .url = "https://example.com/" + name, .title = "Title " + name, .isPlaylist = playlist, .folder = m_folder, .outputTemplate = "%(title)s.%(ext)s" };
    }

    // What the stand-in left in the download folder.
    QString read(const QString& file) const { return QString::fromUtf8(TestSupport::readFile(m_folder + "/" + file)); }
    QStringList started() const { return read("started").split('\n', Qt::SkipEmptyParts); }
    void release(const QString& name) const { TestSupport::writeFile(m_folder + "/" + name + ".release", {}); }
    QString log(const DownloadTask* task) const { return LogManager::shared().read(task->id()); }

    // The notices posted since the last call, as "summary: body". A marker
    // posted last arrives after all of them: the bus keeps a sender's order.
    QStringList newNotices()
    {
        const QString marker = QUuid::createUuid().toString();
        NotificationManager::shared().notify("marker", marker);
        QList<ReceivedNotification> got;
        const bool arrived = QTest::qWaitFor([&] {
            got = m_notifications->received();
            return !got.isEmpty() && got.last().body == marker;
        }, patience);
        if (!arrived)
            return { "the marker did not arrive" };
        QStringList notices;
        for (const ReceivedNotification& notice : got.mid(m_noticesSeen, got.size() - m_noticesSeen - 1))
            notices << notice.summary + ": " + notice.body;
        m_noticesSeen = got.size();
        return notices;
    }

private slots:
    void initTestCase()
    {
        SettingsStore::registerDefaults();
        m_notifications = std::make_unique<FakeNotificationServer>();
        QVERIFY2(m_notifications->isServing(), "dbus-daemon or the notification server did not start");
        NotificationManager::shared().setInstalledOverride(true);
        m_standIn = TestSupport::readFile(TestSupport::dataPath("engine/stand-in-yt-dlp.sh"));
        m_server = std::make_unique<TestHttpServer>();
        qputenv("KLIPWELL_TOOL_MIRROR", m_server->origin().toUtf8());
        m_server->serveData(api, R"({"tag_name": "2099.02.01"})", "application/json");
    }

    void init()
    {
        m_manager.reset(); // stops the children of the case before
        QDir(AppPaths::support()).removeRecursively();
        SettingsStore::set("maxConcurrent", 2);
        QVERIFY(!TestSupport::writeScript(toolPath(Tool::ytdlp), m_standIn).isEmpty());
        m_dir = std::make_unique<QTemporaryDir>();
        m_folder = m_dir->filePath("out dir"); // shows the quoting of the logged command line
        QDir().mkpath(m_folder);
        m_history = std::make_unique<HistoryStore>();
        m_manager = std::make_unique<DownloadManager>(m_history.get());
        newNotices(); // those of earlier cases
    }

    // Every other case posts as an installed program with the setting's default.
    void noNoticeWhenNotInstalledOrSwitchedOff()
    {
        NotificationManager notInstalled;
        notInstalled.setInstalledOverride(false);
        notInstalled.notify("Download complete", "not installed");
        SettingsStore::set("notifications", false);
        NotificationManager::shared().notify("Download complete", "switched off");
        SettingsStore::remove("notifications");
        QCOMPARE(newNotices(), QStringList());
        QCOMPARE(m_notifications->received().last().replacesId, 0u); // a new notification each time
    }

    void schedulesInListOrderUpToTheLimit_data()
    {
        QTest::addColumn<int>("limit");
        QTest::addColumn<int>("running");
        QTest::newRow("two") << 2 << 2;
        QTest::newRow("zero counts as one") << 0 << 1;
    }
    void schedulesInListOrderUpToTheLimit()
    {
        QFETCH(int, limit);
        QFETCH(int, running);
        SettingsStore::set("maxConcurrent", limit);
        QList<DownloadTask*> tasks;
        for (int i = 0; i < 5; ++i)
            tasks.append(m_manager->enqueue(options(QString("wait%1").arg(i))));
        QTest::qWait(0);
        QCOMPARE(m_manager->activeCount(), 0); // nothing starts before the gate opens
        m_manager->setStarted(true);
        QTRY_COMPARE_WITH_TIMEOUT(m_manager->childPIDs().size(), running, patience);
        for (int i = 0; i < 5; ++i)
            QCOMPARE(tasks[i]->status(), i < running ? TaskStatus::downloading : TaskStatus::queued);

        // Finishing the first starts the next in list order, moved tasks as moved.
        for (int i = 0; i < 3; ++i)
            m_manager->moveUp(tasks[4]);
        m_manager->moveDown(tasks[2]); // 0 4 1 3 2
        release("wait0");
        QTRY_COMPARE_WITH_TIMEOUT(tasks[0]->status(), TaskStatus::completed, patience);
        QCOMPARE(tasks[4]->status(), TaskStatus::downloading);
        // A raised limit applies at the next pass.
        SettingsStore::set("maxConcurrent", 3);
        QCOMPARE(m_manager->activeCount(), running);
        m_manager->enqueue(options("wait5"));
        QCOMPARE(m_manager->activeCount(), 3);
        QCOMPARE(tasks[3]->status(), TaskStatus::downloading);
        QCOMPARE(tasks[2]->status(), TaskStatus::queued);
    }

    void outcomes_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<bool>("playlist");
        QTest::addColumn<int>("exit");
        QTest::addColumn<QString>("outcome");
        QTest::addColumn<QStringList>("stages");
        QTest::addColumn<int>("files"); // when the outcome is announced
        QTest::addColumn<QStringList>("notices");
        const QString exit1 = ErrorInterpreter::explain("exit code 1", 1);
        const QString unavailable = ErrorInterpreter::explain("[youtube] item2: Video unavailable", 1);
        QTest::newRow("completed") << "ok" << false << 0 << "completed | Completed | " << QStringList { "Downloading", "Completed" } << 1 << QStringList { "Download complete: Title ok" };
        QTest::newRow("every line before the outcome") << "manyfiles" << false << 0 << "completed | Completed | " << QStringList { "Completed" } << 200 << QStringList { "Download complete: Title manyfiles" };
        QTest::newRow("markers run together on stderr") << "oldpp" << false << 0 << "completed | Completed | " << QStringList { "Downloading", "Merging with FFmpeg", "Moving file", "Completed" } << 1 << QStringList { "Download complete: Title oldpp" };
        QTest::newRow("error line") << "fail" << false << 1 << "failed | Failed | " + unsupported << QStringList { "Failed" } << 0 << QStringList { "Download failed: " + unsupported };
        QTest::newRow("no error line") << "silent" << false << 1 << "failed | Failed | " + exit1 << QStringList { "Failed" } << 0 << QStringList { "Download failed: " + exit1 };
        QTest::newRow("playlist with files") << "partial" << true << 1 << "completed | Completed | Some playlist items failed — see the log." << QStringList { "Downloading", "Completed" } << 1 << QStringList { "Download complete: Title partial" };
        QTest::newRow("single video with files") << "partial" << false << 1 << "failed | Failed | " + unavailable << QStringList { "Downloading", "Failed" } << 1 << QStringList { "Download failed: " + unavailable };
    }
    void outcomes()
    {
        QFETCH(QString, name);
        QFETCH(bool, playlist);
        QFETCH(int, exit);
        m_manager->setStarted(true);
        DownloadTask* task = m_manager->enqueue(options(name, playlist));
        QStringList stages;
        int files = -1;
        connect(task, &DownloadTask::stageChanged, this, [&] { stages << task->stage(); });
        connect(task, &DownloadTask::statusChanged, this, [&] {
            if (isFinished(task->status()))
                files = int(task->outputFiles().size());
        });
        QTRY_VERIFY_WITH_TIMEOUT(isFinished(task->status()), patience);
        QTEST(outcome(task), "outcome");
        QTEST(stages, "stages");
        QTEST(files, "files");
        QCOMPARE(task->finalSize().value_or(0), task->status() == TaskStatus::completed && files == 1 ? 1000 : 0);
        QCOMPARE(m_history->items().value(0).status, task->status());
        QCOMPARE(m_history->items().value(0).filePath, task->firstFile());
        QVERIFY(log(task).contains(QString("] —— exit %1 ——\n").arg(exit)));
        // The log quotes the folder; the child gets it as one argument.
        QVERIFY(log(task).contains(" -P '" + m_folder + "' -o "));
        const QStringList arguments = read(name + ".args").split('\n');
        QCOMPARE(arguments.at(arguments.indexOf("-P") + 1), m_folder);
        QCOMPARE(arguments.at(arguments.size() - 2), "https://example.com/" + name);
        QTEST(newNotices(), "notices");
    }

    void checksBeforeTheRun_data()
    {
        QTest::addColumn<QString>("fault");
        QTest::addColumn<qint64>("freeSpace"); // -1: cannot be read
        QTest::addColumn<QString>("outcome"); // how it starts
        const QString missing = "failed | Failed | yt-dlp isn’t installed. Open Settings › Tools and run Repair.";
        QTest::newRow("no yt-dlp") << "missing" << qint64(-1) << missing;
        QTest::newRow("yt-dlp not executable") << "notexec" << qint64(-1) << missing;
        QTest::newRow("yt-dlp does not launch") << "badinterpreter" << qint64(-1) << "failed | Failed | Couldn’t launch yt-dlp: ";
        QTest::newRow("folder cannot be created") << "blocked" << qint64(-1) << "failed | Failed | Can’t create the download folder. Choose a different folder in Settings.";
        QTest::newRow("little free space") << "" << qint64(250'000'000) << "failed | Failed | Not enough free disk space (250 MB available).";
        QTest::newRow("no free space") << "" << qint64(0) << "failed | Failed | Not enough free disk space (— available).";
        QTest::newRow("exactly enough") << "" << qint64(300'000'000) << "completed | Completed | ";
    }
    void checksBeforeTheRun()
    {
        QFETCH(QString, fault);
        QFETCH(qint64, freeSpace);
        QFETCH(QString, outcome);
        DownloadOptions o = options("ok");
        if (fault == "missing")
            QFile::remove(toolPath(Tool::ytdlp));
        else if (fault == "notexec")
            QFile(toolPath(Tool::ytdlp)).setPermissions(QFile::ReadOwner | QFile::WriteOwner);
        else if (fault == "badinterpreter")
            TestSupport::writeScript(toolPath(Tool::ytdlp), "#!/nonexistent/interpreter\n");
        else if (fault == "blocked")
            o.folder = m_folder + "/file/sub";
        m_manager->setFreeSpaceProbe([freeSpace](const QString&) {
            return freeSpace < 0 ? std::nullopt : std::optional<qint64>(freeSpace);
        });
        TestSupport::writeFile(m_folder + "/file", {});
        m_manager->setStarted(true);
        DownloadTask* task = m_manager->enqueue(o);
        QTRY_VERIFY_WITH_TIMEOUT(isFinished(task->status()), patience);
        QVERIFY2(::outcome(task).startsWith(outcome), qPrintable(::outcome(task)));
        QCOMPARE(m_history->items().value(0).error, task->error());
        QCOMPARE(started().isEmpty(), task->status() == TaskStatus::failed);
    }

    void pauseResumeAndRemove()
    {
        SettingsStore::set("maxConcurrent", 1);
        m_manager->setStarted(true);
        DownloadTask* running = m_manager->enqueue(options("wait1"));
        DownloadTask* waiting = m_manager->enqueue(options("wait2"));
        QTRY_COMPARE_WITH_TIMEOUT(running->stage(), "Downloading", patience);
        m_manager->pauseAll();
        QCOMPARE(outcome(waiting), "paused |  | "); // no process to stop
        QCOMPARE(running->stage(), "Pausing…");
        QTRY_COMPARE_WITH_TIMEOUT(outcome(running), "paused | Paused | ", patience);
        QCOMPARE(read("wait1.signals"), "interrupted\n");
        QVERIFY(log(running).contains("] —— exit 130 ——\n"));
        QTRY_COMPARE_WITH_TIMEOUT(QueueFile::load().value(0).status, TaskStatus::paused, patience);

        m_manager->resumeAll();
        QCOMPARE(outcome(running), "downloading | Starting | ");
        QCOMPARE(outcome(waiting), "queued | Waiting | ");
        QTRY_COMPARE_WITH_TIMEOUT(running->stage(), "Downloading", patience);
        QCOMPARE(started(), (QStringList { "wait1", "wait1" }));

        // Removing a running task stops its child; its log stays.
        const QUuid id = running->id();
        QPointer<DownloadTask> removed = running;
        m_manager->remove(running);
        QCOMPARE(m_manager->tasks(), QList<DownloadTask*> { waiting });
        QTRY_VERIFY_WITH_TIMEOUT(removed.isNull(), patience);
        QCOMPARE(read("wait1.signals"), "interrupted\ninterrupted\n");
        QVERIFY(LogManager::shared().read(id).contains("Queued: "));
        QVERIFY(m_history->items().isEmpty());
        QTRY_COMPARE_WITH_TIMEOUT(QueueFile::load().size(), 1, patience);
    }

    void cancelInEveryStatus_data()
    {
        QTest::addColumn<QString>("from");
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("outcome");
        QTest::addColumn<bool>("ran");
        QTest::addColumn<QStringList>("notices");
        QTest::addColumn<QString>("signals"); // that the child received
        QTest::addColumn<int>("runs"); // after a retry, which takes back only failed or cancelled tasks
        QTest::newRow("queued") << "queued" << "wait" << "cancelled |  | " << false << QStringList() << "" << 0;
        QTest::newRow("paused") << "paused" << "wait" << "cancelled |  | " << false << QStringList() << "" << 0;
        QTest::newRow("picked, not launched yet") << "picked" << "ok" << "cancelled | Cancelled | " << false << QStringList() << "" << 1;
        QTest::newRow("downloading") << "downloading" << "wait" << "cancelled | Cancelled | " << true << QStringList() << "interrupted\n" << 2;
        QTest::newRow("ignoring interrupts: terminated, then killed") << "downloading" << "stubborn" << "cancelled | Cancelled | " << true << QStringList() << "INT\nTERM\n" << 2;
        QTest::newRow("completed") << "completed" << "ok" << "completed | Completed | " << true << QStringList { "Download complete: Title ok" } << "" << 1;
        QTest::newRow("failed") << "failed" << "fail" << "failed | Failed | " + unsupported << true << QStringList { "Download failed: " + unsupported } << "" << 2;
    }
    void cancelInEveryStatus()
    {
        QFETCH(QString, from);
        QFETCH(QString, name);
        QFETCH(bool, ran);
        QFETCH(int, runs);
        DownloadTask* task = m_manager->enqueue(options(name));
        if (from == "paused")
            m_manager->pause(task);
        if (from != "queued" && from != "paused")
            m_manager->setStarted(true);
        if (from == "downloading")
            QTRY_COMPARE_WITH_TIMEOUT(task->stage(), "Downloading", patience);
        else if (ran)
            QTRY_VERIFY_WITH_TIMEOUT(isFinished(task->status()), patience);
        m_manager->cancel(task);
        QTRY_VERIFY_WITH_TIMEOUT(isFinished(task->status()), patience);
        QTEST(outcome(task), "outcome");
        QCOMPARE(m_history->items().size(), 1);
        QCOMPARE(m_history->items().first().status, task->status());
        QTRY_VERIFY_WITH_TIMEOUT(m_manager->childPIDs().isEmpty(), patience);
        QCOMPARE(started().contains(name), ran);
        QTEST(read(name + ".signals"), "signals");
        QTEST(newNotices(), "notices");
        m_manager->retry(task);
        QCOMPARE(task->status() == TaskStatus::completed, from == "completed");
        QTRY_COMPARE_WITH_TIMEOUT(int(started().count(name)), runs, patience);
    }

    void clearFinishedKeepsTheUnfinished()
    {
        DownloadTask* paused = m_manager->enqueue(options("wait"));
        m_manager->pause(paused);
        m_manager->setStarted(true);
        const QList<DownloadTask*> ended { m_manager->enqueue(options("ok")), m_manager->enqueue(options("fail")) };
        QTRY_VERIFY_WITH_TIMEOUT(isFinished(ended[0]->status()) && isFinished(ended[1]->status()), patience);
        m_manager->clearFinished();
        QCOMPARE(m_manager->tasks(), QList<DownloadTask*> { paused });
        QTRY_COMPARE_WITH_TIMEOUT(QueueFile::load().size(), 1, patience);
    }

    void terminationPutsRunningTasksBackInTheQueue()
    {
        m_manager->setStarted(true);
        DownloadTask* task = m_manager->enqueue(options("wait"));
        m_manager->pause(m_manager->enqueue(options("waitpaused")));
        QTRY_COMPARE_WITH_TIMEOUT(task->stage(), "Downloading", patience);
        DownloadTask* justPicked = m_manager->enqueue(options("ok")); // its run has not begun yet
        QCOMPARE(justPicked->status(), TaskStatus::downloading);
        m_manager->prepareForTermination();
        QCOMPARE(task->status(), TaskStatus::queued);
        QCOMPARE(justPicked->status(), TaskStatus::queued);
        const QList<TaskRecord> saved = QueueFile::load();
        QCOMPARE(saved.value(0).status, TaskStatus::queued);
        QCOMPARE(saved.value(1).status, TaskStatus::paused);
        QTRY_COMPARE_WITH_TIMEOUT(read("wait.signals"), "interrupted\n", patience);
        // Whatever happens before the program ends, the saved queue stays as it was.
        QTRY_VERIFY_WITH_TIMEOUT(m_manager->childPIDs().isEmpty(), patience);
        QCoreApplication::processEvents();
        QCOMPARE(QueueFile::load(), saved);
        QCOMPARE(started(), QStringList { "wait" });
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
        QCOMPARE(FakeTools::install(), QString()); // FFmpeg and the rest, for the set-up
        QVERIFY(!TestSupport::writeScript(toolPath(Tool::ytdlp), m_standIn).isEmpty());
        const QByteArray update = QByteArray(m_standIn).replace("version=2099.01.01", "version=2099.02.01");
        m_server->serveData(ToolMirror::path(Tool::ytdlp), newOneWorks ? QByteArray(update).replace("fixed=no", "fixed=yes") : update);
        const int checksBefore = m_server->requestCount(api);
        SettingsStore::set("autoUpdateTools", autoUpdate);

        DependencyManager tools;
        auto starting = tools.bootstrap();
        QCOMPARE(QCoro::waitFor(tools.updateAfterFailedDownload()), std::nullopt); // never while busy
        QCoro::waitFor(std::move(starting));
        DownloadManager downloads(nullptr);
        downloads.setYtdlpUpdater([&tools] { return tools.updateAfterFailedDownload(); });
        downloads.setStarted(true);
        for (int i = 0; i < tasks; ++i)
            downloads.enqueue(options(QString("outdated%1").arg(i)));
        // Every run fails only once all of them are running.
        QTRY_COMPARE_WITH_TIMEOUT(downloads.childPIDs().size(), tasks, patience);
        for (int i = 0; i < tasks; ++i)
            release(QString("outdated%1").arg(i));
        QTRY_COMPARE_WITH_TIMEOUT(downloads.pendingCount(), 0, 2 * patience); // with an install
        QCOMPARE(QCoro::waitFor(tools.updateAfterFailedDownload()), std::nullopt); // at most hourly
        QTEST(m_server->requestCount(api) - checksBefore, "checks");
        QCOMPARE(tools.state(Tool::ytdlp).version, autoUpdate ? "2099.02.01" : "2099.01.01");
        const QString retryLine = "—— retrying after yt-dlp was updated to 2099.02.01 ——";
        for (DownloadTask* task : downloads.tasks()) {
            QCOMPARE(task->status(), autoUpdate && newOneWorks ? TaskStatus::completed : TaskStatus::failed);
            QCOMPARE(log(task).count(retryLine), autoUpdate ? 1 : 0);
        }
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

QTEST_GUILESS_MAIN(TestDownloadManager)
#include "tst_downloadmanager.moc"
