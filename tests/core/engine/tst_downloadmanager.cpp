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
#include "TestSessionBus.h"
#include "TestSupport.h"
#include "Tool.h"

#include <QDir>
#include <QFile>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

#include <memory>

namespace {

constexpr int patience = 30000; // real child processes on a loaded machine

QString readAll(const QString& path)
{
    return QString::fromUtf8(TestSupport::readFile(path));
}

} // namespace

class TestDownloadManager : public QObject {
    Q_OBJECT

private:
    std::unique_ptr<TestSessionBus> m_bus;
    std::unique_ptr<FakeNotificationServer> m_notifications;
    std::unique_ptr<QTemporaryDir> m_dir;
    QString m_folder;
    std::unique_ptr<HistoryStore> m_history;
    std::unique_ptr<DownloadManager> m_manager;

    QString standInPath() const { return toolPath(Tool::ytdlp); }

    DownloadManager& manager()
    {
        if (!m_manager) {
            m_history = std::make_unique<HistoryStore>();
            m_manager = std::make_unique<DownloadManager>(m_history.get());
        }
        return *m_manager;
    }

    void restart()
    {
        m_manager.reset();
        m_history.reset();
        manager();
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

    QStringList started() const { return readAll(m_folder + "/started").split('\n', Qt::SkipEmptyParts); }
    void release(const QString& name) const
    {
        QFile(m_folder + "/" + name + ".release").open(QIODevice::WriteOnly);
    }
    QString log(const DownloadTask* task) const { return LogManager::shared().read(task->id()); }

private slots:
    void initTestCase()
    {
        SettingsStore::registerDefaults();
        m_bus = std::make_unique<TestSessionBus>();
        QVERIFY2(!m_bus->address().isEmpty(), "dbus-daemon did not start");
        m_bus->makeSessionBus();
        m_notifications = std::make_unique<FakeNotificationServer>(m_bus->address());
        QVERIFY(m_notifications->isServing());
        NotificationManager::shared().setInstalledOverride(true);
    }

    void cleanupTestCase()
    {
        NotificationManager::shared().setInstalledOverride(std::nullopt);
        m_notifications.reset();
        m_bus.reset();
    }

    void init()
    {
        QDir(AppPaths::support()).removeRecursively();
        SettingsStore::set("maxConcurrent", 2);
        QFile standIn(TestSupport::dataPath("engine/stand-in-yt-dlp.sh"));
        QVERIFY(standIn.open(QIODevice::ReadOnly));
        QVERIFY(!TestSupport::writeScript(standInPath(), standIn.readAll()).isEmpty());
        m_dir = std::make_unique<QTemporaryDir>();
        // A space in the folder shows the quoting of the logged command line.
        m_folder = m_dir->filePath("out dir");
        QDir().mkpath(m_folder);
    }

    void cleanup()
    {
        m_manager.reset();
        m_history.reset();
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
        QCOMPARE(manager().activeCount(), 0);
        manager().setStarted(true);
        QCOMPARE(manager().activeCount(), running);
        QTRY_COMPARE_WITH_TIMEOUT(manager().childPIDs().size(), running, patience);
        for (int i = 0; i < 5; ++i)
            QCOMPARE(tasks[i]->status(), i < running ? TaskStatus::downloading : TaskStatus::queued);

        // Finishing the first starts the next in list order; a moved task goes first.
        for (int i = 0; i < 3; ++i)
            manager().moveUp(tasks[4]);
        release("wait0");
        QTRY_COMPARE_WITH_TIMEOUT(tasks[0]->status(), TaskStatus::completed, patience);
        QTRY_COMPARE_WITH_TIMEOUT(manager().childPIDs().size(), running, patience);
        QCOMPARE(tasks[4]->status(), TaskStatus::downloading);
        QCOMPARE(tasks[3]->status(), TaskStatus::queued);
        QCOMPARE(manager().pendingCount(), 4);
    }

    void nothingStartsBeforeTheGateOpensAndRaisedLimitsApplyAtTheNextPass()
    {
        SettingsStore::set("maxConcurrent", 1);
        DownloadTask* first = manager().enqueue(options("wait1"));
        DownloadTask* second = manager().enqueue(options("wait2"));
        QTest::qWait(0);
        QCOMPARE(first->status(), TaskStatus::queued);
        QVERIFY(!manager().started());
        manager().setStarted(true);
        QTRY_COMPARE_WITH_TIMEOUT(manager().childPIDs().size(), 1, patience);
        SettingsStore::set("maxConcurrent", 3);
        QCOMPARE(second->status(), TaskStatus::queued);
        DownloadTask* third = manager().enqueue(options("wait3"));
        QCOMPARE(second->status(), TaskStatus::downloading);
        QCOMPARE(third->status(), TaskStatus::downloading);
    }

    void completedRunRecordsEverything()
    {
        manager().setStarted(true);
        DownloadTask* task = manager().enqueue(options("ok"));
        QTRY_COMPARE_WITH_TIMEOUT(task->status(), TaskStatus::completed, patience);
        QCOMPARE(task->progress(), 1.0);
        QCOMPARE(task->finalSize(), 1000);
        QCOMPARE(task->stage(), "Completed");
        QVERIFY(manager().childPIDs().isEmpty());
        QCOMPARE(m_history->items().value(0).filePath, m_folder + "/ok.mp4");

        const QString text = log(task);
        QVERIFY(text.contains("] Queued: https://example.com/ok preset=Best Quality\n"));
        QVERIFY(text.contains("] —— start ——\n"));
        QVERIFY(text.contains(" -P '" + m_folder + "' -o "));
        QVERIFY(text.contains("] [stderr] WARNING: a warning on standard error\n"));
        QVERIFY(text.contains("] KWFILE|" + m_folder + "/ok.mp4\n"));
        QVERIFY(text.contains("] —— exit 0 ——\n"));
        // The child itself gets the folder as one unquoted argument.
        const QStringList arguments = readAll(m_folder + "/ok.args").split('\n');
        QCOMPARE(arguments.at(arguments.indexOf("-P") + 1), m_folder);
        QCOMPARE(arguments.at(arguments.size() - 2), "https://example.com/ok");

        QTRY_COMPARE_WITH_TIMEOUT(QueueFile::load().value(0).status, TaskStatus::completed, patience);
    }

    void everyEventIsAppliedBeforeTheOutcome()
    {
        manager().setStarted(true);
        DownloadTask* task = manager().enqueue(options("manyfiles"));
        qsizetype filesWhenDone = -1;
        connect(task, &DownloadTask::statusChanged, this, [&] {
            if (task->status() == TaskStatus::completed)
                filesWhenDone = task->outputFiles().size();
        });
        QTRY_COMPARE_WITH_TIMEOUT(task->status(), TaskStatus::completed, patience);
        QCOMPARE(filesWhenDone, 200);
    }

    void markersRunTogetherOnStandardErrorStillShowStages()
    {
        manager().setStarted(true);
        DownloadTask* task = manager().enqueue(options("oldpp"));
        QStringList stages;
        connect(task, &DownloadTask::stageChanged, this, [&] { stages.append(task->stage()); });
        QTRY_COMPARE_WITH_TIMEOUT(task->status(), TaskStatus::completed, patience);
        QCOMPARE(stages, (QStringList { "Downloading", "Merging with FFmpeg", "Moving file", "Completed" }));
        QVERIFY(
            log(task).contains("] [stderr] KWPP|Merger|startedKWPP|Merger|finishedKWPP|MoveFiles|started\n"));
    }

    void failedRuns_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<bool>("playlist");
        QTest::addColumn<TaskStatus>("status");
        QTest::addColumn<QString>("error");
        QTest::newRow("error line") << "fail" << false << TaskStatus::failed
                                    << ErrorInterpreter::explain(
                                           "[generic] Unsupported URL: https://example.com/fail", 1);
        QTest::newRow("no error line")
            << "silent" << false << TaskStatus::failed << ErrorInterpreter::explain("exit code 1", 1);
        QTest::newRow("playlist with files")
            << "partial" << true << TaskStatus::completed << "Some playlist items failed — see the log.";
        QTest::newRow("single video with files")
            << "partial" << false << TaskStatus::failed
            << ErrorInterpreter::explain("[youtube] item2: Video unavailable", 1);
    }

