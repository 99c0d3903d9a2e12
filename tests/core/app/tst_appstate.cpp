// The application state with scripted stand-ins for the tools: what real runs cannot show on
// demand (superseded fetches, clipboard timing, every way a link comes in).
#include "AppPaths.h"
#include "AppState.h"
#include "DownloadManager.h"
#include "DownloadTask.h"
#include "FakePasteboard.h"
#include "FakeTools.h"
#include "FormatManager.h"
#include "InstanceChannel.h"
#include "SettingsStore.h"
#include "TestSupport.h"
#include "Tool.h"

#include <QDir>
#include <QSignalSpy>
#include <QTest>

#include <qcoro/qcorotask.h>

#include <memory>

// The queued links, playlists marked as such by their options and output template.
static QStringList queuedLinks(const AppState& state)
{
    QStringList links;
    for (const DownloadTask* task : state.downloads()->tasks()) {
        const DownloadOptions& o = task->options();
        const bool numbered = o.outputTemplate.startsWith("%(playlist_title|Playlist)s/%(playlist_index)03d - ");
        links << o.url + (o.isPlaylist ? " (playlist)" : "") + (numbered ? " (numbered)" : "");
    }
    return links;
}

class TestAppState : public QObject {
    Q_OBJECT

    FakePasteboard m_pasteboard;

    // A fresh state over fresh files; ready when asked.
    std::unique_ptr<AppState> makeState(bool ready)
    {
        auto state = std::make_unique<AppState>(&m_pasteboard);
        if (ready)
            QCoro::waitFor(state->launch());
        return state;
    }

private slots:
    void init()
    {
        QDir(AppPaths::support()).removeRecursively();
        for (const QString key : { "defaultPreset", "clipboardMonitor" })
            SettingsStore::remove(key);
        SettingsStore::set("autoUpdateTools", false);
        SettingsStore::set("downloadFolder", QString(QDir::homePath() + "/Downloads"));
        QCOMPARE(FakeTools::install(), QString());
    }

    // A second start over the same tool files opens the working screens at once; the check behind them decides.
    void secondStart_data()
    {
        QTest::addColumn<QString>("change");
        QTest::addColumn<bool>("atOnce");
        QTest::addColumn<bool>("endsReady");
        QTest::newRow("unchanged") << "" << true << true;
        QTest::newRow("yt-dlp replaced") << "replace" << false << true;
        QTest::newRow("ffprobe deleted") << "delete" << false << false;
        QTest::newRow("yt-dlp no longer runs") << "chmod" << true << false;
    }
    void secondStart()
    {
        QFETCH(QString, change);
        makeState(true);
        qputenv("KLIPWELL_TOOL_MIRROR", "http://127.0.0.1:9"); // a missing tool must not be fetched
        QFile ytdlp(toolPath(Tool::ytdlp));
        if (change == "replace")
            QVERIFY(TestSupport::writeScript(ytdlp.fileName(), TestSupport::readFile(ytdlp.fileName()) + "\n# another build\n") == ytdlp.fileName());
        if (change == "delete")
            QVERIFY(QFile::remove(toolPath(Tool::ffprobe)));
        if (change == "chmod")
            QVERIFY(ytdlp.setPermissions(QFile::ReadOwner | QFile::WriteOwner));
        AppState state(&m_pasteboard);
        auto launching = state.launch();
        QTEST(state.setupDone(), "atOnce");
        QTEST(state.downloads()->started(), "atOnce");
        QCoro::waitFor(std::move(launching));
        qunsetenv("KLIPWELL_TOOL_MIRROR");
        QTEST(state.setupDone(), "endsReady");
    }

