// The Queue screen: status lines, the controls each status offers, the rows
// following the manager, live updates and the log sheet.
#include "GuiFixture.h"
#include "LogManager.h"
#include "LogView.h"
#include "Placeholder.h"
#include "QueueView.h"
#include "TaskListModel.h"
#include "TaskRow.h"
#include "TaskRowDelegate.h"
#include "TestSupport.h"

#include <QAbstractItemModelTester>
#include <QApplication>
#include <QContextMenuEvent>
#include <QListView>
#include <QSignalSpy>

namespace {

using Progress = ProgressEvents::Progress;
using Events = QList<ProgressEvent>;

// Puts a task into a status the way its runs leave it.
void putInto(DownloadTask* task, const QString& status)
{
    if (status == "downloading" && task->status() != TaskStatus::downloading)
        task->apply(Progress { 1000, 4000 });
    if (status.startsWith("completed") && status.endsWith("file"))
        task->apply(ProgressEvents::FinalFile { QStringLiteral("/tmp/out.mp4") });
    const QStringList names { "queued", "downloading", "processing", "paused", "completed", "failed", "cancelled" };
    const int index = int(names.indexOf(status.section(' ', 0, 0)));
    if (index > 1)
        task->setStatus(TaskStatus(index));
}

} // namespace

class TestQueueView : public QObject {
    Q_OBJECT

    std::unique_ptr<GuiFixture> gui;
    DownloadManager* downloads = nullptr;
    QueueView* view = nullptr;

private slots:
    void initTestCase()
    {
        gui = std::make_unique<GuiFixture>();
        downloads = gui->state().downloads();
        downloads->setStarted(false);
        view = gui->show<QueueView>(SidebarItem::queue);
        QVERIFY(view);
    }

    void init()
    {
        for (DownloadTask* task : downloads->tasks())
            downloads->remove(task);
    }

    void cleanupTestCase() { gui.reset(); }

    void statusLines_data()
    {
        QTest::addColumn<QString>("status");
        QTest::addColumn<Events>("events");
        QTest::addColumn<QString>("stage");
        QTest::addColumn<QString>("error");
        QTest::addColumn<qint64>("finalSize"); // 0: unknown
        QTest::addColumn<QString>("expected");
        QTest::newRow("queued") << "queued" << Events {} << "" << "" << 0LL << "Waiting…";
        QTest::newRow("queued, restored") << "queued" << Events {} << "Resuming after restart" << "" << 0LL << "Resuming after restart";
        QTest::newRow("downloading, all known") << "downloading" << Events { Progress { 12'300'000, 41'000'000, 999.9, 95 } } << "" << "" << 0LL << "30% · 12.3 MB of 41 MB · 999 bytes/s · ETA 1:35 · Downloading";
        QTest::newRow("downloading, unknown total") << "downloading" << Events { Progress { 5'000'000 } } << "" << "" << 0LL << "0% · 5 MB · Downloading";
        QTest::newRow("downloading, under a byte a second") << "downloading" << Events { Progress { 0, 100, 0.4 } } << "" << "" << 0LL << "0% · —/s · Downloading";
        // 0.13 arrives as 0.13 + 1 - 1 (the first of one item), 12.999… once multiplied.
        QTest::newRow("downloading, 13 %") << "downloading" << Events { Progress { 13, 100 } } << "" << "" << 0LL << "13% · 13 bytes of 100 bytes · Downloading";
        QTest::newRow("downloading, 29 %") << "downloading" << Events { Progress { 29, 100 } } << "" << "" << 0LL << "29% · 29 bytes of 100 bytes · Downloading";
        QTest::newRow("processing, stage") << "processing" << Events {} << "Embedding thumbnail" << "" << 0LL << "Embedding thumbnail";
        QTest::newRow("paused at 42.7 %") << "paused" << Events { Progress { 427, 1000 } } << "" << "" << 0LL << "Paused at 42% — resume continues from the partial file";
        QTest::newRow("completed playlist with a warning") << "completed" << Events { ProgressEvents::Item { 10, 10, "last" }, ProgressEvents::FinalFile { "/media/Field recordings/10 last.m4a" } } << "" << "2 of 10 items failed" << 1'250'000'000LL << "Done · 1.25 GB · 2 of 10 items failed · 10 last.m4a";
        QTest::newRow("failed with text") << "failed" << Events {} << "" << "The video is private." << 0LL << "The video is private.";
    }

