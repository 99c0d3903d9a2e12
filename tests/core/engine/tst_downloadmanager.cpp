// The scheduler driving tests/data/engine/stand-in-yt-dlp.sh, whose link names pick its behaviour.
#include "DownloadManager.h"

#include "AppPaths.h"
#include "DownloadTask.h"
#include "ErrorInterpreter.h"
#include "FakeNotificationServer.h"
#include "HistoryStore.h"
#include "LogManager.h"
#include "NotificationManager.h"
#include "QueueFile.h"
#include "SettingsStore.h"
#include "TestSupport.h"
#include "Tool.h"

#include <QDir>
#include <QTemporaryDir>
#include <QTest>

static constexpr int patience = 30000; // real child processes on a loaded machine
static const QString unsupported = ErrorInterpreter::explain("[generic] Unsupported URL: https://example.com/fail", 1);

// "status | stage | error" of a task.
static QString outcome(const DownloadTask* task)
{
    return rawValue(task->status()) + " | " + task->stage() + " | " + task->error().value_or("");
}

class TestDownloadManager : public QObject {
    Q_OBJECT

    std::unique_ptr<FakeNotificationServer> m_notifications;
    qsizetype m_noticesSeen = 0;
    std::unique_ptr<QTemporaryDir> m_dir;
    QString m_folder;
    std::unique_ptr<HistoryStore> m_history;
    std::unique_ptr<DownloadManager> m_manager;

    DownloadManager& manager() { return *m_manager; }
    void restart() // over the files the last one left
    {
        m_manager.reset();
        m_history = std::make_unique<HistoryStore>();
        m_manager = std::make_unique<DownloadManager>(m_history.get());
    }

    DownloadOptions options(const QString& name, bool playlist = false) const
    {
        DownloadOptions o;
        o.url = "https://example.com/" + name;
        o.title = "Title " + name;
        o.folder = m_folder;
        o.outputTemplate = "%(title)s.%(ext)s";
        o.presetName = "Best Quality";
        o.isPlaylist = playlist;
        return o;
    }

    DownloadTask* runToEnd(const DownloadOptions& options)
    {
        manager().setStarted(true);
        DownloadTask* task = manager().enqueue(options);
        if (!QTest::qWaitFor([task] { return isFinished(task->status()); }, patience))
            qWarning("the task did not finish");
        return task;
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
    }

    void init()
    {
        m_manager.reset(); // stops the children of the case before
        QDir(AppPaths::support()).removeRecursively();
        SettingsStore::set("maxConcurrent", 2);
        const QByteArray standIn = TestSupport::readFile(TestSupport::dataPath("engine/stand-in-yt-dlp.sh"));
        QVERIFY(!TestSupport::writeScript(toolPath(Tool::ytdlp), standIn).isEmpty());
        m_dir = std::make_unique<QTemporaryDir>();
        m_folder = m_dir->filePath("out dir"); // shows the quoting of the logged command line
        QDir().mkpath(m_folder);
        restart();
        newNotices(); // those of earlier cases
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
            tasks.append(manager().enqueue(options(QString("wait%1").arg(i))));
        QTest::qWait(0);
        QCOMPARE(manager().activeCount(), 0); // nothing starts before the gate opens
        manager().setStarted(true);
        QTRY_COMPARE_WITH_TIMEOUT(manager().childPIDs().size(), running, patience);
        for (int i = 0; i < 5; ++i)
            QCOMPARE(tasks[i]->status(), i < running ? TaskStatus::downloading : TaskStatus::queued);

        // Finishing the first starts the next in list order, moved tasks as moved.
        for (int i = 0; i < 3; ++i)
            manager().moveUp(tasks[4]);
        manager().moveDown(tasks[2]); // 0 4 1 3 2
        release("wait0");
        QTRY_COMPARE_WITH_TIMEOUT(tasks[0]->status(), TaskStatus::completed, patience);
        QCOMPARE(tasks[4]->status(), TaskStatus::downloading);
        QCOMPARE(manager().pendingCount(), 4);
        // A raised limit applies at the next pass.
        SettingsStore::set("maxConcurrent", 3);
        QCOMPARE(manager().activeCount(), running);
        manager().enqueue(options("wait5"));
        QCOMPARE(manager().activeCount(), 3);
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
        manager().setStarted(true);
        DownloadTask* task = manager().enqueue(options(name, playlist));
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
        QCOMPARE(task->progress() == 1.0, task->status() == TaskStatus::completed);
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
        manager().setFreeSpaceProbe([freeSpace](const QString&) {
            return freeSpace < 0 ? std::nullopt : std::optional<qint64>(freeSpace);
        });
        TestSupport::writeFile(m_folder + "/file", {});
        DownloadTask* task = runToEnd(o);
        QVERIFY2(::outcome(task).startsWith(outcome), qPrintable(::outcome(task)));
        QCOMPARE(m_history->items().value(0).error, task->error());
        QCOMPARE(started().isEmpty(), task->status() == TaskStatus::failed);
        QVERIFY(manager().childPIDs().isEmpty());
    }

