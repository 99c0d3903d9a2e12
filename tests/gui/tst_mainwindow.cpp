// The main window as a user meets it: sidebar and badge, drops, toasts.
#include "AppState.h"
#include "DependencyManager.h"
#include "DownloadManager.h"
#include "DownloadTask.h"
#include "GuiFixture.h"
#include "MainWindow.h"
#include "SidebarModel.h"
#include "ToastView.h"

#include <QAbstractItemModelTester>
#include <QDropEvent>
#include <QElapsedTimer>
#include <QListView>
#include <QMimeData>
#include <QTest>

namespace {

// Drags data over a widget of the window and drops it there.
void dragAndDrop(QWidget* target, QMimeData* data, MainWindow& window, bool drop = true)
{
    const QPoint centre = target->rect().center();
    QDragEnterEvent enter(centre, Qt::CopyAction, data, Qt::LeftButton, Qt::NoModifier);
    QCoreApplication::sendEvent(target, &enter);
    QVERIFY(enter.isAccepted());
    QVERIFY(window.isDropTargeted());
    if (!drop)
        return;
    QDropEvent dropped(QPointF(centre), Qt::CopyAction, data, Qt::LeftButton, Qt::NoModifier);
    QCoreApplication::sendEvent(target, &dropped);
    QVERIFY(dropped.isAccepted());
    QVERIFY(!window.isDropTargeted());
}

int badge(const MainWindow& window)
{
    const QAbstractItemModel* model = window.sidebar()->model();
    return model->index(int(SidebarItem::queue), 0).data(SidebarModel::BadgeRole).toInt();
}

} // namespace

class TestMainWindow : public QObject {
    Q_OBJECT

private slots:
    void queueBadgeCountsPendingTasks()
    {
        GuiFixture gui;
        QAbstractItemModelTester tester(gui.window().sidebar()->model());
        DownloadManager* downloads = gui.state().downloads();
        downloads->setStarted(false);
        QCOMPARE(badge(gui.window()), 0);
        DownloadOptions options;
        options.url = QStringLiteral("https://example.com/a");
        DownloadTask* first = downloads->enqueue(options);
        downloads->enqueue(options);
        downloads->pause(first);
        QTRY_COMPARE(badge(gui.window()), 2);
        for (DownloadTask* task : downloads->tasks())
            downloads->cancel(task);
        QTRY_COMPARE(badge(gui.window()), 0);
    }

    void emptySidebarSelectionShowsTheDownloadScreen()
    {
        GuiFixture gui;
        gui.state().setSelection(SidebarItem::history);
        QCOMPARE(gui.window().sidebar()->currentIndex().row(), int(SidebarItem::history));
        gui.window().sidebar()->selectionModel()->clearSelection();
        QCOMPARE(gui.state().selection(), SidebarItem::download);
        QVERIFY(gui.window().screen(int(SidebarItem::download))->isVisible());
    }

    void droppedTextWithThreeLinksQueuesThree()
    {
        GuiFixture gui;
        gui.state().downloads()->setStarted(false);
        auto* data = new QMimeData;
        data->setText(QStringLiteral("see https://a.example/1, http://b.example/2 and www.c.example/3."));
        dragAndDrop(gui.window().sidebar()->viewport(), data, gui.window());
        QCOMPARE(gui.state().downloads()->tasks().size(), 3);
        QCOMPARE(gui.state().selection(), SidebarItem::queue);
        delete data;
    }

    void dropOverTheSetupScreenReachesTheState()
    {
        GuiFixture gui(false, false); // no tools: the set-up screen stays
        QVERIFY(!gui.state().setupDone());
        auto data = std::make_unique<QMimeData>();
        data->setUrls({ QUrl::fromLocalFile(QStringLiteral("/tmp/clip.mp4")) });
        dragAndDrop(gui.window().centralWidget(), data.get(), gui.window());
        QCOMPARE(gui.state().toast(), QStringLiteral("No valid link found."));
        QTRY_VERIFY(!gui.state().deps()->busy()); // the failing set-up ends before the window goes
    }

    void toastStaysItsTimeAndANewerTextGetsItsOwn()
    {
        GuiFixture gui;
        auto* toast = gui.window().findChild<ToastView*>();
        QElapsedTimer clock;
        clock.start();
        gui.state().setToast(QStringLiteral("Added to queue"));
        QTRY_VERIFY(toast->isVisible());
        QTest::qWait(ToastView::durationMs / 2);
        gui.state().setToast(QStringLiteral("Added 2 downloads"));
        QTRY_VERIFY_WITH_TIMEOUT(!gui.state().toast().has_value(), 10000);
        // The first text's timer ended while the second still had half its time.
        QVERIFY2(
            clock.elapsed() >= ToastView::durationMs * 5 / 4, qPrintable(QString::number(clock.elapsed())));
        QTRY_VERIFY(!toast->isVisible());
    }
};

QTEST_MAIN(TestMainWindow)
#include "tst_mainwindow.moc"
