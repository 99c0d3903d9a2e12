// The History screen: search, removing and clearing (logs go, media stays),
// the menu each entry offers and downloading an entry again.
#include "Confirmation.h"
#include "GuiFixture.h"
#include "HistoryStore.h"
#include "HistoryView.h"
#include "LogManager.h"
#include "Placeholder.h"
#include "TestSupport.h"

#include <QAbstractItemModelTester>
#include <QFile>
#include <QListView>
#include <QMessageBox>

class TestHistoryView : public QObject {
    Q_OBJECT

    std::unique_ptr<GuiFixture> gui;
    HistoryStore* history = nullptr;
    HistoryView* view = nullptr;

    // A finished download with a log, recorded as its run would record it.
    QUuid record(const QString& title, TaskStatus status, const QString& file = {}, const QString& path = {})
    {
        DownloadTask task(namedOptions(title, path));
        if (!file.isEmpty())
            task.apply(ProgressEvents::FinalFile { file });
        task.setStatus(status);
        LogManager::shared().append(QStringLiteral("run of ") + title, LogManager::shared().taskLogPath(task.id()));
        history->record(&task);
        return task.id();
    }

    bool hasLog(const QUuid& id) { return LogManager::shared().read(id) != QStringLiteral("No log yet."); }

    QStringList shownTitles() const
    {
        QStringList shown;
        for (int row = 0; row < view->list()->model()->rowCount(); ++row)
            shown << view->list()->model()->index(row, 0).data().toString();
        return shown;
    }

private slots:
    void initTestCase()
    {
        gui = std::make_unique<GuiFixture>();
        gui->state().downloads()->setStarted(false);
        history = gui->state().history();
        view = gui->show<HistoryView>(SidebarItem::history);
        QVERIFY(view);
    }

    void init()
    {
        history->clear();
        gui->find<QLineEdit>(QStringLiteral("Search history"))->clear();
        Confirmation::replaceForTesting({});
    }

    void cleanupTestCase() { gui.reset(); }

    void searchMatchesTitleOrAddressInAnyCase_data()
    {
        QTest::addColumn<QString>("search");
        QTest::addColumn<QStringList>("shown");
        QTest::newRow("empty: all, newest first") << "" << QStringList { "Other", "Plain", "The ABC song" };
        QTest::newRow("abc in title or address") << "abc" << QStringList { "Plain", "The ABC song" };
        QTest::newRow("no match: empty list") << "zzz" << QStringList {};
    }

    void searchMatchesTitleOrAddressInAnyCase()
    {
        QFETCH(QString, search);
        QAbstractItemModelTester tester(view->list()->model());
        record("The ABC song", TaskStatus::completed);
        record("Plain", TaskStatus::completed, {}, "watch/xAbCx");
        record("Other", TaskStatus::failed);
        auto* field = gui->find<QLineEdit>(QStringLiteral("Search history"));
        field->setFocus();
        QTest::keyClicks(field, search);
        QTEST(shownTitles(), "shown");
        QVERIFY(view->list()->isVisible()); // never the placeholder while there is history
    }

    void removeSelected_data()
    {
        QTest::addColumn<QList<int>>("rows");
        QTest::addColumn<QStringList>("left");
        QTest::newRow("nothing selected") << QList<int> {} << QStringList { "c", "b", "a" };
        QTest::newRow("one") << QList<int> { 0 } << QStringList { "b", "a" };
        QTest::newRow("two") << QList<int> { 1, 2 } << QStringList { "c" };
    }

    void removeSelected()
    {
        QFETCH(QList<int>, rows);
        QFETCH(QStringList, left);
        const QMap<QString, QUuid> ids { { "a", record("a", TaskStatus::completed) },
            { "b", record("b", TaskStatus::failed) }, { "c", record("c", TaskStatus::cancelled) } };
        QAbstractItemModelTester tester(view->list()->model());
        view->list()->clearSelection();
        for (int row : rows)
            view->list()->selectionModel()->select(view->list()->model()->index(row, 0), QItemSelectionModel::Select);
        gui->find<QPushButton>(QStringLiteral("Remove Selected"))->click();
        QCOMPARE(shownTitles(), left);
        for (auto it = ids.cbegin(); it != ids.cend(); ++it)
            QCOMPARE(hasLog(it.value()), left.contains(it.key()));
    }

    void clearHistoryAsksFirstAndKeepsTheMedia()
    {
        const QString media = QDir::home().filePath(QStringLiteral("song.m4a"));
        TestSupport::writeFile(media, "audio");
        const QUuid id = record("song", TaskStatus::completed, media);
        int asked = 0;
        bool answer = false;
        Confirmation::replaceForTesting([&](QMessageBox&) {
            ++asked;
            return answer;
        });
        auto* clear = gui->find<QPushButton>(QStringLiteral("Clear History"));
        clear->click();
        QCOMPARE(asked, 1);
        QCOMPARE(history->items().size(), 1);
        QVERIFY(hasLog(id));

        answer = true;
        clear->click();
        QVERIFY(history->items().isEmpty());
        QVERIFY(!hasLog(id));
        QVERIFY(QFile::exists(media));
        QTRY_VERIFY(view->findChild<Placeholder*>()->isVisible());
    }

    void menuByEntry_data()
    {
        QTest::addColumn<int>("status");
        QTest::addColumn<bool>("withFile");
        QTest::addColumn<QStringList>("menu");
        const QStringList common { "Open Folder", "Copy Source URL", "Show Log" };
        const QStringList tail { "|", "Remove from History" };
        QTest::newRow("completed with a file") << int(TaskStatus::completed) << true << QStringList { "Open File", "Show in Folder" } + common + tail;
        QTest::newRow("cancelled without a file") << int(TaskStatus::cancelled) << false << common + QStringList { "Retry Download" } + tail;
    }

    void menuByEntry()
    {
        QFETCH(int, status);
        QFETCH(bool, withFile);
        record("a", TaskStatus(status), withFile ? "/media/a.mp4" : QString());
        std::unique_ptr<QMenu> menu(view->contextMenu(view->list()->model()->index(0, 0)));
        QTEST(menuTexts(menu.get()), "menu");
    }

    void retryDownloadQueuesTheStoredOptionsAsANewTask()
    {
        DownloadManager* downloads = gui->state().downloads();
        downloads->enqueue(DownloadOptions { .url = QStringLiteral("https://videos.example/first") });
        const QUuid id = record("gone wrong", TaskStatus::failed);
        std::unique_ptr<QMenu> menu(view->contextMenu(view->list()->model()->index(0, 0)));
        triggerMenuItem(menu.get(), QStringLiteral("Retry Download"));
        QCOMPARE(downloads->tasks().size(), 2);
        const DownloadTask* added = downloads->tasks().constLast();
        QCOMPARE(added->options(), history->items().first().options);
        QVERIFY(added->id() != id);
        QCOMPARE(history->items().size(), 1);
    }
};

QTEST_MAIN(TestHistoryView)
#include "tst_historyview.moc"