    void pauseAndResume()
    {
        SettingsStore::set("maxConcurrent", 1);
        manager().setStarted(true);
        DownloadTask* running = manager().enqueue(options("wait1"));
        DownloadTask* waiting = manager().enqueue(options("wait2"));
        QTRY_COMPARE_WITH_TIMEOUT(running->stage(), "Downloading", patience);
        manager().pauseAll();
        QCOMPARE(outcome(waiting), "paused |  | "); // no process to stop
        QCOMPARE(running->stage(), "Pausing…");
        QTRY_COMPARE_WITH_TIMEOUT(outcome(running), "paused | Paused | ", patience);
        QCOMPARE(read("wait1.signals"), "interrupted\n");
        QVERIFY(log(running).contains("] —— exit 130 ——\n"));
        QVERIFY(m_history->items().isEmpty());
        QTRY_COMPARE_WITH_TIMEOUT(QueueFile::load().value(0).status, TaskStatus::paused, patience);

        manager().resumeAll();
        QCOMPARE(outcome(running), "downloading | Starting | ");
        QCOMPARE(outcome(waiting), "queued | Waiting | ");
        QTRY_COMPARE_WITH_TIMEOUT(started(), (QStringList { "wait1", "wait1" }), patience);
        release("wait1");
        QTRY_COMPARE_WITH_TIMEOUT(running->status(), TaskStatus::completed, patience);
    }

    void cancelInEveryStatus_data()
    {
        QTest::addColumn<QString>("from");
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("outcome");
        QTest::addColumn<bool>("ran");
        QTest::addColumn<QStringList>("notices");
        QTest::newRow("queued") << "queued" << "wait" << "cancelled |  | " << false << QStringList();
        QTest::newRow("paused") << "paused" << "wait" << "cancelled |  | " << false << QStringList();
        QTest::newRow("picked, not launched yet") << "picked" << "ok" << "cancelled | Cancelled | " << false << QStringList();
        QTest::newRow("downloading") << "downloading" << "wait" << "cancelled | Cancelled | " << true << QStringList();
        QTest::newRow("completed") << "completed" << "ok" << "completed | Completed | " << true << QStringList { "Download complete: Title ok" };
        QTest::newRow("failed") << "failed" << "fail" << "failed | Failed | " + unsupported << true << QStringList { "Download failed: " + unsupported };
    }
    void cancelInEveryStatus()
    {
        QFETCH(QString, from);
        QFETCH(QString, name);
        QFETCH(bool, ran);
        DownloadTask* task = manager().enqueue(options(name));
        if (from == "paused")
            manager().pause(task);
        if (from != "queued" && from != "paused")
            manager().setStarted(true);
        if (from == "downloading")
            QTRY_COMPARE_WITH_TIMEOUT(task->stage(), "Downloading", patience);
        else if (ran)
            QTRY_VERIFY_WITH_TIMEOUT(isFinished(task->status()), patience);
        manager().cancel(task);
        QTRY_VERIFY_WITH_TIMEOUT(isFinished(task->status()), patience);
        QTEST(outcome(task), "outcome");
        QVERIFY(task->finishedAt().has_value());
        QCOMPARE(m_history->items().size(), 1);
        QCOMPARE(m_history->items().first().status, task->status());
        QTRY_VERIFY_WITH_TIMEOUT(manager().childPIDs().isEmpty(), patience);
        QCOMPARE(started().contains(name), ran);
        QTEST(newNotices(), "notices");
        manager().clearFinished();
        QVERIFY(manager().tasks().isEmpty());
    }

