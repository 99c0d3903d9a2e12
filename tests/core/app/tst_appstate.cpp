// The application state with scripted stand-ins for the tools: what real
// runs cannot show on demand (superseded fetches, clipboard timing, settings
// read at the moment of composing).
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
#include "Tool.h"
#include "TestSupport.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QProcess>
#include <QSignalSpy>
#include <QTest>
#include <QUuid>

#include <qcoro/qcorotask.h>

#include <memory>

namespace {

QStringList queuedLinks(const AppState& state)
{
    QStringList links;
    for (const DownloadTask* task : state.downloads()->tasks())
        links << task->options().url;
    return links;
}

} // namespace

class TestAppState : public QObject {
    Q_OBJECT

private:
    FakePasteboard m_pasteboard;

    // A fresh state over fresh files; ready when asked.
    std::unique_ptr<AppState> makeState(bool ready)
    {
        auto state = std::make_unique<AppState>(&m_pasteboard);
        if (ready) {
            QCoro::waitFor(state->launch());
            if (!state->setupDone())
                qWarning("set-up did not finish: %s", qPrintable(state->deps()->current()));
        }
        return state;
    }

private slots:
    void init()
    {
        QDir(AppPaths::support()).removeRecursively();
        for (const QString& key : { QStringLiteral("defaultPreset"), QStringLiteral("clipboardMonitor"),
                 QStringLiteral("playlistNumbering"), QStringLiteral("autoUpdateTools") })
            SettingsStore::remove(key);
        SettingsStore::set(QStringLiteral("autoUpdateTools"), false);
        SettingsStore::set(
            QStringLiteral("downloadFolder"), QString(QDir::homePath() + QStringLiteral("/Downloads")));
        QCOMPARE(FakeTools::install(), QString());
    }

    void launchWithWorkingToolsIsReady()
    {
        const auto state = makeState(true);
        QVERIFY(state->setupDone());
        QVERIFY(state->downloads()->started());
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
        QFETCH(bool, atOnce);
        QFETCH(bool, endsReady);
        QVERIFY(makeState(true)->setupDone());
        // A missing tool must not be fetched from the internet.
        qputenv("KLIPWELL_TOOL_MIRROR", "http://127.0.0.1:9");
        QFile ytdlp(toolPath(Tool::ytdlp));
        if (change == "replace") {
            QVERIFY(ytdlp.open(QIODevice::Append));
            ytdlp.write("\n# another build\n");
            ytdlp.close();
        } else if (change == "delete") {
            QVERIFY(QFile::remove(toolPath(Tool::ffprobe)));
        } else if (change == "chmod") {
            QVERIFY(ytdlp.setPermissions(QFile::ReadOwner | QFile::WriteOwner));
        }

        AppState state(&m_pasteboard);
        auto launching = state.launch();
        QCOMPARE(state.setupDone(), atOnce);
        QCoro::waitFor(std::move(launching));
        qunsetenv("KLIPWELL_TOOL_MIRROR");
        QCOMPARE(state.setupDone(), endsReady);
        QCOMPARE(state.deps()->phase(), endsReady ? Phase::ready : Phase::failed);
    }

    void fetchBeforeSetupDoesNothing()
    {
        const auto state = makeState(false);
        state->setUrlText(QStringLiteral("https://example.com/a"));
        state->fetch();
        QCOMPARE(state->fetchState(), FetchState(FetchStates::Idle {}));
        QVERIFY(!state->canDownload());
        QVERIFY(FakeTools::runs().isEmpty());
    }

