// A task's progress from yt-dlp's events; the saved queue and history, and what a damaged file leaves.
#include "AppPaths.h"
#include "DownloadTask.h"
#include "HistoryStore.h"
#include "QueueFile.h"
#include "TestSupport.h"

#include <QDir>
#include <QJsonArray>
#include <QJsonDocument>
#include <QRegularExpression>
#include <QSignalSpy>
#include <QTest>

#include <limits>

using Events = QList<ProgressEvent>;

static constexpr qint64 none = -1;

static ProgressEvent progress(qint64 downloaded, std::optional<qint64> total, const QString& file = "a.mp4")
{
    return ProgressEvents::Progress { downloaded, total, 1000.0, 5, file };
}

static TaskRecord sampleRecord()
{
    const DownloadOptions options { .url = "https://example.com/a", .title = "Ünïcode — title", .thumbnail = "https://example.com/t.jpg", .folder = "/media/out" };
    return { .id = QUuid::createUuid(), .options = options, .status = TaskStatus::completed, .progress = 1.0,
        .createdAt = QDateTime::fromSecsSinceEpoch(1714555800, Qt::UTC), .finishedAt = QDateTime::fromSecsSinceEpoch(1714555900, Qt::UTC),
        .outputFiles = { "/media/out/a.mp4" }, .finalSize = 5'000'000'000, .error = "Some playlist items failed — see the log." };
}

static QStringList corruptCopies()
{
    return QDir(AppPaths::support()).entryList({ "queue.json.corrupt-*" }, QDir::Files);
}

class TestTasks : public QObject {
    Q_OBJECT

private slots:
    void init() { QDir(AppPaths::support()).removeRecursively(); }

    void apply_data()
    {
        QTest::addColumn<QString>("selector");
        QTest::addColumn<bool>("audioOnly");
        QTest::addColumn<Events>("events");
        QTest::addColumn<double>("progress");
        QTest::addColumn<QString>("stage");
        QTest::addColumn<TaskStatus>("status");
        QTest::addColumn<qint64>("current");
        QTest::addColumn<qint64>("total"); // none: unknown
        QTest::addColumn<QString>("title"); // shown for the task
        QTest::addColumn<int>("rerun"); // the event that starts a new run after a pause; -1: none
        QTest::newRow("single video halfway") << "" << false << Events { progress(500, 1000) } << 0.5 << "Downloading" << TaskStatus::downloading << qint64(500) << qint64(1000) << "Clip" << -1;
        QTest::newRow("single video done stops at the cap") << "" << false << Events { progress(1000, 1000) } << 0.995 << "Downloading" << TaskStatus::downloading << qint64(1000) << qint64(1000) << "Clip" << -1;
        QTest::newRow("two streams, first fills to 0.9") << "137+140" << false << Events { progress(500, 1000, "v"), progress(1000, 1000, "v") } << 0.9 << "Downloading stream 1/2" << TaskStatus::downloading << qint64(1000) << qint64(1000) << "Clip" << -1;
        QTest::newRow("two streams, second continues from 0.9") << "137+140" << false << Events { progress(1000, 1000, "v"), progress(50, 100, "a") } << 0.95 << "Downloading stream 2/2" << TaskStatus::downloading << qint64(1050) << qint64(1100) << "Clip" << -1;
        QTest::newRow("third file still reads 2/2") << "bv+ba" << false << Events { progress(1000, 1000, "v"), progress(100, 100, "a"), progress(10, 20, "t") } << 0.995 << "Downloading stream 2/2" << TaskStatus::downloading << qint64(1110) << qint64(1120) << "Clip" << -1;
        QTest::newRow("audio only with a + selector is one stream") << "137+140" << true << Events { progress(500, 1000) } << 0.5 << "Downloading" << TaskStatus::downloading << qint64(500) << qint64(1000) << "Clip" << -1;
        QTest::newRow("single format with a second file") << "22" << false << Events { progress(1000, 1000, "v"), progress(5, 10, "v.en.vtt") } << 0.995 << "Downloading stream 1/1" << TaskStatus::downloading << qint64(1005) << qint64(1010) << "Clip" << -1;
        QTest::newRow("unknown total keeps the bar") << "" << false << Events { progress(100, 1000), progress(200, std::nullopt) } << 0.1 << "Downloading" << TaskStatus::downloading << qint64(200) << none << "Clip" << -1;
        QTest::newRow("unknown total stream size counts its bytes") << "a+b" << false << Events { progress(300, std::nullopt, "v"), progress(10, 100, "a") } << 0.91 << "Downloading stream 2/2" << TaskStatus::downloading << qint64(310) << qint64(400) << "Clip" << -1;
        QTest::newRow("playlist halfway through item 3 of 4") << "" << false << Events { ProgressEvents::Item { 3, 4, "Item" }, progress(50, 100) } << 0.625 << "Downloading" << TaskStatus::downloading << qint64(50) << qint64(100) << "Item" << -1;
        QTest::newRow("new item resets the stream counters") << "a+b" << false << Events { ProgressEvents::Item { 1, 2, "Item" }, progress(100, 100, "v"), progress(10, 10, "a"), ProgressEvents::Item { 2, 2, "Item" }, progress(40, 100, "w") } << 0.68 << "Downloading stream 1/2" << TaskStatus::downloading << qint64(40) << qint64(100) << "Item" << -1;
        QTest::newRow("item beyond the count stays below the cap") << "" << false << Events { ProgressEvents::Item { 9, 4, "Item" } } << 0.995 << "" << TaskStatus::queued << qint64(0) << none << "Item" << -1;
        QTest::newRow("byte counts near the 64-bit limit saturate") << "a+b" << false << Events { progress(9223372036854774784LL, 9223372036854774784LL, "v"), progress(52506346, 52506346, "a") } << 0.995 << "Downloading stream 2/2" << TaskStatus::downloading << std::numeric_limits<qint64>::max() << std::numeric_limits<qint64>::max() << "Clip" << -1;
        QTest::newRow("lowest item index") << "" << false << Events { ProgressEvents::Item { std::numeric_limits<int>::min(), 1, "Item" } } << 0.0 << "" << TaskStatus::queued << qint64(0) << none << "Clip" << -1;
        QTest::newRow("postprocess finished keeps the stage") << "" << false << Events { progress(10, 10), ProgressEvents::Postprocess { "Merger", "finished" } } << 0.995 << "Downloading" << TaskStatus::processing << qint64(10) << qint64(10) << "Clip" << -1;
        QTest::newRow("merger started") << "" << false << Events { ProgressEvents::Postprocess { "Merger", "started" } } << 0.0 << "Merging with FFmpeg" << TaskStatus::processing << qint64(0) << none << "Clip" << -1;
        QTest::newRow("unknown post-processor") << "" << false << Events { ProgressEvents::Postprocess { "SponsorBlock", "started" } } << 0.0 << "Post-processing (SponsorBlock)" << TaskStatus::processing << qint64(0) << none << "Clip" << -1;
        QTest::newRow("merging line") << "" << false << Events { ProgressEvents::Merging { "/d/x.mp4" } } << 0.0 << "Merging with FFmpeg" << TaskStatus::processing << qint64(0) << none << "Clip" << -1;
        QTest::newRow("a new run after a pause keeps the bar until it passes it") << "" << false << Events { progress(60, 100), progress(10, 100), progress(70, 100) } << 0.7 << "Downloading" << TaskStatus::downloading << qint64(70) << qint64(100) << "Clip" << 1;
        QTest::newRow("next item after processing downloads again") << "" << false << Events { ProgressEvents::Item { 1, 2, "Item" }, ProgressEvents::Postprocess { "MoveFiles", "started" }, ProgressEvents::Item { 2, 2, "Item" } } << 0.5 << "Moving file" << TaskStatus::downloading << qint64(0) << none << "Item" << -1;
    }
    void apply()
    {
        QFETCH(QString, selector);
        QFETCH(bool, audioOnly);
        QFETCH(Events, events);
        QFETCH(double, progress);
        QFETCH(qint64, total);
        QFETCH(int, rerun);
        DownloadTask task(DownloadOptions { .url = "https://example.com/watch?v=1", .title = "Clip", .formatSelector = selector, .audioOnly = audioOnly });
        double previous = 0;
        for (int i = 0; i < events.size(); ++i) {
            if (i == rerun)
                task.resetRuntime();
            task.apply(events[i]);
            QVERIFY2(task.progress() >= previous, "progress went backwards");
            previous = task.progress();
        }
        QVERIFY2(qFuzzyCompare(1 + task.progress(), 1 + progress), qPrintable(QString::number(task.progress())));
        QTEST(task.stage(), "stage");
        QTEST(task.status(), "status");
        QTEST(task.currentBytes(), "current");
        QCOMPARE(task.totalBytes(), total == none ? std::nullopt : std::optional<qint64>(total));
        QTEST(task.displayTitle(), "title"); // a playlist's item, else the task's own
    }

    void queueFileOnDisk_data()
    {
        QTest::addColumn<QByteArray>("content"); // null: no file
        QTest::addColumn<int>("records");
        QTest::addColumn<int>("copies"); // kept aside as corrupt
        const QByteArray two = QJsonDocument(QJsonArray { toJson(sampleRecord()), toJson(sampleRecord()) }).toJson();
        // A good record, then one with a key changed (undefined: removed).
        const auto oneBad = [](const QString& key, const QJsonValue& value) {
            QJsonObject bad = toJson(sampleRecord());
            if (value.isUndefined())
                bad.remove(key);
            else
                bad.insert(key, value);
            return QJsonDocument(QJsonArray { toJson(sampleRecord()), bad }).toJson();
        };
        QTest::newRow("no file") << QByteArray() << 0 << 0;
        QTest::newRow("two records") << two << 2 << 0;
        QTest::newRow("cut off while written") << two.left(two.size() / 2) << 0 << 1;
        QTest::newRow("object, not array") << QByteArray("{}") << 0 << 1;
        QTest::newRow("missing id") << oneBad("id", QJsonValue::Undefined) << 0 << 1;
        QTest::newRow("unknown status") << oneBad("status", "sleeping") << 0 << 1;
        QTest::newRow("progress as text") << oneBad("progress", "0.5") << 0 << 1;
        QTest::newRow("createdAt not a date") << oneBad("createdAt", "yesterday") << 0 << 1;
        QTest::newRow("finishedAt not a date") << oneBad("finishedAt", 12) << 0 << 1;
        QTest::newRow("outputFiles with a number") << oneBad("outputFiles", QJsonArray { "a", 1 }) << 0 << 1;
        QTest::newRow("finalSize as text") << oneBad("finalSize", "12") << 0 << 1;
        QTest::newRow("error as a number") << oneBad("error", 403) << 0 << 1;
        QTest::newRow("options as text") << oneBad("options", "best") << 0 << 1;
    }
    void queueFileOnDisk()
    {
        QFETCH(QByteArray, content);
        QFETCH(int, copies);
        if (!content.isNull())
            QVERIFY(TestSupport::writeFile(QueueFile::path(), content));
        QTEST(int(QueueFile::load().size()), "records");
        const QStringList kept = corruptCopies();
        QCOMPARE(kept.size(), copies);
        if (copies) {
            QVERIFY2(QRegularExpression("^queue\\.json\\.corrupt-\\d{8}T\\d{6}Z$").match(kept.first()).hasMatch(), qPrintable(kept.first()));
            QCOMPARE(TestSupport::readFile(QDir(AppPaths::support()).filePath(kept.first())), content);
            // A second bad load in the same second keeps a second copy instead of overwriting the first.
            QVERIFY(TestSupport::writeFile(QueueFile::path(), "["));
            QueueFile::load();
            QCOMPARE(corruptCopies().size(), 2);
        }
        // The next save replaces whatever was there.
        const QList<TaskRecord> records { sampleRecord() };
        QVERIFY(QueueFile::save(records));
        QCOMPARE(QueueFile::load(), records);
    }

    void historyEntriesAreBuiltFromTheTask()
    {
        const DownloadOptions options = sampleRecord().options;
        DownloadTask task(options);
        for (const QString file : { "/media/out/a.webm", "/media/out/a.mp4", "/media/out/a.webm" })
            task.apply(ProgressEvents::FinalFile { file }); // the latest new file is the entry's
        task.setStatus(TaskStatus::failed);
        HistoryStore store;
        store.record(&task);
        DownloadTask other(DownloadOptions { .url = "https://example.com/untitled" });
        QCOMPARE(other.displayTitle(), other.options().url); // a task without a title shows its address
        store.record(&other);
        task.setStatus(TaskStatus::completed);
        task.setFinalSize(5'000'000'000);
        task.setFinishedAt(QDateTime::fromSecsSinceEpoch(1714555800, Qt::UTC));
        store.record(&task); // again: replaces its entry, now at the front
        const HistoryItem expected { task.id(), options.title, options.thumbnail, *task.finishedAt(), TaskStatus::completed, QString("/media/out/a.mp4"), "/media/out", options.url, 5'000'000'000, std::nullopt, options };
        QCOMPARE(store.items().size(), 2);
        QCOMPARE(store.items().value(0), expected);
        QCOMPARE(store.items().value(1).id, other.id());

        // The next start reads the file in the background; entries taken before
        // the read has ended are still announced, for a view that waits for the signal.
        HistoryStore next;
        QSignalSpy changed(&next, &HistoryStore::itemsChanged);
        QCOMPARE(next.items(), store.items());
        QVERIFY(changed.size() == 1 || changed.wait(10'000));
        QVERIFY(next.isLoaded());
    }
};

QTEST_GUILESS_MAIN(TestTasks)
#include "tst_tasks.moc"
