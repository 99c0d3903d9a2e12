// The set-up and diagnostics screens against a local tool mirror.
#include "AppState.h"
#include "ComponentRow.h"
#include "DependencyManager.h"
#include "GuiFixture.h"
#include "MainWindow.h"
#include "SetupView.h"
#include "TestHttpServer.h"
#include "ToolMirror.h"

#include <QClipboard>
#include <QGuiApplication>
#include <QProgressBar>
#include <QPushButton>
#include <QSignalSpy>
#include <QTest>

class TestSetupView : public QObject {
    Q_OBJECT

    TestHttpServer m_server;

private slots:
    void initTestCase() { qputenv("KLIPWELL_TOOL_MIRROR", m_server.origin().toUtf8()); }

    void installingShowsTheToolsProgress()
    {
        // yt-dlp arrives slowly: the set-up stays installing it for a while.
        m_server.serveData(ToolMirror::path(Tool::ytdlp), QByteArray(4'000'000, 'x'));
        m_server.setBytesPerSecond(100'000);
        GuiFixture gui(false, false);
        auto* setup = gui.window().findChild<SetupView*>();
        ComponentRow* row = setup->row(Tool::ytdlp);
        auto* bar = gui.find<QProgressBar>(QStringLiteral("yt-dlp progress"), setup);
        QTRY_VERIFY2_WITH_TIMEOUT(bar->isVisible() && bar->value() > 0, qPrintable(row->detail()), 30000);
        QVERIFY(row->symbol().isEmpty()); // the spinner, not an icon
        QVERIFY(row->detail().startsWith(QStringLiteral("Downloading 127.0.0.1")));
        QCOMPARE(gui.state().deps()->current(), QStringLiteral("Installing yt-dlp (1/4)"));
        auto* overall = gui.find<QProgressBar>(QStringLiteral("Set-up progress"), setup);
        QVERIFY(overall->isVisible());
        QTRY_VERIFY_WITH_TIMEOUT(overall->value() > 0, 30000);
        QVERIFY(overall->value() <= 200); // one tool of five on its way
        QVERIFY(!gui.find<QPushButton>(QStringLiteral("Retry"))->isVisible());
        m_server.serveStatus(ToolMirror::path(Tool::ytdlp), 404);
        m_server.setBytesPerSecond(0);
    }

    void failureOffersRetry()
    {
        GuiFixture gui(false, false); // the mirror has nothing: every download fails
        QTRY_COMPARE_WITH_TIMEOUT(gui.state().deps()->phase(), Phase::failed, 60000);
        QTRY_VERIFY(!gui.state().deps()->busy());
        auto* retry = gui.find<QPushButton>(QStringLiteral("Retry"));
        QVERIFY(retry->isVisible() && retry->isEnabled());
        QVERIFY(!gui.find<QProgressBar>(QStringLiteral("Set-up progress"))->isVisible());
        ComponentRow* row = gui.window().findChild<SetupView*>()->row(Tool::ffmpeg);
        QCOMPARE(row->symbol(), QStringLiteral("xmark.octagon.fill"));
        QVERIFY2(row->detail().contains(QStringLiteral("404")), qPrintable(row->detail()));
    }

    void diagnosticsRunOnFirstVisitOnlyAndCopyTheReport()
    {
        GuiFixture gui;
        QSignalSpy runs(gui.state().deps(), &DependencyManager::runningDiagnosticsChanged);
        gui.state().setSelection(SidebarItem::diagnostics);
        QTRY_VERIFY(!gui.state().deps()->diagnostics().isEmpty() && !gui.state().deps()->runningDiagnostics());
        QCOMPARE(runs.size(), 2); // started and finished once
        gui.state().setSelection(SidebarItem::download);
        gui.state().setSelection(SidebarItem::diagnostics);
        QCOMPARE(runs.size(), 2);

        gui.find<QPushButton>(QStringLiteral("Copy Report"))->click();
        QCOMPARE(QGuiApplication::clipboard()->text(), gui.state().deps()->report());
        gui.find<QPushButton>(QStringLiteral("Run Diagnostics"))->click();
        QTRY_COMPARE(runs.size(), 4);
    }
};

QTEST_MAIN(TestSetupView)
#include "tst_setupview.moc"