    void fetchChecksTheLinkFirst_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<FetchState>("expected");
        QTest::newRow("blanks") << QStringLiteral("  \n ") << FetchState(FetchStates::Idle {});
        QTest::newRow("ftp") << QStringLiteral("ftp://example.com/file")
                             << FetchState(FetchStates::Failed {
                                    QStringLiteral("That doesn’t look like a valid web address.") });
    }

    void fetchChecksTheLinkFirst()
    {
        QFETCH(QString, text);
        QFETCH(FetchState, expected);
        const auto state = makeState(false);
        state->setUrlText(text);
        state->fetch();
        QCOMPARE(state->fetchState(), expected);
        QCOMPARE(state->info(), std::nullopt);
    }

    void fetchLoadsAndSelectsEveryPlaylistItem()
    {
        const QString link = QStringLiteral("https://example.com/list");
        FakeTools::setInfo(link, FakeTools::playlistDocument(QStringLiteral("Mix"), 3));
        const auto state = makeState(true);
        state->setVideoFormatID(QStringLiteral("18"));
        state->setUrlText(QStringLiteral("  ") + link + QStringLiteral("\n"));
        state->fetch();
        QCOMPARE(state->fetchState(), FetchState(FetchStates::Loading {}));
        QVERIFY(!state->canDownload());
        QTRY_COMPARE_WITH_TIMEOUT(state->fetchState(), FetchState(FetchStates::Loaded {}), 60000);
        QCOMPARE(state->info()->title, QStringLiteral("Mix"));
        QCOMPARE(state->selectedItems(), (QSet<int> { 1, 2, 3 }));
        QCOMPARE(state->videoFormatID(), QStringLiteral("auto"));
        QVERIFY(state->canDownload());
    }

    void supersededFetchIsStoppedAndNeverWritesItsResult()
    {
        const QString slow = QStringLiteral("https://example.com/slow");
        const QString fast = QStringLiteral("https://example.com/fast");
        FakeTools::setInfo(
            slow, FakeTools::videoDocument(QStringLiteral("slow"), QStringLiteral("Slow")), 30.0);
        FakeTools::setInfo(fast, FakeTools::videoDocument(QStringLiteral("fast"), QStringLiteral("Fast")));
        const auto state = makeState(true);
        QSignalSpy infoChanges(state.get(), &AppState::infoChanged);
        state->setUrlText(slow);
        state->fetch();
        state->setUrlText(fast);
        state->fetch();
        QTRY_COMPARE_WITH_TIMEOUT(state->fetchState(), FetchState(FetchStates::Loaded {}), 60000);
        QCOMPARE(state->info()->title, QStringLiteral("Fast"));
        // The superseded yt-dlp run was stopped long before its answer was due.
        QTRY_VERIFY_WITH_TIMEOUT(
            TestSupport::appLog().contains(QStringLiteral("info ") + slow + QStringLiteral(" -> exit 143")),
            20000);
        QVERIFY(!FakeTools::runs().contains(QStringLiteral("info ") + slow));
        QCOMPARE(state->info()->title, QStringLiteral("Fast"));
        QCOMPARE(infoChanges.count(), 1);
    }

    void resetCancelsTheFetch()
    {
        const QString link = QStringLiteral("https://example.com/slow");
        FakeTools::setInfo(
            link, FakeTools::videoDocument(QStringLiteral("slow"), QStringLiteral("Slow")), 1.0);
        const auto state = makeState(true);
        state->setUrlText(link);
        state->fetch();
        state->info_reset();
        QCOMPARE(state->fetchState(), FetchState(FetchStates::Idle {}));
        QSignalSpy stateChanges(state.get(), &AppState::fetchStateChanged);
        QVERIFY(!stateChanges.wait(4000));
        QCOMPARE(state->info(), std::nullopt);
    }

    void downloadPressed_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<int>("queued");
        QTest::addColumn<QString>("toast");
        QTest::addColumn<FetchState>("fetchState");
        QTest::newRow("valid link, never fetched")
            << QStringLiteral("https://example.com/v") << 1 << QStringLiteral("Added to queue")
            << FetchState(FetchStates::Idle {});
        QTest::newRow("word") << QStringLiteral("video") << 0 << QString()
                              << FetchState(FetchStates::Failed {
                                     QStringLiteral("Enter a valid http(s) link first.") });
    }

    void downloadPressed()
    {
        QFETCH(QString, text);
        QFETCH(int, queued);
        QFETCH(QString, toast);
        QFETCH(FetchState, fetchState);
        const auto state = makeState(false);
        state->setUrlText(text);
        state->downloadPressed();
        QCOMPARE(state->downloads()->tasks().size(), queued);
        QCOMPARE(state->toast().value_or(QString()), toast);
        QCOMPARE(state->fetchState(), fetchState);
        if (queued)
            QCOMPARE(state->urlText(), QString());
    }

    void emptyPlaylistSelectionQueuesNothing()
    {
        const QString link = QStringLiteral("https://example.com/list");
        FakeTools::setInfo(link, FakeTools::playlistDocument(QStringLiteral("Mix"), 2));
        const auto state = makeState(true);
        state->setUrlText(link);
        state->fetch();
        QTRY_COMPARE_WITH_TIMEOUT(state->fetchState(), FetchState(FetchStates::Loaded {}), 60000);
        state->setSelectedItems({});
        state->downloadPressed();
        QCOMPARE(
            state->toast(), std::optional<QString>(QStringLiteral("Select at least one playlist item.")));
        QVERIFY(state->downloads()->tasks().isEmpty());
        QCOMPARE(state->urlText(), link);
        QVERIFY(state->info().has_value());
        QCOMPARE(state->fetchState(), FetchState(FetchStates::Loaded {}));
    }

    void enqueueCurrentComposesFromTheChoice()
    {
        const QString link = QStringLiteral("https://example.com/list");
        FakeTools::setInfo(link, FakeTools::playlistDocument(QStringLiteral("Mix"), 4));
        const auto state = makeState(true);
        state->setUrlText(link);
        state->fetch();
        QTRY_COMPARE_WITH_TIMEOUT(state->fetchState(), FetchState(FetchStates::Loaded {}), 60000);
        state->setPreset(Preset::hd720);
        state->setSelectedItems({ 1, 2, 4 });
        SettingsStore::set(QStringLiteral("playlistNumbering"), false); // read when composing
        state->downloadPressed();
        QCOMPARE(state->toast(), std::optional<QString>(QStringLiteral("Added to queue")));
        QCOMPARE(state->urlText(), QString());
        QCOMPARE(state->fetchState(), FetchState(FetchStates::Idle {}));
        QCOMPARE(state->downloads()->tasks().size(), 1);
        const DownloadOptions options = state->downloads()->tasks().first()->options();
        QCOMPARE(options.title, QStringLiteral("Mix"));
        QCOMPARE(options.presetName, QStringLiteral("720p"));
        QVERIFY(options.isPlaylist);
        QCOMPARE(options.playlistItems, std::optional<QString>(QStringLiteral("1-2,4")));
        QCOMPARE(
            options.outputTemplate, QStringLiteral("%(playlist_title|Playlist)s/%(title)s [%(id)s].%(ext)s"));
        const Selection expected
            = FormatManager::selection(Preset::hd720, true, QStringLiteral("auto"), QStringLiteral("auto"));
        QCOMPARE(options.formatSelector, std::optional<QString>(expected.format));
        QCOMPARE(options.formatSort, expected.sort);
    }

    void storedAdvancedPresetStartsOnBestQuality()
    {
        SettingsStore::set(QStringLiteral("defaultPreset"), QStringLiteral("Advanced"));
        const auto state = makeState(false);
        QCOMPARE(state->preset(), Preset::best);
        state->quickEnqueue(QStringLiteral("https://example.com/v"));
        const DownloadOptions options = state->downloads()->tasks().first()->options();
        QCOMPARE(options.presetName, QStringLiteral("Advanced"));
        const Selection best = FormatManager::selection(Preset::best, true, QString(), QString());
        QCOMPARE(options.formatSelector, std::optional<QString>(best.format));
        QCOMPARE(options.audioOnly, false);
    }

    void quickEnqueueRecognisesPlaylists_data()
    {
        QTest::addColumn<QString>("link");
        QTest::addColumn<bool>("playlist");
        QTest::newRow("watch with list")
            << QStringLiteral("https://www.youtube.com/watch?v=abc&list=PL1") << false;
        QTest::newRow("list only") << QStringLiteral("https://www.youtube.com/watch?list=PL1") << true;
        QTest::newRow("playlist path") << QStringLiteral("https://example.com/playlist/7") << true;
        QTest::newRow("plain") << QStringLiteral("https://example.com/video/7") << false;
    }

    void quickEnqueueRecognisesPlaylists()
    {
        QFETCH(QString, link);
        QFETCH(bool, playlist);
        const auto state = makeState(false);
        state->quickEnqueue(link);
        const DownloadOptions options = state->downloads()->tasks().first()->options();
        QCOMPARE(options.isPlaylist, playlist);
        QCOMPARE(options.playlistItems, std::nullopt);
        QCOMPARE(options.outputTemplate.startsWith(
                     QStringLiteral("%(playlist_title|Playlist)s/%(playlist_index)03d - ")),
            playlist);
    }

    void receive_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QStringList>("queued");
        QTest::addColumn<QString>("field");
        QTest::addColumn<QString>("toast");
        QTest::addColumn<SidebarItem>("screen");
        QTest::newRow("two links") << QStringLiteral("Try https://a.example.com/1 or http://b.example.com/2.")
                                   << QStringList { QStringLiteral("https://a.example.com/1"),
                                          QStringLiteral("http://b.example.com/2") }
                                   << QString() << QString() << SidebarItem::queue;
        QTest::newRow("one link") << QStringLiteral("watch this: https://a.example.com/1!") << QStringList()
                                  << QStringLiteral("https://a.example.com/1") << QString()
                                  << SidebarItem::download;
        QTest::newRow("no link") << QStringLiteral("nothing here") << QStringList() << QString()
                                 << QStringLiteral("No valid link found.") << SidebarItem::history;
    }

    void receive()
    {
        QFETCH(QString, text);
        QFETCH(QStringList, queued);
        QFETCH(QString, field);
        QFETCH(QString, toast);
        QFETCH(SidebarItem, screen);
        const auto state = makeState(false);
        state->setSelection(SidebarItem::history);
        state->receive(text);
        QCOMPARE(queuedLinks(*state), queued);
        QCOMPARE(state->urlText(), field);
        QCOMPARE(state->toast().value_or(QString()), toast);
        QCOMPARE(state->selection(), screen);
    }

    void openURL_data()
    {
        QTest::addColumn<QString>("url");
        QTest::addColumn<QString>("field");
        QTest::addColumn<QString>("toast");
        QTest::newRow("scheme with link")
            << QStringLiteral("klipwell://open?url=https%3A%2F%2Fexample.com%2Fv%3Fa%3D1%26b%3D2")
            << QStringLiteral("https://example.com/v?a=1&b=2") << QString();
        QTest::newRow("scheme without url item")
            << QStringLiteral("klipwell://open?x=1") << QString() << QStringLiteral("No valid link found.");
        QTest::newRow("web link") << QStringLiteral("https://example.com/watch?v=1")
                                  << QStringLiteral("https://example.com/watch?v=1") << QString();
    }

    void openURL()
    {
        QFETCH(QString, url);
        QFETCH(QString, field);
        QFETCH(QString, toast);
        const auto state = makeState(false);
        state->openURL(QUrl(url));
        QCOMPARE(state->urlText(), field);
        QCOMPARE(state->toast().value_or(QString()), toast);
    }

    void otherProgramsQueueAtMostFiftyLinks_data()
    {
        QTest::addColumn<int>("links");
        QTest::addColumn<int>("queued");
        QTest::newRow("fifty") << 50 << 50;
        QTest::newRow("fifty-one") << 51 << 0;
    }

    void otherProgramsQueueAtMostFiftyLinks()
    {
        QFETCH(int, links);
        QFETCH(int, queued);
        const auto state = makeState(false);
        QSignalSpy activation(state.get(), &AppState::activationRequested);
        QStringList text;
        for (int i = 0; i < links; ++i)
            text << QStringLiteral("https://example.com/v/%1").arg(i);
        state->receiveFromService(text.join(QLatin1Char(' ')));
        QCOMPARE(activation.count(), 1);
        QCOMPARE(state->downloads()->tasks().size(), queued);
        if (queued == 0) {
            QCOMPARE(state->urlText(), QStringLiteral("https://example.com/v/0"));
            QVERIFY(state->toast()->contains(QString::number(links - 1)));
        }
    }

    void handOffFromASecondInstance_data()
    {
        QTest::addColumn<QStringList>("arguments");
        QTest::addColumn<QStringList>("queued");
        QTest::addColumn<QString>("field");
        QTest::addColumn<bool>("toast");
        QStringList thousand;
        for (int i = 0; i < 1000; ++i)
            thousand << QStringLiteral("https://example.com/v/%1").arg(i);
        QTest::newRow("scheme link and plain text")
            << QStringList { QStringLiteral("klipwell://open?url=https%3A%2F%2Fexample.com%2Fwatch%3Fv%3D1"),
                   QStringLiteral("see https://a.example.com/1 and https://b.example.com/2") }
            << QStringList { QStringLiteral("https://a.example.com/1"),
                   QStringLiteral("https://b.example.com/2") }
            << QStringLiteral("https://example.com/watch?v=1") << false;
        QTest::newRow("a thousand links in one argument")
            << QStringList { thousand.join(QLatin1Char(' ')) } << QStringList()
            << QStringLiteral("https://example.com/v/0") << true;
        QTest::newRow("garbage") << QStringList { QStringLiteral("\x01\x02 \uFFFD\uFFFD garbage") }
                                 << QStringList() << QString() << true;
    }

    void handOffFromASecondInstance()
    {
        QFETCH(QStringList, arguments);
        QFETCH(QStringList, queued);
        QFETCH(QString, field);
        QFETCH(bool, toast);
        const auto state = makeState(false);
        InstanceChannel channel;
        QVERIFY(channel.listen());
        state->listenTo(&channel);
        QSignalSpy received(&channel, &InstanceChannel::argumentsReceived);

        QProcess second;
        second.start(
            QCoreApplication::applicationFilePath(), QStringList { QStringLiteral("--send") } + arguments);
        QSignalSpy finished(&second, &QProcess::finished);
        QVERIFY(finished.wait(60000));
        QCOMPARE(second.exitCode(), 0);
        QTRY_COMPARE(received.count(), 1);
        QCOMPARE(queuedLinks(*state), queued);
        QCOMPARE(state->urlText(), field);
        QCOMPARE(state->toast().has_value(), toast);
    }

    void clipboardWatch()
    {
        m_pasteboard.copy(QStringLiteral("https://example.com/before-start"));
        SettingsStore::set(QStringLiteral("clipboardMonitor"), true);
        const auto state = makeState(false);

        // Not ready yet: the change is consumed and never picked up later.
        m_pasteboard.copy(QStringLiteral("https://example.com/during-setup"));
        state->checkClipboard();
        QCOMPARE(state->urlText(), QString());
        QCoro::waitFor(state->launch());
        QVERIFY(state->setupDone());
        state->checkClipboard();
        QCOMPARE(state->urlText(), QString());

        // Off: consumed as well.
        SettingsStore::set(QStringLiteral("clipboardMonitor"), false);
        m_pasteboard.copy(QStringLiteral("https://example.com/while-off"));
        state->checkClipboard();
        SettingsStore::set(QStringLiteral("clipboardMonitor"), true);
        state->checkClipboard();
        QCOMPARE(state->urlText(), QString());

        // Words around a link are ignored; a bare link fills the empty field, on the timer.
        m_pasteboard.copy(QStringLiteral("see https://example.com/x"));
        state->checkClipboard();
        QCOMPARE(state->urlText(), QString());
        m_pasteboard.copy(QStringLiteral("https://example.com/copied"));
        QTRY_COMPARE_WITH_TIMEOUT(state->urlText(), QStringLiteral("https://example.com/copied"), 10000);

        // A filled field is never overwritten.
        m_pasteboard.copy(QStringLiteral("https://example.com/next"));
        state->checkClipboard();
        QCOMPARE(state->urlText(), QStringLiteral("https://example.com/copied"));
        QCOMPARE(state->selection(), SidebarItem::download);
        QCOMPARE(state->toast(), std::nullopt);
    }
};

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    // Run as a second instance that hands its arguments to the running one.
    if (app.arguments().value(1) == QStringLiteral("--send"))
        return InstanceChannel::sendToRunningInstance(app.arguments().mid(2), 30000) ? 0 : 1;
    TestAppState suite;
    return QTest::qExec(&suite, argc, argv);
}
#include "tst_appstate.moc"
