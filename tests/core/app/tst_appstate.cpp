// The application state with scripted stand-ins for the tools: what real runs cannot show on
// demand (superseded fetches, clipboard timing, settings read at the moment of composing).
#include "AppPaths.h"
#include "AppState.h"
#include "DependencyManager.h"
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
        for (const QString key : { "defaultPreset", "clipboardMonitor", "playlistNumbering" })
            SettingsStore::remove(key);
        SettingsStore::set("autoUpdateTools", false);
        SettingsStore::set("downloadFolder", QString(QDir::homePath() + "/Downloads"));
        QCOMPARE(FakeTools::install(), QString());
    }

    void secondStartOpensAtOnceWhileTheToolsStayTheSame_data()
    {
        QTest::addColumn<QString>("change");
        QTest::addColumn<bool>("atOnce");
        QTest::addColumn<bool>("endsReady");
        QTest::newRow("unchanged") << "" << true << true;
        QTest::newRow("yt-dlp replaced") << "replace" << false << true;
        QTest::newRow("ffprobe deleted") << "delete" << false << false;
        QTest::newRow("yt-dlp no longer runs") << "chmod" << true << false;
    }
    void secondStartOpensAtOnceWhileTheToolsStayTheSame()
    {
        QFETCH(QString, change);
        QFETCH(bool, endsReady);
        QVERIFY(makeState(true)->setupDone());
        qputenv("KLIPWELL_TOOL_MIRROR", "http://127.0.0.1:9"); // a missing tool must not be fetched
        const QString ytdlp = toolPath(Tool::ytdlp);
        if (change == "replace")
            QVERIFY(!TestSupport::writeScript(ytdlp, TestSupport::readFile(ytdlp) + "\n# another build\n").isEmpty());
        else if (change == "delete")
            QVERIFY(QFile::remove(toolPath(Tool::ffprobe)));
        else if (change == "chmod")
            QVERIFY(QFile(ytdlp).setPermissions(QFile::ReadOwner | QFile::WriteOwner));
        AppState state(&m_pasteboard);
        auto launching = state.launch();
        QTEST(state.setupDone(), "atOnce");
        QTEST(state.downloads()->started(), "atOnce");
        QCoro::waitFor(std::move(launching));
        qunsetenv("KLIPWELL_TOOL_MIRROR");
        QCOMPARE(state.setupDone(), endsReady);
        QCOMPARE(state.deps()->phase(), endsReady ? Phase::ready : Phase::failed);
    }

    void pressedWithoutAFetch_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<bool>("download"); // or fetch
        QTest::addColumn<FetchState>("fetchState");
        QTest::addColumn<QStringList>("queued");
        QTest::addColumn<QString>("toast");
        QTest::newRow("fetch blanks") << "  \n " << false << FetchState(FetchStates::Idle {}) << QStringList() << "";
        QTest::newRow("fetch ftp") << "ftp://example.com/file" << false << FetchState(FetchStates::Failed { "That doesn’t look like a valid web address." }) << QStringList() << "";
        QTest::newRow("fetch before set-up") << "https://example.com/a" << false << FetchState(FetchStates::Idle {}) << QStringList() << "";
        QTest::newRow("download a link") << " https://example.com/v" << true << FetchState(FetchStates::Idle {}) << QStringList { "https://example.com/v" } << "Added to queue";
        QTest::newRow("download a word") << "video" << true << FetchState(FetchStates::Failed { "Enter a valid http(s) link first." }) << QStringList() << "";
    }
    void pressedWithoutAFetch()
    {
        QFETCH(QString, text);
        QFETCH(bool, download);
        QFETCH(QStringList, queued);
        SettingsStore::set("defaultPreset", "Advanced"); // stored, yet a quick download starts on Best Quality
        const auto state = makeState(false);
        QCOMPARE(state->preset(), Preset::best);
        state->setUrlText(text);
        download ? state->downloadPressed() : state->fetch();
        QTEST(state->fetchState(), "fetchState");
        QCOMPARE(queuedLinks(*state), queued);
        QTEST(state->toast().value_or(""), "toast");
        QCOMPARE(state->urlText(), queued.isEmpty() ? text : QString());
        QVERIFY(FakeTools::runs().isEmpty());
        for (const DownloadTask* task : state->downloads()->tasks())
            QCOMPARE(task->options().formatSelector, FormatManager::selection(Preset::best, true, {}, {}).format);
    }

    void playlistFetchSelectsEveryItemAndQueuesTheChoice()
    {
        const QString link = "https://example.com/list";
        FakeTools::setInfo(link, FakeTools::playlistDocument("Mix", 4));
        const auto state = makeState(true);
        state->setVideoFormatID("18");
        state->setUrlText("  " + link + "\n");
        state->fetch();
        QTRY_COMPARE_WITH_TIMEOUT(state->fetchState(), FetchState(FetchStates::Loaded {}), 60000);
        QCOMPARE(state->selectedItems(), (QSet<int> { 1, 2, 3, 4 }));
        QCOMPARE(state->videoFormatID(), "auto");

        state->setSelectedItems({});
        state->downloadPressed();
        QCOMPARE(state->toast(), "Select at least one playlist item.");
        QVERIFY(state->downloads()->tasks().isEmpty());

        state->setPreset(Preset::hd720);
        state->setSelectedItems({ 1, 2, 4 });
        SettingsStore::set("playlistNumbering", false); // read when composing
        state->downloadPressed();
        QCOMPARE(state->fetchState(), FetchState(FetchStates::Idle {}));
        const DownloadOptions options = state->downloads()->tasks().value(0)->options();
        QCOMPARE(options.playlistItems, "1-2,4");
        QCOMPARE(options.outputTemplate, "%(playlist_title|Playlist)s/%(title)s [%(id)s].%(ext)s");
        QCOMPARE(options.formatSort, FormatManager::selection(Preset::hd720, true, "auto", "auto").sort);
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

    // Text from a drop or paste, and arguments handed over by a second
    // instance (URL-scheme links among them), in the order they came.
    void linksFromElsewhere_data()
    {
        QTest::addColumn<QStringList>("arguments");
        QTest::addColumn<QStringList>("queued");
        QTest::addColumn<QString>("field");
        QTest::addColumn<QString>("toast");
        QTest::addColumn<SidebarItem>("screen");
        QTest::addColumn<int>("activations");
        QStringList fifty;
        for (int i = 0; i < 50; ++i)
            fifty << QString("https://example.com/v/%1").arg(i);
        QTest::newRow("two links") << QStringList { "Try https://a.example.com/1 or http://b.example.com/2." } << QStringList { "https://a.example.com/1", "http://b.example.com/2" } << "" << "" << SidebarItem::queue << 1;
        QTest::newRow("one link") << QStringList { "watch this: https://a.example.com/1!" } << QStringList() << "https://a.example.com/1" << "" << SidebarItem::download << 1;
        QTest::newRow("no link") << QStringList { "nothing here" } << QStringList() << "" << "No valid link found." << SidebarItem::history << 1;
        QTest::newRow("garbage") << QStringList { "\x01\x02 \uFFFD\uFFFD garbage" } << QStringList() << "" << "No valid link found." << SidebarItem::history << 1;
        QTest::newRow("scheme with link") << QStringList { "klipwell://open?url=https%3A%2F%2Fexample.com%2Fv%3Fa%3D1%26b%3D2" } << QStringList() << "https://example.com/v?a=1&b=2" << "" << SidebarItem::download << 0;
        QTest::newRow("scheme without url item") << QStringList { "klipwell://open?x=1" } << QStringList() << "" << "No valid link found." << SidebarItem::history << 0;
        QTest::newRow("scheme link, then text") << QStringList { "klipwell://open?url=https%3A%2F%2Fexample.com%2Fw", "see https://a.example.com/1 and https://b.example.com/2" } << QStringList { "https://a.example.com/1", "https://b.example.com/2" } << "https://example.com/w" << "" << SidebarItem::queue << 1;
        QTest::newRow("playlists by their links") << QStringList { "https://www.youtube.com/watch?v=abc&list=PL1 https://www.youtube.com/watch?list=PL1 https://example.com/playlist/7" } << QStringList { "https://www.youtube.com/watch?v=abc&list=PL1", "https://www.youtube.com/watch?list=PL1 (playlist) (numbered)", "https://example.com/playlist/7 (playlist) (numbered)" } << "" << "" << SidebarItem::queue << 1;
        QTest::newRow("fifty links") << QStringList { fifty.join(' ') } << fifty << "" << "" << SidebarItem::queue << 1;
        QTest::newRow("fifty-one links") << QStringList { fifty.join(' ') + " https://example.com/v/50" } << QStringList() << "https://example.com/v/0" << "Too many links at once: only the first was kept and 50 were ignored." << SidebarItem::download << 1;
    }
    void linksFromElsewhere()
    {
        QFETCH(QStringList, arguments);
        QFETCH(QStringList, queued);
        const auto state = makeState(false);
        state->setSelection(SidebarItem::history);
        QSignalSpy activations(state.get(), &AppState::activationRequested);
        InstanceChannel channel;
        state->listenTo(&channel);
        emit channel.argumentsReceived(arguments);
        QCOMPARE(queuedLinks(*state), queued);
        QTEST(state->urlText(), "field");
        QTEST(state->toast().value_or(""), "toast");
        QTEST(state->selection(), "screen");
        QTEST(int(activations.count()), "activations");
    }

    void clipboardWatch()
    {
        m_pasteboard.copy("https://example.com/before-start");
        SettingsStore::set("clipboardMonitor", true);
        const auto state = makeState(false);
        // A change during set-up or while off is consumed, never picked up later.
        m_pasteboard.copy("https://example.com/during-setup");
        state->checkClipboard();
        QCoro::waitFor(state->launch());
        state->checkClipboard();
        QCOMPARE(state->urlText(), QString());
        SettingsStore::set("clipboardMonitor", false);
        m_pasteboard.copy("https://example.com/while-off");
        state->checkClipboard();
        SettingsStore::set("clipboardMonitor", true);
        state->checkClipboard();
        QCOMPARE(state->urlText(), QString());
        m_pasteboard.copy("see https://example.com/x"); // words around a link
        state->checkClipboard();
        QCOMPARE(state->urlText(), QString());
        m_pasteboard.copy("https://example.com/copied");
        QTRY_COMPARE_WITH_TIMEOUT(state->urlText(), "https://example.com/copied", 10000); // on the timer
        m_pasteboard.copy("https://example.com/next"); // a filled field is never overwritten
        state->checkClipboard();
        QCOMPARE(state->urlText(), "https://example.com/copied");
        QCOMPARE(state->toast(), std::nullopt);
    }
};

QTEST_GUILESS_MAIN(TestAppState)
#include "tst_appstate.moc"
