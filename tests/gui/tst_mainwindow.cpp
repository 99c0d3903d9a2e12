// The main window as a user meets it (sidebar and badge, shortcuts, drops)
// and every way out of the application.
#include "AppPaths.h"
#include "GuiFixture.h"
#include "HistoryStore.h"
#include "KlipwellApp.h"
#include "QuitGuard.h"
#include "QuitOnSignal.h"
#include "SidebarModel.h"

#include <QAbstractItemModelTester>
#include <QDir>
#include <QDropEvent>
#include <QListView>
#include <QMimeData>

#include <csignal>

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
    void sidebarBadgeAndShortcuts()
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
        QTest::keyClick(&gui.window(), Qt::Key_3, Qt::ControlModifier);
        QCOMPARE(gui.state().selection(), SidebarItem::history);
        QCOMPARE(gui.window().sidebar()->currentIndex().row(), int(SidebarItem::history));
        QVERIFY(gui.window().screen(int(SidebarItem::history))->isVisible());
        // Nothing selected in the sidebar means the Download screen.
        gui.window().sidebar()->selectionModel()->clearSelection();
        QCOMPARE(gui.state().selection(), SidebarItem::download);
        QVERIFY(gui.window().screen(int(SidebarItem::download))->isVisible());
        // Only the menu holds Ctrl+Shift+V; a second holder would silence both.
        gui.pasteboard().copy(QStringLiteral("https://example.com/watch?v=1"));
        QTest::keyClick(&gui.window(), Qt::Key_V, Qt::ControlModifier | Qt::ShiftModifier);
        QCOMPARE(gui.state().urlText(), QStringLiteral("https://example.com/watch?v=1"));
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
        QTEST(gui.state().urlText(), "field");
        QCOMPARE(gui.state().toast().value_or(QString()), toast);
        QTRY_VERIFY(!gui.state().deps()->busy()); // a failing set-up ends before the window goes
    }

    // A quit request, and without a tray closing the window, asks only while
    // something downloads; a termination signal never asks. Every way out
    // saves the queue.
    void everyWayOutAsksOnlyWhileDownloading_data()
    {
        QTest::addColumn<bool>("downloading");
        QTest::addColumn<QString>("way");
        QTest::addColumn<bool>("answer");
        QTest::addColumn<int>("asked");
        QTest::newRow("nothing running") << false << "quit" << false << 0;
        QTest::newRow("running, cancel") << true << "quit" << false << 1;
        QTest::newRow("running, quit") << true << "quit" << true << 1;
        QTest::newRow("running, SIGTERM") << true << "signal" << false << 0;
        QTest::newRow("window closed, nothing running") << false << "close" << false << 0;
        QTest::newRow("window closed, running, cancel") << true << "close" << false << 1;
    }

    void everyWayOutAsksOnlyWhileDownloading()
    {
        QFETCH(bool, downloading);
        QFETCH(QString, way);
        QFETCH(bool, answer);
        GuiFixture gui;
        gui.window().hide();
        KlipwellApp app(&gui.state());
        if (way == "close") {
            if (app.tray())
                QSKIP("with a tray, closing only hides the window");
            app.showMainWindow();
            QVERIFY(QTest::qWaitForWindowExposed(app.mainWindow()));
            // The second window checks the tools once more; let that end first.
            QTRY_VERIFY_WITH_TIMEOUT(!gui.state().deps()->busy(), 30000);
        }
        DownloadManager* downloads = gui.state().downloads();
        if (!downloading)
            downloads->setStarted(false);
        DownloadTask* task = downloading ? gui.startLongDownload() : downloads->enqueue(DownloadOptions {});
        // Whatever was saved before, the way out saves the queue again.
        QFile::remove(QDir(AppPaths::support()).filePath(QStringLiteral("queue.json")));
        QuitGuard* guard = app.quitGuard();
        int alerts = 0;
        int exits = 0;
        guard->replaceForTesting(
            [&](QWidget*) {
                ++alerts;
                return answer;
            },
            [&] { ++exits; });
        if (way == "signal") {
            QuitOnSignal quitOnSignal([&] { guard->terminate(); });
            ::raise(SIGTERM);
            QTRY_COMPARE(exits, 1);
        } else if (way == "close") {
            app.mainWindow()->close();
        } else {
            guard->requestQuit();
        }
        QTEST(alerts, "asked");
        if (exits) {
            HistoryStore history;
            DownloadManager restarted(&history);
            QCOMPARE(restarted.tasks().size(), 1);
            QCOMPARE(restarted.tasks().first()->status(), TaskStatus::queued);
        } else {
            QVERIFY(downloading && !answer);
            QVERIFY(app.mainWindow()->isVisible() == (way == "close"));
            QCOMPARE(task->status(), TaskStatus::downloading);
            QTRY_VERIFY(!downloads->childPIDs().isEmpty());
            downloads->cancel(task);
        }
        // A run still waiting for its child would outlive the window.
        QTRY_VERIFY_WITH_TIMEOUT(downloads->childPIDs().isEmpty() && downloads->activeCount() == 0, 30000);
    }
};

QTEST_MAIN(TestMainWindow)
#include "tst_mainwindow.moc"
