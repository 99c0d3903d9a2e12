// The application around the main window: menu shortcuts, the tray icon,
// closing the window and every way of quitting.
#include "AppPaths.h"
#include "AppState.h"
#include "DependencyManager.h"
#include "DownloadManager.h"
#include "DownloadTask.h"
#include "FakeTools.h"
#include "GuiFixture.h"
#include "HistoryStore.h"
#include "KlipwellApp.h"
#include "MainWindow.h"
#include "QuitGuard.h"
#include "QuitOnSignal.h"

#include <QDir>
#include <QTest>

#include <csignal>

namespace {

// Starts one download that lasts until it is stopped.
DownloadTask* startLongDownload(GuiFixture& gui)
{
    FakeTools::setDownloadSeconds(120);
    DownloadOptions options;
    options.url = QStringLiteral("https://example.com/long");
    options.folder = QDir::homePath() + QStringLiteral("/Downloads");
    DownloadTask* task = gui.state().downloads()->enqueue(options);
    if (!QTest::qWaitFor([&] { return gui.state().downloads()->activeCount() == 1; }, 30000))
        qWarning("the download did not start");
    return task;
}

// The status of the one task after a restart, as the saved queue has it.
std::optional<TaskStatus> statusAfterRestart()
{
    HistoryStore history;
    DownloadManager restarted(&history);
    if (restarted.tasks().size() != 1)
        return std::nullopt;
    return restarted.tasks().first()->status();
}

} // namespace

class TestShell : public QObject {
    Q_OBJECT

private slots:
    void shortcutsReachTheirCommands()
    {
        GuiFixture gui;
        MainWindow& window = gui.window();
        QTest::keyClick(&window, Qt::Key_3, Qt::ControlModifier);
        QCOMPARE(gui.state().selection(), SidebarItem::history);
        QVERIFY(window.screen(int(SidebarItem::history))->isVisible());
        QTest::keyClick(&window, Qt::Key_1, Qt::ControlModifier);
        QCOMPARE(gui.state().selection(), SidebarItem::download);
        // Only the menu holds Ctrl+Shift+V; a second holder would silence both.
        gui.pasteboard().copy(QStringLiteral("https://example.com/watch?v=1"));
        QTest::keyClick(&window, Qt::Key_V, Qt::ControlModifier | Qt::ShiftModifier);
        QCOMPARE(gui.state().urlText(), QStringLiteral("https://example.com/watch?v=1"));
        QTest::keyClick(&window, Qt::Key_N, Qt::ControlModifier);
        QCOMPARE(gui.state().urlText(), QString());
    }

    // A quit request asks only while something downloads; a termination
    // signal never asks. Every way out saves the queue.
    void quitAsksOnlyWhileDownloading_data()
    {
        QTest::addColumn<bool>("downloading");
        QTest::addColumn<bool>("signal");
        QTest::addColumn<bool>("answer");
        QTest::addColumn<int>("asked");
        QTest::newRow("nothing running") << false << false << false << 0;
        QTest::newRow("running, cancel") << true << false << false << 1;
        QTest::newRow("running, quit") << true << false << true << 1;
        QTest::newRow("running, SIGTERM") << true << true << false << 0;
    }

    void quitAsksOnlyWhileDownloading()
    {
        QFETCH(bool, downloading);
        QFETCH(bool, signal);
        QFETCH(bool, answer);
        QFETCH(int, asked);
        GuiFixture gui;
        DownloadManager* downloads = gui.state().downloads();
        if (!downloading)
            downloads->setStarted(false);
        DownloadTask* task = downloading ? startLongDownload(gui) : downloads->enqueue(DownloadOptions {});
        // Whatever was saved before, the way out saves the queue again.
        QFile::remove(QDir(AppPaths::support()).filePath(QStringLiteral("queue.json")));
        QuitGuard guard(downloads);
        int alerts = 0;
        int exits = 0;
        guard.replaceForTesting(
            [&](QWidget*) {
                ++alerts;
                return answer;
            },
            [&] { ++exits; });
        if (signal) {
            QuitOnSignal quitOnSignal([&] { guard.terminate(); });
            ::raise(SIGTERM);
            QTRY_COMPARE(exits, 1);
        } else {
            guard.requestQuit();
        }
        QCOMPARE(alerts, asked);
        if (exits) {
            QCOMPARE(statusAfterRestart(), TaskStatus::queued);
            return;
        }
        QVERIFY(downloading && !answer);
        QTest::qWait(200); // the child would be gone by now had it been stopped
        QCOMPARE(task->status(), TaskStatus::downloading);
        QVERIFY(!downloads->childPIDs().isEmpty());
        downloads->cancel(task);
    }

    void closingTheWindowKeepsKlipwellWhileATrayCanBringItBack()
    {
        GuiFixture gui;
        gui.window().hide();
        KlipwellApp app(&gui.state());
        int asked = 0;
        int exited = 0;
        app.quitGuard()->replaceForTesting(
            [&](QWidget*) {
                ++asked;
                return false;
            },
            [&] { ++exited; });
        app.showMainWindow();
        MainWindow* window = app.mainWindow();
        QVERIFY(QTest::qWaitForWindowExposed(window));
        // The second window checks the tools once more; let that end first.
        QTRY_VERIFY_WITH_TIMEOUT(!gui.state().deps()->busy(), 30000);
        if (app.tray()) {
            window->close();
            QVERIFY(!window->isVisible());
            app.showMainWindow();
            QCOMPARE(app.mainWindow(), window);
            QVERIFY(window->isVisible());
            QCOMPARE(exited, 0);
            return;
        }
        // No tray: closing is a quit request, and Cancel keeps the window.
        startLongDownload(gui);
        QVERIFY(!window->close());
        QCOMPARE(asked, 1);
        QVERIFY(window->isVisible());
        QCOMPARE(exited, 0);
        gui.state().downloads()->pauseAll();
        QTRY_COMPARE(gui.state().downloads()->activeCount(), 0);
        QVERIFY(window->close());
        QCOMPARE(asked, 1);
        QCOMPARE(exited, 1);
    }
};

QTEST_MAIN(TestShell)
#include "tst_shell.moc"
