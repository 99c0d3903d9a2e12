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

QJsonObject savedEntry(int index)
{
    QFile file(HistoryStore::path());
    file.open(QIODevice::ReadOnly);
    return QJsonDocument::fromJson(file.readAll()).array().at(index).toObject();
}

} // namespace

class TestHistoryStore : public QObject {
    Q_OBJECT

private slots:
    void init() { QDir(AppPaths::support()).removeRecursively(); }

    void recordBuildsTheEntryFromTheTask()
    {
        DownloadTask task(options("https://example.com/a"));
        for (const QString file : { "/media/out/a.webm", "/media/out/a.mp4", "/media/out/a.webm" })
            task.apply(ProgressEvents::FinalFile { file }); // the latest new file is the entry's
        task.setStatus(TaskStatus::completed);
        task.setFinalSize(5'000'000'000);
        task.setFinishedAt(QDateTime::fromSecsSinceEpoch(1714555800, Qt::UTC));
        HistoryStore store;
        store.record(&task);
        const HistoryItem expected { task.id(), "Title", QString("https://example.com/t.jpg"), *task.finishedAt(), TaskStatus::completed, QString("/media/out/a.mp4"), "/media/out", "https://example.com/a", 5'000'000'000, std::nullopt, task.options() };
        QCOMPARE(store.items(), QList<HistoryItem> { expected });
        const QJsonObject json = savedEntry(0);
        QCOMPARE(json.value("date").toString(), "2024-05-01T09:30:00Z");
        QCOMPARE(json.value("id").toString(), task.id().toString(QUuid::WithoutBraces).toUpper());
        QVERIFY(!json.contains("error"));
        QCOMPARE(HistoryStore().items(), store.items());
    }

    void recordingAgainReplacesTheEntryAtTheFront()
    {
        DownloadTask first(options("https://example.com/1"));
        DownloadTask second(options("https://example.com/1"));
        HistoryStore store;
        first.setStatus(TaskStatus::failed);
        const QDateTime before = QDateTime::fromSecsSinceEpoch(QDateTime::currentSecsSinceEpoch(), Qt::UTC);
        store.record(&first);
        store.record(&second);
        first.setStatus(TaskStatus::completed);
        store.record(&first);
        QCOMPARE(store.items().size(), 2);
        QCOMPARE(store.items().at(0).id, first.id());
        QCOMPARE(store.items().at(0).status, TaskStatus::completed);
        QCOMPARE(store.items().at(1).id, second.id());
        // Without a finish date or files: dated now, and no file path saved.
        QVERIFY(store.items().at(1).date >= before && store.items().at(1).date <= QDateTime::currentDateTimeUtc());
        QVERIFY(!savedEntry(1).contains("filePath"));
        QCOMPARE(HistoryStore().items(), store.items());
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
        DownloadTask task(options("https://example.com/a"));
        HistoryStore().record(&task);
        HistoryStore store;
        QSignalSpy changed(&store, &HistoryStore::itemsChanged);
        if (askedFirst)
            QCOMPARE(store.items().size(), 1);
        // A view that waits for the signal must get it either way.
        QVERIFY(changed.size() == 1 || changed.wait(10'000));
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
        const QUuid stranger = QUuid::createUuid();
        HistoryStore store;
        for (const QUuid& id : { a.id(), b.id(), c.id(), stranger })
            LogManager::shared().append("line", LogManager::shared().taskLogPath(id));
        for (DownloadTask* task : { &a, &b, &c })
            store.record(task);
        LogManager::shared().read(stranger); // waits for the writes
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
        QCOMPARE(savedEntry(0), QJsonObject());
        QVERIFY(QFile(HistoryStore::path()).size() > 0); // an empty list, not a missing file
        QCOMPARE(LogManager::shared().read(c.id()), "No log yet.");
    }
};

QTEST_GUILESS_MAIN(TestHistoryStore)
#include "tst_historystore.moc"
