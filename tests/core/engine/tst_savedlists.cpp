// The saved queue and history: their records, and what a damaged file leaves.
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

static TaskRecord sampleRecord()
{
    TaskRecord record;
    record.id = QUuid::createUuid();
    record.options.url = "https://example.com/a";
    record.options.title = "Ünïcode — title";
    record.options.folder = "/media/out";
    record.options.thumbnail = "https://example.com/t.jpg";
    record.status = TaskStatus::completed;
    record.progress = 1.0;
    record.createdAt = QDateTime::fromSecsSinceEpoch(1714555800, Qt::UTC);
    record.finishedAt = QDateTime::fromSecsSinceEpoch(1714555900, Qt::UTC);
    record.outputFiles = { "/media/out/a.mp4" };
    record.finalSize = 5'000'000'000;
    record.error = "Some playlist items failed — see the log.";
    return record;
}

static QStringList corruptCopies()
{
    return QDir(AppPaths::support()).entryList({ "queue.json.corrupt-*" }, QDir::Files);
}

class TestSavedLists : public QObject {
    Q_OBJECT

private slots:
    void init() { QDir(AppPaths::support()).removeRecursively(); }

    void recordKeys()
    {
        TaskRecord record = sampleRecord();
        const QJsonObject json = toJson(record);
        QCOMPARE(json.value("id").toString(), record.id.toString(QUuid::WithoutBraces).toUpper());
        QCOMPARE(json.value("status").toString(), "completed");
        QCOMPARE(json.value("createdAt").toString(), "2024-05-01T09:30:00Z");
        QCOMPARE(json.value("finalSize").toInteger(), 5'000'000'000);
        record.error.reset();
        QVERIFY(!toJson(record).contains("error"));
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

    void historyEntryIsBuiltFromTheTask()
    {
        const DownloadOptions options = sampleRecord().options;
        DownloadTask task(options);
        for (const QString file : { "/media/out/a.webm", "/media/out/a.mp4", "/media/out/a.webm" })
            task.apply(ProgressEvents::FinalFile { file }); // the latest new file is the entry's
        task.setStatus(TaskStatus::failed);
        HistoryStore store;
        store.record(&task);
        DownloadTask other(options);
        store.record(&other);
        task.setStatus(TaskStatus::completed);
        task.setFinalSize(5'000'000'000);
        task.setFinishedAt(QDateTime::fromSecsSinceEpoch(1714555800, Qt::UTC));
        store.record(&task); // again: replaces its entry, now at the front
        const HistoryItem expected { task.id(), options.title, options.thumbnail, *task.finishedAt(), TaskStatus::completed, QString("/media/out/a.mp4"), "/media/out", options.url, 5'000'000'000, std::nullopt, options };
        QCOMPARE(store.items().value(0), expected);
        QCOMPARE(store.items().value(1).id, other.id());
        QCOMPARE(HistoryStore().items(), store.items()); // what the next start reads
    }

    void historyReadInTheBackgroundIsAnnouncedEvenWhenTakenFirst()
    {
        DownloadTask task(sampleRecord().options);
        HistoryStore().record(&task);
        HistoryStore store;
        QSignalSpy changed(&store, &HistoryStore::itemsChanged);
        QCOMPARE(store.items().size(), 1); // before the read has ended
        // A view that waits for the signal has not seen them.
        QVERIFY(changed.size() == 1 || changed.wait(10'000));
        QVERIFY(store.isLoaded());
    }
};

QTEST_GUILESS_MAIN(TestSavedLists)
#include "tst_savedlists.moc"