    void removingARunningTaskStopsItsChildAndKeepsItsLog()
    {
        DownloadTask* other = manager().enqueue(options("other"));
        manager().pause(other);
        QPointer<DownloadTask> task = manager().enqueue(options("wait"));
        const QUuid id = task->id();
        manager().setStarted(true);
        QTRY_COMPARE_WITH_TIMEOUT(task->stage(), "Downloading", patience);
        manager().remove(task);
        QCOMPARE(manager().tasks(), QList<DownloadTask*> { other });
        QTRY_VERIFY_WITH_TIMEOUT(task.isNull(), patience);
        QVERIFY(manager().childPIDs().isEmpty());
        QVERIFY(m_history->items().isEmpty());
        QTRY_COMPARE_WITH_TIMEOUT(QueueFile::load().size(), 1, patience);
        QVERIFY(LogManager::shared().read(id).contains("Queued: ")); // the log stays
        QCOMPARE(read("wait.signals"), "interrupted\n");
    }

    void retryOnlyFailedOrCancelled()
    {
        DownloadTask* cancelled = manager().enqueue(options("ok-cancelled"));
        manager().cancel(cancelled);
        DownloadTask* completed = runToEnd(options("ok"));
        DownloadTask* failed = runToEnd(options("fail"));
        for (DownloadTask* task : { completed, failed, cancelled })
            manager().retry(task);
        QCOMPARE(outcome(completed), "completed | Completed | ");
        QCOMPARE(outcome(failed), "downloading | Starting | "); // picked straight away by the scheduler
        QCOMPARE(failed->progress(), 0.0);
        QTRY_COMPARE_WITH_TIMEOUT(failed->status(), TaskStatus::failed, patience);
        QTRY_COMPARE_WITH_TIMEOUT(cancelled->status(), TaskStatus::completed, patience);
        QCOMPARE(started().count("fail"), 2);
        QCOMPARE(m_history->items().size(), 3); // one entry per task
    }

    void childIgnoringInterruptIsTerminatedThenKilled()
    {
        manager().setStarted(true);
        DownloadTask* task = manager().enqueue(options("stubborn"));
        QTRY_COMPARE_WITH_TIMEOUT(task->stage(), "Downloading", patience);
        manager().cancel(task);
        QTRY_COMPARE_WITH_TIMEOUT(task->status(), TaskStatus::cancelled, patience);
        QCOMPARE(read("stubborn.signals"), "INT\nTERM\n");
        QVERIFY(log(task).contains("] —— exit 137 ——\n"));
    }

    void terminationPutsRunningTasksBackInTheQueue()
    {
        manager().setStarted(true);
        DownloadTask* task = manager().enqueue(options("wait"));
        manager().pause(manager().enqueue(options("waitpaused")));
        QTRY_COMPARE_WITH_TIMEOUT(task->stage(), "Downloading", patience);
        DownloadTask* justPicked = manager().enqueue(options("ok")); // its run has not begun yet
        QCOMPARE(justPicked->status(), TaskStatus::downloading);
        manager().prepareForTermination();
        QCOMPARE(task->status(), TaskStatus::queued);
        QCOMPARE(justPicked->status(), TaskStatus::queued);
        const QList<TaskRecord> saved = QueueFile::load();
        QCOMPARE(saved.value(0).status, TaskStatus::queued);
        QCOMPARE(saved.value(1).status, TaskStatus::paused);
        QTRY_COMPARE_WITH_TIMEOUT(read("wait.signals"), "interrupted\n", patience);
        // Whatever happens before the program ends, the saved queue stays as it was.
        QTRY_VERIFY_WITH_TIMEOUT(manager().childPIDs().isEmpty(), patience);
        QCoreApplication::processEvents();
        QCOMPARE(QueueFile::load(), saved);
        QCOMPARE(started(), QStringList { "wait" });
        restart();
        QCOMPARE(outcome(manager().tasks().value(0)), "queued |  | ");
        QCOMPARE(outcome(manager().tasks().value(1)), "paused |  | ");
        QCOMPARE(outcome(manager().tasks().value(2)), "queued |  | ");
    }
};

QTEST_GUILESS_MAIN(TestDownloadManager)
#include "tst_downloadmanager.moc"