    void statusLines()
    {
        QFETCH(QString, status);
        QFETCH(Events, events);
        QFETCH(QString, stage);
        QFETCH(QString, error);
        QFETCH(qint64, finalSize);
        DownloadTask task(namedOptions("a"));
        for (const ProgressEvent& event : events)
            task.apply(event);
        putInto(&task, status);
        if (!stage.isEmpty())
            task.setStage(stage);
        if (!error.isEmpty())
            task.setError(error);
        if (finalSize > 0)
            task.setFinalSize(finalSize);
        QTEST(TaskRow::statusLine(task), "expected");
    }

    void controlsByStatus_data()
    {
        QTest::addColumn<QString>("status");
        QTest::addColumn<QStringList>("buttons");
        QTest::addColumn<QStringList>("menu");
        const QStringList menu { "Move Up", "Move Down", "|", "Show Log", "Copy Link" };
        const QStringList withFile { "Move Up", "Move Down", "|", "Show Log", "Show in Folder", "Copy Link" };
        const QStringList tail { "Show log", "Remove from queue" };
        QTest::newRow("queued") << "queued" << QStringList { "Pause", "Cancel" } + tail << menu;
        QTest::newRow("downloading") << "downloading" << QStringList { "Pause", "Cancel" } + tail << menu;
        QTest::newRow("processing") << "processing" << QStringList { "Pause", "Cancel" } + tail << menu;
        QTest::newRow("paused") << "paused" << QStringList { "Resume", "Cancel" } + tail << menu;
        QTest::newRow("completed with a file") << "completed with file" << QStringList { "Show in Folder" } + tail << withFile;
        QTest::newRow("completed without files") << "completed" << tail << menu;
        QTest::newRow("failed") << "failed" << QStringList { "Retry" } + tail << menu;
        QTest::newRow("cancelled") << "cancelled" << QStringList { "Retry" } + tail << menu;
    }

    void controlsByStatus()
    {
        QFETCH(QString, status);
        QFETCH(QStringList, buttons);
        QFETCH(QStringList, menu);
        putInto(downloads->enqueue(namedOptions("a")), status);
        const QModelIndex row = view->model()->index(0, 0);
        QStringList painted;
        for (const QVariant& action : row.data(TaskListModel::ActionsRole).toList())
            painted << TaskRow::label(TaskRow::Action(action.toInt()));
        QCOMPARE(painted, buttons);
        // The row's buttons lead the menu, for the keyboard and screen readers.
        QStringList expected = buttons;
        expected.removeAll(QStringLiteral("Show log"));
        expected.removeAll(QStringLiteral("Show in Folder"));
        expected << QStringLiteral("|") << menu;
        std::unique_ptr<QMenu> shown(view->contextMenu(row));
        QCOMPARE(menuTexts(shown.get()), expected);
    }

