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
        DownloadTask* first = downloads->enqueue(DownloadOptions { .url = QStringLiteral("https://example.com/a") });
        downloads->enqueue(DownloadOptions { .url = QStringLiteral("https://example.com/a") });
        downloads->pause(first);
        QTRY_COMPARE(badge(gui.window()), 2);
        for (DownloadTask* task : downloads->tasks())
            downloads->cancel(task);
        QTRY_COMPARE(badge(gui.window()), 0);

        // Nothing selected in the sidebar means the Download screen.
        gui.state().setSelection(SidebarItem::history);
        QCOMPARE(gui.window().sidebar()->currentIndex().row(), int(SidebarItem::history));
        gui.window().sidebar()->selectionModel()->clearSelection();
        QCOMPARE(gui.state().selection(), SidebarItem::download);
        QVERIFY(gui.window().screen(int(SidebarItem::download))->isVisible());
    }

    // Any part of the window takes a drop, the set-up screen too.
    void dropsAnywhereReachTheState_data()
    {
        QTest::addColumn<bool>("ready");
        QTest::addColumn<QString>("text");
        QTest::addColumn<QStringList>("urls");
        QTest::addColumn<int>("queued");
        QTest::addColumn<QString>("field");
        QTest::addColumn<QString>("toast");
        QTest::newRow("text with three links") << true << "see https://a.example/1, http://b.example/2 and www.c.example/3." << QStringList {} << 3 << "" << "";
        QTest::newRow("a link") << true << "" << QStringList { "https://a.example/1?v=%C3%A9" } << 0 << "https://a.example/1?v=%C3%A9" << "";
        QTest::newRow("two links at once") << true << "" << QStringList { "https://a.example/1", "https://b.example/2" } << 2 << "" << "";
        QTest::newRow("a file over the set-up screen") << false << "" << QStringList { "file:///tmp/clip.mp4" } << 0 << "" << "No valid link found.";
    }

    void dropsAnywhereReachTheState()
    {
        QFETCH(bool, ready);
        QFETCH(QString, text);
        QFETCH(QStringList, urls);
        QFETCH(int, queued);
        QFETCH(QString, field);
        QFETCH(QString, toast);
        GuiFixture gui(ready, ready); // no tools: the set-up screen stays
        gui.state().downloads()->setStarted(false);
        QMimeData data;
        if (!text.isEmpty())
            data.setText(text);
        if (!urls.isEmpty())
            data.setUrls(QList<QUrl>(urls.cbegin(), urls.cend()));
        QWidget* target = ready ? gui.window().sidebar()->viewport() : gui.window().centralWidget();
        const QPoint centre = target->rect().center();
        QDragEnterEvent enter(centre, Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
        QCoreApplication::sendEvent(target, &enter);
        QVERIFY(enter.isAccepted());
        QVERIFY(gui.window().isDropTargeted());
        QDropEvent dropped(QPointF(centre), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
        QCoreApplication::sendEvent(target, &dropped);
        QVERIFY(dropped.isAccepted());
        QVERIFY(!gui.window().isDropTargeted());
        QCOMPARE(gui.state().downloads()->tasks().size(), queued);
        if (queued)
            QCOMPARE(gui.state().selection(), SidebarItem::queue);
        QCOMPARE(gui.state().urlText(), field);
        if (!toast.isEmpty())
            QCOMPARE(gui.state().toast(), toast);
        QTRY_VERIFY(!gui.state().deps()->busy()); // a failing set-up ends before the window goes
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
        QVERIFY2(clock.elapsed() >= ToastView::durationMs * 5 / 4, qPrintable(QString::number(clock.elapsed())));
        QTRY_VERIFY(!toast->isVisible());
    }
};

QTEST_MAIN(TestMainWindow)
#include "tst_mainwindow.moc"