    void aSupersededFetchIsStoppedAndNeverWritesItsResult_data()
    {
        QTest::addColumn<bool>("byAnotherFetch"); // or by a reset
        QTest::newRow("another fetch") << true;
        QTest::newRow("reset") << false;
    }
    void aSupersededFetchIsStoppedAndNeverWritesItsResult()
    {
        QFETCH(bool, byAnotherFetch);
        const QString slow = "https://example.com/slow";
        FakeTools::setInfo(slow, FakeTools::videoDocument("slow", "Slow"), 30.0);
        FakeTools::setInfo("https://example.com/fast", FakeTools::videoDocument("fast", "Fast"));
        const auto state = makeState(true);
        QSignalSpy infoChanges(state.get(), &AppState::infoChanged);
        state->setUrlText(slow);
        state->fetch();
        if (byAnotherFetch) {
            state->setUrlText("https://example.com/fast");
            state->fetch();
            QTRY_COMPARE_WITH_TIMEOUT(state->fetchState(), FetchState(FetchStates::Loaded {}), 60000);
        } else {
            state->info_reset();
        }
        // The superseded yt-dlp run was stopped long before its answer was due.
        QTRY_VERIFY_WITH_TIMEOUT(TestSupport::appLog().contains("info " + slow + " -> exit 143"), 20000);
        QCoreApplication::processEvents();
        QVERIFY(!FakeTools::runs().contains("info " + slow));
        QCOMPARE(state->fetchState(), byAnotherFetch ? FetchState(FetchStates::Loaded {}) : FetchState(FetchStates::Idle {}));
        QCOMPARE(state->info() ? state->info()->title : QString(), byAnotherFetch ? "Fast" : "");
        QCOMPARE(infoChanges.count(), byAnotherFetch ? 1 : 0);
    }