    void failedRuns()
    {
        QFETCH(QString, name);
        QFETCH(bool, playlist);
        QFETCH(TaskStatus, status);
        QFETCH(QString, error);
        manager().setStarted(true);
        DownloadTask* task = manager().enqueue(options(name, playlist));
        QTRY_VERIFY_WITH_TIMEOUT(isFinished(task->status()), patience);
        QCOMPARE(task->status(), status);
        QCOMPARE(task->error(), error);
        QCOMPARE(task->stage(), displayLabel(status));
        QCOMPARE(m_history->items().value(0).status, status);
        QVERIFY(log(task).contains("] —— exit 1 ——\n"));
    }

    void notificationAtTheEndOfARun_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("summary"); // empty: cancelled, nothing is posted
        QTest::addColumn<QString>("body");
        QTest::newRow("completed") << "ok"
                                   << "Download complete"
                                   << "Title ok";
        QTest::newRow("failed") << "fail"
                                << "Download failed"
                                << ErrorInterpreter::explain(
                                       "[generic] Unsupported URL: https://example.com/fail", 1);
        QTest::newRow("cancelled") << "wait"
                                   << ""
                                   << "";
    }

    void notificationAtTheEndOfARun()
    {
        QFETCH(QString, name);
        QFETCH(QString, summary);
        QFETCH(QString, body);
        // Found by their texts: earlier cases post the same ones, and their
        // notices may still be on their way.
        const auto posted = [this](const QString& text) {
            QList<ReceivedNotification> matching = m_notifications->received();
            matching.removeIf([&](const ReceivedNotification& n) { return n.body != text; });
            return matching;
        };
        const bool cancelled = summary.isEmpty();
        if (cancelled) {
            // A later download's notice arrives alone.
            summary = "Download complete";
            body = "Title ok-after";
        }
        const qsizetype before = posted(body).size();
        const qsizetype cancelledBefore = posted(QStringLiteral("Title wait")).size();
        manager().setStarted(true);
        DownloadTask* task = manager().enqueue(options(name));
        if (cancelled) {
            QTRY_COMPARE_WITH_TIMEOUT(task->stage(), "Downloading", patience);
            manager().cancel(task);
        }
        QTRY_VERIFY_WITH_TIMEOUT(isFinished(task->status()), patience);
        if (cancelled)
            manager().enqueue(options("ok-after"));
        QTRY_COMPARE_WITH_TIMEOUT(posted(body).size(), before + 1, patience);
        QCOMPARE(posted(body).last().summary, summary);
        QCOMPARE(posted(QStringLiteral("Title wait")).size(), cancelledBefore);
    }

    void checksBeforeTheRun_data()
    {
        QTest::addColumn<QString>("fault");
        QTest::addColumn<qint64>("freeSpace"); // -1: cannot be read
        QTest::addColumn<QString>("error"); // empty: the run goes ahead
        const QString missing = "yt-dlp isn’t installed. Open Settings › Tools and run Repair.";
        QTest::newRow("no yt-dlp") << "missing" << qint64(-1) << missing;
        QTest::newRow("yt-dlp not executable") << "notexec" << qint64(-1) << missing;
        QTest::newRow("folder cannot be created")
            << "blocked" << qint64(-1)
            << "Can’t create the download folder. Choose a different folder in Settings.";
        QTest::newRow("little free space")
            << "" << qint64(250'000'000) << "Not enough free disk space (250 MB available).";
        QTest::newRow("no free space") << "" << qint64(0) << "Not enough free disk space (— available).";
        QTest::newRow("exactly enough") << "" << qint64(300'000'000) << "";
    }

    void checksBeforeTheRun()
    {
        QFETCH(QString, fault);
        QFETCH(qint64, freeSpace);
        QFETCH(QString, error);
        DownloadOptions o = options("ok");
        if (fault == "missing") {
            QFile::remove(standInPath());
        } else if (fault == "notexec") {
            QFile(standInPath()).setPermissions(QFile::ReadOwner | QFile::WriteOwner);
        } else if (fault == "blocked") {
            QFile(m_folder + "/file").open(QIODevice::WriteOnly);
            o.folder = m_folder + "/file/sub";
        }
        manager().setFreeSpaceProbe([freeSpace](const QString&) {
            return freeSpace < 0 ? std::nullopt : std::optional<qint64>(freeSpace);
        });
        manager().setStarted(true);
        DownloadTask* task = manager().enqueue(o);
        QTRY_VERIFY_WITH_TIMEOUT(isFinished(task->status()), patience);
        if (error.isEmpty()) {
            QCOMPARE(task->status(), TaskStatus::completed);
            return;
        }
        QCOMPARE(task->status(), TaskStatus::failed);
        QCOMPARE(task->error(), error);
        QVERIFY(!log(task).contains("—— start ——"));
        QVERIFY(started().isEmpty());
        QCOMPARE(m_history->items().value(0).error, error);
    }

    void launchFailure()
    {
        TestSupport::writeScript(standInPath(), "#!/nonexistent/interpreter\n");
        manager().setStarted(true);
        DownloadTask* task = manager().enqueue(options("ok"));
        DownloadTask* next = manager().enqueue(options("fail"));
        QTRY_COMPARE_WITH_TIMEOUT(task->status(), TaskStatus::failed, patience);
        QVERIFY2(
            task->error().value_or("").startsWith("Couldn’t launch yt-dlp: "), qPrintable(*task->error()));
        QVERIFY(manager().childPIDs().isEmpty());
        // The scheduler goes on with the next task.
        QTRY_COMPARE_WITH_TIMEOUT(next->status(), TaskStatus::failed, patience);
    }

    void pauseAndResume()
    {
        manager().setStarted(true);
        DownloadTask* task = manager().enqueue(options("wait"));
        QTRY_COMPARE_WITH_TIMEOUT(manager().childPIDs().size(), 1, patience);
        QTRY_COMPARE_WITH_TIMEOUT(task->stage(), "Downloading", patience);
        const double before = task->progress();
        manager().pause(task);
        QCOMPARE(task->stage(), "Pausing…");
        QTRY_COMPARE_WITH_TIMEOUT(task->status(), TaskStatus::paused, patience);
        QCOMPARE(task->stage(), "Paused");
        QCOMPARE(task->progress(), before);
        QCOMPARE(readAll(m_folder + "/wait.signals"), "interrupted\n");
        QVERIFY(log(task).contains("] —— exit 130 ——\n"));
        QVERIFY(m_history->items().isEmpty());
        QTRY_COMPARE_WITH_TIMEOUT(QueueFile::load().value(0).status, TaskStatus::paused, patience);

        QStringList stages;
        connect(task, &DownloadTask::stageChanged, this, [&] { stages.append(task->stage()); });
        manager().resume(task);
        stages.removeAll(QString()); // the run state is reset on the way
        QCOMPARE(stages, (QStringList { "Waiting", "Starting" }));
        QTRY_COMPARE_WITH_TIMEOUT(started().size(), 2, patience);
        release("wait");
        QTRY_COMPARE_WITH_TIMEOUT(task->status(), TaskStatus::completed, patience);
    }

    void pausingAndResumingQueuedTasksNeedsNoProcess()
    {
        SettingsStore::set("maxConcurrent", 1);
        manager().setStarted(true);
        DownloadTask* running = manager().enqueue(options("wait1"));
        DownloadTask* waiting = manager().enqueue(options("wait2"));
        QTRY_COMPARE_WITH_TIMEOUT(running->stage(), "Downloading", patience);
        manager().pauseAll();
        QCOMPARE(waiting->status(), TaskStatus::paused);
        QCOMPARE(running->stage(), "Pausing…");
        QTRY_COMPARE_WITH_TIMEOUT(running->status(), TaskStatus::paused, patience);
        QCOMPARE(started(), QStringList { "wait1" });

        manager().resumeAll();
        QCOMPARE(running->status(), TaskStatus::downloading);
        QCOMPARE(waiting->status(), TaskStatus::queued);
        QCOMPARE(waiting->stage(), "Waiting");
    }

    void cancelInEveryStatus_data()
    {
        QTest::addColumn<QString>("from");
        QTest::addColumn<TaskStatus>("status");
        QTest::newRow("queued") << "queued" << TaskStatus::cancelled;
        QTest::newRow("paused") << "paused" << TaskStatus::cancelled;
        QTest::newRow("downloading") << "downloading" << TaskStatus::cancelled;
        QTest::newRow("completed") << "completed" << TaskStatus::completed;
        QTest::newRow("failed") << "failed" << TaskStatus::failed;
    }

    void cancelInEveryStatus()
    {
        QFETCH(QString, from);
        const QString name = from == "completed" ? "ok" : from == "failed" ? "fail" : "wait";
        DownloadTask* task = manager().enqueue(options(name));
        if (from == "paused")
            manager().pause(task);
        if (from != "queued" && from != "paused") {
            manager().setStarted(true);
            QTRY_VERIFY_WITH_TIMEOUT(
                from == "downloading" ? manager().childPIDs().size() == 1 : isFinished(task->status()),
                patience);
        }
        const std::optional<QString> error = task->error();
        manager().cancel(task);
        QTRY_VERIFY_WITH_TIMEOUT(isFinished(task->status()), patience);
        QTEST(task->status(), "status");
        QCOMPARE(m_history->items().size(), 1);
        QCOMPARE(m_history->items().first().status, task->status());
        QVERIFY(task->finishedAt().has_value());
        if (from != "queued" && from != "paused")
            QCOMPARE(task->error(), error);
        QTRY_VERIFY_WITH_TIMEOUT(manager().childPIDs().isEmpty(), patience);
    }

    void cancelBeforeTheLaunchStartsNoChild()
    {
        manager().setStarted(true);
        DownloadTask* task = manager().enqueue(options("ok"));
        QCOMPARE(task->status(), TaskStatus::downloading);
        manager().cancel(task);
        QTRY_COMPARE_WITH_TIMEOUT(task->status(), TaskStatus::cancelled, patience);
        QVERIFY(started().isEmpty());
    }

    void removeInEveryStatus_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<bool>("run");
        QTest::newRow("queued") << "wait" << false;
        QTest::newRow("downloading") << "wait" << true;
        QTest::newRow("completed") << "ok" << true;
    }

    void removeInEveryStatus()
    {
        QFETCH(QString, name);
        QFETCH(bool, run);
        DownloadTask* other = manager().enqueue(options("paused"));
        manager().pause(other);
        QPointer<DownloadTask> task = manager().enqueue(options(name));
        const QUuid id = task->id();
        if (run) {
            manager().setStarted(true);
            QTRY_VERIFY_WITH_TIMEOUT(task->stage() == "Downloading" || isFinished(task->status()), patience);
        }
        const int historyBefore = int(m_history->items().size());
        manager().remove(task);
        QCOMPARE(manager().tasks(), QList<DownloadTask*> { other });
        QTRY_VERIFY_WITH_TIMEOUT(task.isNull(), patience);
        QVERIFY(manager().childPIDs().isEmpty());
        QCOMPARE(int(m_history->items().size()), historyBefore);
        QTRY_COMPARE_WITH_TIMEOUT(QueueFile::load().size(), 1, patience);
        QVERIFY(LogManager::shared().read(id).contains("Queued: ")); // the log stays
        if (run && name == "wait")
            QCOMPARE(readAll(m_folder + "/wait.signals"), "interrupted\n");
    }

    void retryOnlyFailedOrCancelled()
    {
        manager().setStarted(true);
        DownloadTask* failed = manager().enqueue(options("fail"));
        DownloadTask* completed = manager().enqueue(options("ok"));
        QTRY_VERIFY_WITH_TIMEOUT(isFinished(failed->status()) && isFinished(completed->status()), patience);
        manager().retry(completed);
        QCOMPARE(completed->status(), TaskStatus::completed);
        QCOMPARE(completed->progress(), 1.0);

        manager().retry(failed);
        QCOMPARE(failed->status(), TaskStatus::downloading); // picked straight away by the scheduler
        QCOMPARE(failed->error(), std::nullopt);
        QCOMPARE(failed->progress(), 0.0);
        QTRY_COMPARE_WITH_TIMEOUT(failed->status(), TaskStatus::failed, patience);
        QCOMPARE(started().count("fail"), 2);
        QCOMPARE(m_history->items().size(), 2); // one entry per task
    }

    void reorderAndClearFinished()
    {
        DownloadTask* a = manager().enqueue(options("a"));
        DownloadTask* b = manager().enqueue(options("b"));
        DownloadTask* c = manager().enqueue(options("c"));
        manager().moveUp(a);
        manager().moveDown(c);
        manager().moveUp(c);
        QCOMPARE(manager().tasks(), (QList<DownloadTask*> { a, c, b }));
        manager().moveDown(a);
        QCOMPARE(manager().tasks(), (QList<DownloadTask*> { c, a, b }));
        manager().cancel(a);
        manager().clearFinished();
        QCOMPARE(manager().tasks(), (QList<DownloadTask*> { c, b }));
        QCOMPARE(manager().pendingCount(), 2);
        const QUuid first = c->id();
        restart();
        QCOMPARE(manager().tasks().size(), 2);
        QCOMPARE(manager().tasks().at(0)->id(), first);
    }

    void savesAreCoalescedPerEvent()
    {
        for (int i = 0; i < 50; ++i)
            manager().enqueue(options(QString("bulk%1").arg(i)));
        QVERIFY(!QFile::exists(QueueFile::path()));
        QTRY_COMPARE_WITH_TIMEOUT(QueueFile::load().size(), 50, patience);
    }

    void childIgnoringInterruptIsTerminatedThenKilled()
    {
        manager().setStarted(true);
        DownloadTask* task = manager().enqueue(options("stubborn"));
        QTRY_COMPARE_WITH_TIMEOUT(task->stage(), "Downloading", patience);
        manager().cancel(task);
        QTRY_COMPARE_WITH_TIMEOUT(task->status(), TaskStatus::cancelled, patience);
        QCOMPARE(readAll(m_folder + "/stubborn.signals"), "INT\nTERM\n");
        QVERIFY(log(task).contains("] —— exit 137 ——\n"));
    }

    void restartRecoversInterruptedTasks()
    {
        QList<TaskRecord> records;
        for (const TaskStatus status : allTaskStatuses()) {
            TaskRecord record;
            record.id = QUuid::createUuid();
            record.options = options("ok" + rawValue(status));
            record.status = status;
            record.progress = 0.25;
            record.createdAt = QDateTime::fromSecsSinceEpoch(1714555800, Qt::UTC);
            if (isFinished(status))
                record.finishedAt = record.createdAt;
            records.append(record);
        }
        QVERIFY(QueueFile::save(records));

        const QList<DownloadTask*> tasks = manager().tasks();
        QCOMPARE(tasks.size(), records.size());
        QTest::qWait(0);
        QVERIFY(started().isEmpty());
        for (int i = 0; i < tasks.size(); ++i) {
            const bool interrupted = isActive(records[i].status);
            QCOMPARE(tasks[i]->id(), records[i].id);
            QCOMPARE(tasks[i]->status(), interrupted ? TaskStatus::queued : records[i].status);
            QCOMPARE(tasks[i]->stage(), interrupted ? "Resuming after restart" : "");
            QCOMPARE(tasks[i]->progress(), 0.25);
            QCOMPARE(log(tasks[i]).count("Recovered after restart; will resume."), interrupted ? 1 : 0);
        }
        SettingsStore::set("maxConcurrent", 5);
        manager().setStarted(true);
        QTRY_COMPARE_WITH_TIMEOUT(manager().pendingCount(), 1, patience); // the paused one
        QCOMPARE(started().size(), 3);
    }

    void terminationPutsRunningTasksBackInTheQueue()
    {
        manager().setStarted(true);
        DownloadTask* task = manager().enqueue(options("wait"));
        DownloadTask* paused = manager().enqueue(options("waitpaused"));
        manager().pause(paused);
        QTRY_COMPARE_WITH_TIMEOUT(task->stage(), "Downloading", patience);
        DownloadTask* justPicked = manager().enqueue(options("ok")); // its run has not begun yet
        QCOMPARE(justPicked->status(), TaskStatus::downloading);
        manager().prepareForTermination();
        QCOMPARE(task->status(), TaskStatus::queued);
        QCOMPARE(justPicked->status(), TaskStatus::queued);
        const QList<TaskRecord> saved = QueueFile::load();
        QCOMPARE(saved.value(0).status, TaskStatus::queued);
        QCOMPARE(saved.value(1).status, TaskStatus::paused);
        QTRY_COMPARE_WITH_TIMEOUT(readAll(m_folder + "/wait.signals"), "interrupted\n", patience);
        // Whatever happens before the program ends, the saved queue stays as it was.
        QTRY_VERIFY_WITH_TIMEOUT(manager().childPIDs().isEmpty(), patience);
        QCoreApplication::processEvents();
        QCOMPARE(QueueFile::load(), saved);
        QCOMPARE(started(), QStringList { "wait" });
        restart();
        QCOMPARE(manager().tasks().value(0)->stage(), "");
        QCOMPARE(manager().tasks().value(0)->status(), TaskStatus::queued);
    }
};

QTEST_GUILESS_MAIN(TestDownloadManager)
#include "tst_downloadmanager.moc"
