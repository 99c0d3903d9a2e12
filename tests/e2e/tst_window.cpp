// Klipwell in real windows on an X display: set-up from the local mirror,
// a link typed into the field and downloaded by the real yt-dlp, and a
// second start of the klipwell executable handing its link to the first.
#include "AppState.h"
#include "DemoSite.h"
#include "DependencyManager.h"
#include "DownloadManager.h"
#include "DownloadTask.h"
#include "FakePasteboard.h"
#include "FakeTools.h"
#include "GuiFixture.h"
#include "InstanceChannel.h"
#include "MainWindow.h"
#include "TestSupport.h"
#include "TestMedia.h"

#include <QElapsedTimer>
#include <QFileInfo>
#include <QGuiApplication>
#include <QLineEdit>
#include <QLocalSocket>
#include <QProcess>
#include <QPushButton>
#include <QTest>

namespace {

// Types a sample link into the field, queues it and waits for its file.
void fetchAndDownload(GuiFixture& gui, DemoSite& site)
{
    auto* field = gui.find<QLineEdit>(QStringLiteral("Paste a video or playlist link"));
    QTRY_VERIFY(field->isVisible());
    QTest::keyClicks(field, site.link(TestMedia::directVideo));
    QTRY_VERIFY_WITH_TIMEOUT(gui.state().info().has_value(), 120'000);

    gui.find<QPushButton>(QStringLiteral("Add to Queue"))->click();
    QCOMPARE(gui.state().downloads()->tasks().size(), 1);
    const DownloadTask* task = gui.state().downloads()->tasks().first();
    QTRY_VERIFY_WITH_TIMEOUT(isFinished(task->status()), 300'000);
    QVERIFY2(task->status() == TaskStatus::completed, qPrintable(task->error().value_or(QString())));
    QVERIFY(task->firstFile().has_value());
    QVERIFY(QFileInfo(*task->firstFile()).size() > 0);
}

} // namespace

class TestWindow : public QObject {
    Q_OBJECT

private slots:
    void initTestCase()
    {
        if (QGuiApplication::platformName() != QLatin1String("xcb"))
            QSKIP("needs an X display (the suite runs under xvfb-run)");
        // The same data and settings folders as the klipwell executable.
        QCoreApplication::setOrganizationName(QStringLiteral("Klipwell"));
        QCoreApplication::setApplicationName(QStringLiteral("Klipwell"));
    }

    void setsUpFetchesAndDownloadsInARealWindow()
    {
        DemoSite site;
        QVERIFY2(site.error().isEmpty(), qPrintable(site.error()));
        qputenv("KLIPWELL_TOOL_MIRROR", site.origin().toUtf8());
        {
            GuiFixture gui(false, false);
            QTRY_VERIFY_WITH_TIMEOUT(gui.state().setupDone(), 300'000);
            QCOMPARE(gui.state().deps()->phase(), Phase::ready);
            fetchAndDownload(gui, site);
            if (QTest::currentTestFailed())
                return;
        }

        // The next start over the same tools opens the Download screen at
        // once; the full check still runs behind it and ends ready.
        FakePasteboard pasteboard;
        AppState again(&pasteboard);
        MainWindow window(&again);
        window.show();
        QVERIFY(again.setupDone());
        QVERIFY(again.deps()->busy());
        QTRY_VERIFY_WITH_TIMEOUT(!again.deps()->busy(), 300'000);
        QCOMPARE(again.deps()->phase(), Phase::ready);
        QVERIFY(again.setupDone());
        QCOMPARE(TestSupport::appLog().count(QStringLiteral("Dependency verification: ready=true")), 2);
        qunsetenv("KLIPWELL_TOOL_MIRROR");
    }

    void secondStartHandsItsLinkToTheFirst()
    {
        GuiFixture::resetData(true);
        QProcess first;
        first.setProcessChannelMode(QProcess::ForwardedChannels);
        first.start(QStringLiteral(KLIPWELL_EXECUTABLE), {});
        QVERIFY(first.waitForStarted());
        const auto listening = [] {
            QLocalSocket probe;
            probe.connectToServer(InstanceChannel::serverName());
            return probe.waitForConnected(200);
        };
        QTRY_VERIFY_WITH_TIMEOUT(listening(), 60'000);

        const QString link = QStringLiteral("https://example.com/watch?v=handed");
        FakeTools::setInfo(link, FakeTools::videoDocument(QStringLiteral("handed"), QStringLiteral("Handed over")));
        QProcess second;
        second.setProcessChannelMode(QProcess::ForwardedChannels);
        QElapsedTimer clock;
        clock.start();
        second.start(QStringLiteral(KLIPWELL_EXECUTABLE), { link });
        QVERIFY(second.waitForFinished(30'000));
        qInfo("the second instance exited after %lld ms", clock.elapsed());
        QCOMPARE(second.exitStatus(), QProcess::NormalExit);
        QCOMPARE(second.exitCode(), 0);

        // The first window took the link into its field and asked yt-dlp about it.
        QTRY_VERIFY_WITH_TIMEOUT(FakeTools::runs().contains(QStringLiteral("info ") + link), 60'000);
        QCOMPARE(first.state(), QProcess::Running);
        first.terminate();
        QVERIFY(first.waitForFinished(30'000));
        QCOMPARE(first.exitCode(), 0);
    }
};

QTEST_MAIN(TestWindow)
#include "tst_window.moc"