    void rowsFollowTheManager()
    {
        QTRY_VERIFY(view->findChild<Placeholder*>()->isVisible());
        QAbstractItemModelTester tester(view->model());
        for (const char* name : { "a", "b", "c" })
            downloads->enqueue(namedOptions(name));
        QVERIFY(view->list()->isVisible());
        DownloadTask* c = downloads->tasks().at(2);
        QListView* list = view->list();
        list->setCurrentIndex(view->model()->index(2, 0));
        std::unique_ptr<QMenu> menu(view->contextMenu(list->currentIndex()));
        triggerMenuItem(menu.get(), "Move Up");
        QCOMPARE(downloads->tasks().indexOf(c), 1);
        QCOMPARE(view->model()->task(list->currentIndex()), c); // the current row moved with its task

        // The painted trash button of the first row removes that task.
        const QRect rect = list->visualRect(view->model()->index(0, 0));
        DownloadTask* a = downloads->tasks().first();
        QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, ButtonRowDelegate::buttonRects(rect, 4).last().center());
        QTRY_VERIFY(!downloads->tasks().contains(a));
        QCOMPARE(view->model()->rowCount(), 2);
        QCOMPARE(view->model()->task(list->currentIndex()), c);
        for (DownloadTask* task : downloads->tasks())
            downloads->cancel(task);
        downloads->clearFinished(); // one remove for the adjacent rows
        QCOMPARE(view->model()->rowCount(), 0);
        QTRY_VERIFY(view->findChild<Placeholder*>()->isVisible());
    }

    void menuKeyOpensTheCurrentRowsMenu()
    {
        downloads->enqueue(namedOptions("a"));
        downloads->enqueue(namedOptions("b"));
        QListView* list = view->list();
        list->setFocus();
        list->setCurrentIndex(view->model()->index(1, 0));
        QContextMenuEvent menuKey(QContextMenuEvent::Keyboard, list->rect().center());
        QCoreApplication::sendEvent(list, &menuKey);
        QMenu* menu = nullptr;
        QTRY_VERIFY((menu = qobject_cast<QMenu*>(QApplication::activePopupWidget())));
        QTest::keyClick(menu, Qt::Key_Down);
        QTest::keyClick(menu, Qt::Key_Return); // Pause, the row's first button
        QTRY_COMPARE(downloads->tasks().at(1)->status(), TaskStatus::paused);
    }

    void rowsChangeAtMostOncePerRefresh()
    {
        for (const char* name : { "a", "b", "c" })
            downloads->enqueue(namedOptions(name));
        QSignalSpy changed(view->model(), &QAbstractItemModel::dataChanged);
        DownloadTask* b = downloads->tasks().at(1);
        for (int i = 1; i <= 200; ++i)
            b->apply(Progress { i * 1000, 200'000, 1e6, 10 });
        QVERIFY(changed.wait());
        QTest::qWait(2 * TaskListModel::refreshMs); // a second report would come within this
        QCOMPARE(changed.size(), 1);
        QCOMPARE(changed.first().at(0).toModelIndex().row(), 1);
        QCOMPARE(changed.first().at(1).toModelIndex().row(), 1);
    }

    void logSheet()
    {
        DownloadTask* task = downloads->enqueue(namedOptions("a"));
        std::unique_ptr<QMenu> menu(view->contextMenu(view->model()->index(0, 0)));
        triggerMenuItem(menu.get(), "Show Log");
        QCOMPARE(view->logTask(), task->id());
        LogView* sheet = view->logView();
        QTRY_VERIFY(sheet->text().contains(QStringLiteral("Queued: https://videos.example/watch/a")));
        QTest::keyClick(sheet, Qt::Key_Escape);
        QTRY_VERIFY(!view->logTask());

        // A huge log shows its end, from the start of a whole line.
        const QUuid id = QUuid::createUuid();
        QByteArray log;
        for (int n = 0; log.size() <= LogView::shownLimit + 1000; ++n)
            log += "[2026-12-07T01:00:00Z] line " + QByteArray::number(n) + '\n';
        QVERIFY(TestSupport::writeFile(LogManager::shared().taskLogPath(id), log));
        view->showLog(id);
        sheet = view->logView();
        QTRY_VERIFY(!sheet->text().isEmpty());
        QVERIFY(sheet->text().size() <= LogView::shownLimit);
        QVERIFY(sheet->text().startsWith(QStringLiteral("[2026-12-07T01:00:00Z] line ")));
        QVERIFY(log.endsWith(sheet->text().toUtf8()));
        QVERIFY(visibleLabel(sheet, QStringLiteral("The log file holds more")));
        sheet->close();
    }
};

QTEST_MAIN(TestQueueView)
#include "tst_queueview.moc"
