#include "HistoryStore.h"

#include "AppPaths.h"
#include "DownloadTask.h"
#include "LogManager.h"

#include <QDir>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

namespace {

DownloadOptions options(const QString& url)
{
    DownloadOptions o;
    o.url = url;
    o.title = "Title";
    o.folder = "/media/out";
    o.thumbnail = "https://example.com/t.jpg";
    return o;
}

QJsonArray fileContent()
{
    QFile file(HistoryStore::path());
    if (!file.open(QIODevice::ReadOnly))
        return {};
    return QJsonDocument::fromJson(file.readAll()).array();
}

void writeLog(const QUuid& id)
{
    LogManager::shared().append("line", LogManager::shared().taskLogPath(id));
    LogManager::shared().read(id); // waits for the write
}

} // namespace

class TestHistoryStore : public QObject {
    Q_OBJECT

private slots:
    void init() { QDir(AppPaths::support()).removeRecursively(); }

    void recordBuildsTheEntryFromTheTask()
    {
        DownloadTask task(options("https://example.com/a"));
        task.apply(ProgressEvents::FinalFile { "/media/out/a.webm" });
        task.apply(ProgressEvents::FinalFile { "/media/out/a.mp4" });
        task.setStatus(TaskStatus::completed);
        task.setFinalSize(42);
        task.setFinishedAt(QDateTime::fromSecsSinceEpoch(1714555800, Qt::UTC));

        HistoryStore store;
        store.record(&task);
        const HistoryItem expected { task.id(), "Title", QString("https://example.com/t.jpg"),
            *task.finishedAt(), TaskStatus::completed, QString("/media/out/a.mp4"), "/media/out",
            "https://example.com/a", 42, std::nullopt, task.options() };
        QCOMPARE(store.items(), QList<HistoryItem> { expected });

        const QJsonObject json = fileContent().at(0).toObject();
        QCOMPARE(json.value("date").toString(), "2024-05-01T09:30:00Z");
        QCOMPARE(json.value("id").toString(), task.id().toString(QUuid::WithoutBraces).toUpper());
        QVERIFY(!json.contains("error"));
        QCOMPARE(HistoryStore().items(), store.items());
    }

    void entrySize_data()
    {
        QTest::addColumn<QJsonValue>("size");
        QTest::addColumn<bool>("readable");
        QTest::addColumn<std::optional<qint64>>("expected");
        QTest::newRow("whole number") << QJsonValue(5e9) << true << std::optional<qint64>(5'000'000'000);
        QTest::newRow("null is absent") << QJsonValue(QJsonValue::Null) << true << std::optional<qint64>();
        QTest::newRow("fractional") << QJsonValue(2.5) << false << std::optional<qint64>();
    }

    void entrySize()
    {
        QFETCH(QJsonValue, size);
        QFETCH(bool, readable);
        QFETCH(std::optional<qint64>, expected);
        DownloadTask task(options("https://example.com/s"));
        HistoryStore store;
        store.record(&task);
        QJsonObject json = fileContent().at(0).toObject();
        json.insert("size", size);
        const std::optional<HistoryItem> item = historyItemFromJson(json);
        QCOMPARE(item.has_value(), readable);
        if (item)
            QCOMPARE(item->size, expected);
    }

    void taskWithoutFilesOrFinishDateIsDatedNow()
    {
        DownloadTask task(options("https://example.com/b"));
        task.setStatus(TaskStatus::failed);
        HistoryStore store;
        const QDateTime before = QDateTime::fromSecsSinceEpoch(QDateTime::currentSecsSinceEpoch(), Qt::UTC);
        store.record(&task);
        const HistoryItem item = store.items().value(0);
        QVERIFY(item.date >= before && item.date <= QDateTime::currentDateTimeUtc());
        QVERIFY(!fileContent().at(0).toObject().contains("filePath"));
        QCOMPARE(HistoryStore().items(), store.items());
    }

    void recordingAgainMovesTheEntryToTheFront()
    {
        DownloadTask first(options("https://example.com/1"));
        DownloadTask second(options("https://example.com/1"));
        HistoryStore store;
        first.setStatus(TaskStatus::failed);
        store.record(&first);
        store.record(&second);
        first.setStatus(TaskStatus::completed);
        store.record(&first);
        QCOMPARE(store.items().size(), 2);
        QCOMPARE(store.items().at(0).id, first.id());
        QCOMPARE(store.items().at(0).status, TaskStatus::completed);
        QCOMPARE(store.items().at(1).id, second.id());
    }

    void entriesReadInTheBackgroundAreAnnounced_data()
    {
        QTest::addColumn<bool>("askedFirst");
        QTest::newRow("nobody asked") << false;
        QTest::newRow("items() asked before the read ended") << true;
    }

    void entriesReadInTheBackgroundAreAnnounced()
    {
        QFETCH(bool, askedFirst);
        {
            HistoryStore writer;
            DownloadTask task(options("https://example.com/a"));
            task.setStatus(TaskStatus::completed);
            writer.record(&task);
        }
        HistoryStore store;
        QSignalSpy changed(&store, &HistoryStore::itemsChanged);
        if (askedFirst)
            QCOMPARE(store.items().size(), 1);
        // A view that waits for the signal must get it either way.
        QVERIFY(changed.wait(10'000) || changed.size() == 1);
        QVERIFY(store.isLoaded());
        QCOMPARE(store.items().size(), 1);
    }

    void removeAndClearDeleteLogsButNotMedia()
    {
        QTemporaryDir media;
        const QString file = media.filePath("a.mp4");
        QFile(file).open(QIODevice::WriteOnly);
        DownloadTask a(options("https://example.com/a"));
        DownloadTask b(options("https://example.com/b"));
        DownloadTask c(options("https://example.com/c"));
        a.apply(ProgressEvents::FinalFile { file });
        HistoryStore store;
        for (DownloadTask* task : { &a, &b, &c }) {
            store.record(task);
            writeLog(task->id());
        }
        const QUuid stranger = QUuid::createUuid();
        writeLog(stranger);
        QSignalSpy changed(&store, &HistoryStore::itemsChanged);

        store.remove({ a.id(), stranger });
        QCOMPARE(changed.count(), 1);
        QCOMPARE(store.items().size(), 2);
        QCOMPARE(LogManager::shared().read(a.id()), "No log yet.");
        QCOMPARE(LogManager::shared().read(stranger), "No log yet.");
        QVERIFY(LogManager::shared().read(b.id()).contains("line"));
        QVERIFY(QFile::exists(file));

        store.clear();
        QCOMPARE(store.items(), QList<HistoryItem>());
        QCOMPARE(fileContent(), QJsonArray());
        QCOMPARE(LogManager::shared().read(b.id()), "No log yet.");
        QCOMPARE(LogManager::shared().read(c.id()), "No log yet.");
        QVERIFY(QFile(HistoryStore::path()).size() > 0);
    }
};

QTEST_GUILESS_MAIN(TestHistoryStore)
#include "tst_historystore.moc"