    // Text typed, then fetched or downloaded without a fetch; or handed over by a
    // drop, a paste or a second instance (URL-scheme links among them), in the order they came.
    void linksComingIn_data()
    {
        QTest::addColumn<QString>("way"); // "fetch", "download" or "hand over"
        QTest::addColumn<QStringList>("texts");
        QTest::addColumn<FetchState>("fetchState");
        QTest::addColumn<QStringList>("queued");
        QTest::addColumn<QString>("field");
        QTest::addColumn<QString>("toast");
        QTest::addColumn<SidebarItem>("screen");
        QTest::addColumn<int>("activations");
        const FetchState idle = FetchStates::Idle {};
        QStringList fifty;
        for (int i = 0; i < 50; ++i)
            fifty << QString("https://example.com/v/%1").arg(i);
        QTest::newRow("fetch blanks") << "fetch" << QStringList { "  \n " } << idle << QStringList() << "  \n " << "" << SidebarItem::history << 0;
        QTest::newRow("fetch ftp") << "fetch" << QStringList { "ftp://example.com/file" } << FetchState(FetchStates::Failed { "That doesn’t look like a valid web address." }) << QStringList() << "ftp://example.com/file" << "" << SidebarItem::history << 0;
        QTest::newRow("fetch before set-up") << "fetch" << QStringList { "https://example.com/a" } << idle << QStringList() << "https://example.com/a" << "" << SidebarItem::history << 0;
        QTest::newRow("download a link") << "download" << QStringList { " https://example.com/v" } << idle << QStringList { "https://example.com/v" } << "" << "Added to queue" << SidebarItem::history << 0;
        QTest::newRow("download a word") << "download" << QStringList { "video" } << FetchState(FetchStates::Failed { "Enter a valid http(s) link first." }) << QStringList() << "video" << "" << SidebarItem::history << 0;
        QTest::newRow("two links") << "hand over" << QStringList { "Try https://a.example.com/1 or http://b.example.com/2." } << idle << QStringList { "https://a.example.com/1", "http://b.example.com/2" } << "" << "" << SidebarItem::queue << 1;
        QTest::newRow("one link") << "hand over" << QStringList { "watch this: https://a.example.com/1!" } << idle << QStringList() << "https://a.example.com/1" << "" << SidebarItem::download << 1;
        QTest::newRow("no link") << "hand over" << QStringList { "nothing here" } << idle << QStringList() << "" << "No valid link found." << SidebarItem::history << 1;
        QTest::newRow("garbage") << "hand over" << QStringList { "\x01\x02 \uFFFD\uFFFD garbage" } << idle << QStringList() << "" << "No valid link found." << SidebarItem::history << 1;
        QTest::newRow("scheme with link") << "hand over" << QStringList { "klipwell://open?url=https%3A%2F%2Fexample.com%2Fv%3Fa%3D1%26b%3D2" } << idle << QStringList() << "https://example.com/v?a=1&b=2" << "" << SidebarItem::download << 0;
        QTest::newRow("scheme without url item") << "hand over" << QStringList { "klipwell://open?x=1" } << idle << QStringList() << "" << "No valid link found." << SidebarItem::history << 0;
        QTest::newRow("scheme link, then text") << "hand over" << QStringList { "klipwell://open?url=https%3A%2F%2Fexample.com%2Fw", "see https://a.example.com/1 and https://b.example.com/2" } << idle << QStringList { "https://a.example.com/1", "https://b.example.com/2" } << "https://example.com/w" << "" << SidebarItem::queue << 1;
        QTest::newRow("playlists by their links") << "hand over" << QStringList { "https://www.youtube.com/watch?v=abc&list=PL1 https://www.youtube.com/watch?list=PL1 https://example.com/playlist/7" } << idle << QStringList { "https://www.youtube.com/watch?v=abc&list=PL1", "https://www.youtube.com/watch?list=PL1 (playlist) (numbered)", "https://example.com/playlist/7 (playlist) (numbered)" } << "" << "" << SidebarItem::queue << 1;
        QTest::newRow("fifty links") << "hand over" << QStringList { fifty.join(' ') } << idle << fifty << "" << "" << SidebarItem::queue << 1;
        QTest::newRow("fifty-one links") << "hand over" << QStringList { fifty.join(' ') + " https://example.com/v/50" } << idle << QStringList() << "https://example.com/v/0" << "Too many links at once: only the first was kept and 50 were ignored." << SidebarItem::download << 1;
    }
    void linksComingIn()
    {
        QFETCH(QString, way);
        QFETCH(QStringList, texts);
        SettingsStore::set("defaultPreset", "Advanced"); // stored, yet a quick download starts on Best Quality
        const auto state = makeState(false);
        state->setSelection(SidebarItem::history);
        QSignalSpy activations(state.get(), &AppState::activationRequested);
        InstanceChannel channel;
        state->listenTo(&channel);
        if (way == "hand over") {
            emit channel.argumentsReceived(texts);
        } else {
            state->setUrlText(texts.first());
            way == "download" ? state->downloadPressed() : state->fetch();
        }
        QTEST(state->fetchState(), "fetchState");
        QTEST(queuedLinks(*state), "queued");
        QTEST(state->urlText(), "field");
        QTEST(state->toast().value_or(""), "toast");
        QTEST(state->selection(), "screen");
        QTEST(int(activations.count()), "activations");
        QVERIFY(FakeTools::runs().isEmpty());
        for (const DownloadTask* task : state->downloads()->tasks())
            QCOMPARE(task->options().formatSelector, FormatManager::selection(Preset::best, true, {}, {}).format);
    }

    void clipboardWatch()
    {
        SettingsStore::set("clipboardMonitor", true);
        const auto state = makeState(false);
        m_pasteboard.copy("https://example.com/during-setup"); // consumed during set-up, never picked up later
        state->checkClipboard();
        QCoro::waitFor(state->launch());
        SettingsStore::set("clipboardMonitor", false);
        m_pasteboard.copy("https://example.com/while-off"); // and while off
        state->checkClipboard();
        SettingsStore::set("clipboardMonitor", true);
        state->checkClipboard();
        m_pasteboard.copy("see https://example.com/x"); // words around a link
        state->checkClipboard();
        // Had any of them been taken, the field would keep it now.
        m_pasteboard.copy("https://example.com/copied");
        QTRY_COMPARE_WITH_TIMEOUT(state->urlText(), "https://example.com/copied", 10000); // on the timer
        m_pasteboard.copy("https://example.com/next"); // a filled field is never overwritten
        state->checkClipboard();
        QCOMPARE(state->urlText(), "https://example.com/copied");
    }
};

QTEST_GUILESS_MAIN(TestAppState)
#include "tst_appstate.moc"
