#include "HistoryStore.h"

#include "AppPaths.h"
#include "DownloadTask.h"
#include "TestSupport.h"

#include <QDir>
#include <QJsonArray>
#include <QJsonDocument>
#include <QSignalSpy>
#include <QTest>

static DownloadOptions options(const QString& url)
{
    DownloadOptions o;
    o.url = url;
    o.title = "Title";
    o.folder = "/media/out";
    o.thumbnail = "https://example.com/t.jpg";
    return o;
}

class TestHistoryStore : public QObject {
    Q_OBJECT

private slots:
    void init() { QDir(AppPaths::support()).removeRecursively(); }

    void recordBuildsTheEntryFromTheTask()
    {
        DownloadTask task(options("https://example.com/a"));
        for (const QString file : { "/media/out/a.webm", "/media/out/a.mp4", "/media/out/a.webm" })
            task.apply(ProgressEvents::FinalFile { file }); // the latest new file is the entry's
        task.setStatus(TaskStatus::failed);
        HistoryStore store;
        store.record(&task);
        DownloadTask other(options("https://example.com/a"));
        store.record(&other);
        task.setStatus(TaskStatus::completed);
        task.setFinalSize(5'000'000'000);
        task.setFinishedAt(QDateTime::fromSecsSinceEpoch(1714555800, Qt::UTC));
        store.record(&task); // again: replaces its entry, now at the front
        const HistoryItem expected { task.id(), "Title", QString("https://example.com/t.jpg"), *task.finishedAt(), TaskStatus::completed, QString("/media/out/a.mp4"), "/media/out", "https://example.com/a", 5'000'000'000, std::nullopt, task.options() };
        QCOMPARE(store.items().size(), 2);
        QCOMPARE(store.items().at(0), expected);
        QCOMPARE(store.items().at(1).id, other.id());

        const QJsonObject json = QJsonDocument::fromJson(TestSupport::readFile(HistoryStore::path())).array().at(0).toObject();
        QCOMPARE(json.value("date").toString(), "2024-05-01T09:30:00Z");
        QCOMPARE(json.value("id").toString(), task.id().toString(QUuid::WithoutBraces).toUpper());
        QVERIFY(!json.contains("error"));
        QCOMPARE(HistoryStore().items(), store.items());
    }

    void entriesReadInTheBackgroundAreAnnouncedEvenWhenTakenFirst()
    {
        DownloadTask task(options("https://example.com/a"));
        HistoryStore().record(&task);
        HistoryStore store;
        QSignalSpy changed(&store, &HistoryStore::itemsChanged);
        QCOMPARE(store.items().size(), 1); // before the read has ended
        // A view that waits for the signal has not seen them.
        QVERIFY(changed.size() == 1 || changed.wait(10'000));
        QVERIFY(store.isLoaded());
        QCOMPARE(store.items().size(), 1);
    }
};

QTEST_GUILESS_MAIN(TestHistoryStore)
#include "tst_historystore.moc"
