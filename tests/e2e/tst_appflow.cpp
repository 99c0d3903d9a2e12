// The whole flow without windows, driven through the application state only:
// from an empty tools folder and a local mirror of the real tools (yt-dlp,
// FFmpeg, ffprobe, Deno) to finished files, with the default settings.
#include "AppState.h"

#include "DemoSite.h"
#include "DependencyManager.h"
#include "DownloadManager.h"
#include "DownloadTask.h"
#include "HistoryStore.h"
#include "LogManager.h"
#include "SettingsStore.h"
#include "TestMedia.h"
#include "TestSupport.h"
#include "Tool.h"

#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QFileInfo>
#include <QPointer>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>

#include <qcoro/qcorotask.h>

#include <memory>

Q_DECLARE_METATYPE(Preset)

namespace {

constexpr int patience = 180'000; // real tools on a loaded machine

const QString ytdlpReleaseAPI = QStringLiteral("/repos/yt-dlp/yt-dlp/releases/latest");

class EmptyPasteboard : public Pasteboard {
public:
    int changeCount() const override { return 0; }
    std::optional<QString> string() const override { return std::nullopt; }
};

// One field of the first matching stream, as ffprobe reports it.
QString probe(const QString& file, const QString& stream, const QString& field)
{
    QProcess ffprobe;
    ffprobe.start(QStringLiteral("ffprobe"),
        { QStringLiteral("-v"), QStringLiteral("error"), QStringLiteral("-select_streams"), stream,
            QStringLiteral("-show_entries"), QStringLiteral("stream=") + field, QStringLiteral("-of"),
            QStringLiteral("csv=p=0"), file });
    if (!ffprobe.waitForFinished(60'000))
        return QStringLiteral("ffprobe did not finish");
    return QString::fromUtf8(ffprobe.readAllStandardOutput()).trimmed();
}

QStringList filesBelow(const QString& folder)
{
    QStringList files;
    QDirIterator it(folder, QDir::Files | QDir::Hidden, QDirIterator::Subdirectories);
    while (it.hasNext())
        files << it.next();
    files.sort();
    return files;
}

} // namespace

class TestAppFlow : public QObject {
    Q_OBJECT

    QTemporaryDir m_scratch;
    DemoSite m_site;
    EmptyPasteboard m_pasteboard;
    std::unique_ptr<AppState> m_state;
    QString m_folder; // where the current test downloads to
    QList<QUuid> m_completed; // every download of the suite, for the history

    // Puts the link in the field the way every intake path does and fetches it.
    void receiveAndFetch(const QString& url)
    {
        m_state->receive(url);
        QCOMPARE(m_state->urlText(), url);
        QCOMPARE(m_state->selection(), SidebarItem::download);
        QVERIFY(m_state->canDownload());
        m_state->fetch();
        QCOMPARE(m_state->fetchState(), FetchState(FetchStates::Loading {}));
        QTRY_VERIFY_WITH_TIMEOUT(
            !std::holds_alternative<FetchStates::Loading>(m_state->fetchState()), patience);
        const FetchState state = m_state->fetchState();
        if (const auto* failed = std::get_if<FetchStates::Failed>(&state))
            QFAIL(qPrintable(failed->message));
        QCOMPARE(m_state->fetchState(), FetchState(FetchStates::Loaded {}));
        QVERIFY(m_state->info().has_value());
        QCOMPARE(m_state->info()->webpageURL, url);
    }

    // Queues the current choice and waits for the download to complete.
    QPointer<DownloadTask> enqueueAndWait()
    {
        const qsizetype before = m_state->downloads()->tasks().size();
        m_state->enqueueCurrent();
        const QList<DownloadTask*> tasks = m_state->downloads()->tasks();
        if (tasks.size() != before + 1)
            return nullptr;
        QPointer<DownloadTask> task = tasks.last();
        waitForCompletion(task);
        return task;
    }

    void waitForCompletion(const QPointer<DownloadTask>& task)
    {
        QTRY_VERIFY_WITH_TIMEOUT(!task || isFinished(task->status()), patience);
        QVERIFY(task);
        QVERIFY2(task->status() == TaskStatus::completed, qPrintable(task->error().value_or(QString())));
        m_completed << task->id();
    }

private slots:
    void initTestCase()
    {
        // The suite installs tools and downloads into the home folder: never a real one.
        if (qEnvironmentVariableIsEmpty("KLIPWELL_TESTING"))
            QSKIP("run through ctest, which gives the suite a private home");
        if (QStandardPaths::findExecutable(QStringLiteral("yt-dlp")).isEmpty())
            QSKIP("No yt-dlp on this system; scripts/test installs it.");
        QVERIFY2(m_site.error().isEmpty(), qPrintable(m_site.error()));
        qputenv("KLIPWELL_TOOL_MIRROR", m_site.origin().toUtf8());
        QVERIFY(QDir(toolsDirectory()).isEmpty());
        m_state = std::make_unique<AppState>(&m_pasteboard);
        QCoro::waitFor(m_state->launch());
        QVERIFY2(m_state->setupDone(), qPrintable(m_state->deps()->current()));
        QCOMPARE(m_state->deps()->phase(), Phase::ready);
        QVERIFY(m_state->downloads()->started());
        for (Tool tool : installableTools())
            QVERIFY2(QFileInfo(toolPath(tool)).isExecutable(), qPrintable(toolPath(tool)));
        // The daily update check runs on in the background; let it settle.
        QTRY_VERIFY_WITH_TIMEOUT(!m_state->deps()->busy(), patience);
        QCOMPARE(m_site.server().requestCount(ytdlpReleaseAPI), 1);
        QCOMPARE(m_state->deps()->phase(), Phase::ready);
    }

    void init()
    {
        m_folder = m_scratch.filePath(
            QStringLiteral("Downloads/%1/%2").arg(QTest::currentTestFunction(), QTest::currentDataTag()));
        SettingsStore::set(QStringLiteral("downloadFolder"), m_folder);
    }

    void cleanupTestCase() { m_state.reset(); }

    void presets_data()
    {
        QTest::addColumn<QString>("media");
        QTest::addColumn<Preset>("preset");
        QTest::addColumn<QString>("stream"); // what ffprobe looks at in the file
        QTest::addColumn<QString>("field");
        QTest::addColumn<QString>("expected");

        QTest::newRow("Best Quality from HLS") << TestMedia::hlsMaster << Preset::best << "v:0" << "height" << "1080";
        QTest::newRow("720p from HLS") << TestMedia::hlsMaster << Preset::hd720 << "v:0" << "height" << "720";
        QTest::newRow("Audio Only from mp4") << TestMedia::directVideo << Preset::audio << "a:0" << "codec_name" << "mp3";
        // Exact IDs: the 480-line video with the audio-only rendition.
        QTest::newRow("Advanced from HLS") << TestMedia::hlsMaster << Preset::custom << "v:0" << "height" << "480";
    }

    void presets()
    {
        QFETCH(QString, media);
        QFETCH(Preset, preset);
        QFETCH(QString, stream);
        QFETCH(QString, field);
        QFETCH(QString, expected);

        receiveAndFetch(m_site.link(media));
        if (QTest::currentTestFailed())
            return;
        const MediaInfo info = *m_state->info();
        QCOMPARE(
            info.heights(), media == TestMedia::hlsMaster ? QList<int>({ 1080, 720, 480 }) : QList<int>());
        m_state->setPreset(preset);
        if (preset == Preset::custom) {
            const auto video = std::find_if(info.formats.cbegin(), info.formats.cend(),
                [](const FormatInfo& format) { return format.height == 480; });
            QVERIFY(video != info.formats.cend() && !info.audioFormats().isEmpty());
            m_state->setVideoFormatID(video->id);
            m_state->setAudioFormatID(info.audioFormats().first().id);
        }

        const QPointer<DownloadTask> task = enqueueAndWait();
        if (QTest::currentTestFailed())
            return;
        QVERIFY(task);
        QCOMPARE(m_state->toast(), std::optional<QString>(QStringLiteral("Added to queue")));
        QCOMPARE(m_state->urlText(), QString());
        QCOMPARE(m_state->fetchState(), FetchState(FetchStates::Idle {}));
        QVERIFY(!m_state->info());
        QCOMPARE(task->options().presetName, rawValue(preset));
        QCOMPARE(task->options().title, info.title);

        const QString file = task->firstFile().value_or(QString());
        QCOMPARE(filesBelow(m_folder), QStringList { file });
        QCOMPARE(QFileInfo(file).suffix(), QString(preset == Preset::audio ? "mp3" : "mp4"));
        QCOMPARE(probe(file, stream, field), expected);
    }

    void playlistWithOneItemDeselected()
    {
        receiveAndFetch(m_site.link(TestMedia::playlistPage));
        if (QTest::currentTestFailed())
            return;
        QVERIFY(m_state->info()->isPlaylist);
        QCOMPARE(m_state->info()->entries.size(), 2);
        QCOMPARE(m_state->selectedItems(), QSet<int>({ 1, 2 }));
        m_state->setSelectedItems({ 2 });

        const QPointer<DownloadTask> task = enqueueAndWait();
        if (QTest::currentTestFailed())
            return;
        QVERIFY(task);
        QCOMPARE(task->options().playlistItems, std::optional<QString>(QStringLiteral("2")));
        const QStringList files = filesBelow(m_folder);
        QCOMPARE(files, task->outputFiles());
        QCOMPARE(files.size(), 1);
        // Numbered by its place in the playlist, in the playlist's own folder.
        const QFileInfo file(files.first());
        QCOMPARE(file.dir().dirName(), QStringLiteral("Two clips"));
        QVERIFY2(file.fileName().startsWith(QStringLiteral("002 - ")), qPrintable(file.fileName()));
    }

    void sentenceWithThreeLinks()
    {
        const QStringList links { m_site.link(TestMedia::directVideo), m_site.link(TestMedia::secondVideo),
            m_site.link(TestMedia::audioM4a) };
        const qsizetype before = m_state->downloads()->tasks().size();
        m_state->receive(
            QStringLiteral("Take %1, then %2 and finally %3.").arg(links[0], links[1], links[2]));

        QCOMPARE(m_state->selection(), SidebarItem::queue);
        QCOMPARE(m_state->urlText(), QString());
        const QList<DownloadTask*> tasks = m_state->downloads()->tasks().mid(before);
        QCOMPARE(tasks.size(), 3);
        QStringList queued;
        for (DownloadTask* task : tasks)
            queued << task->options().url;
        QCOMPARE(queued, links);
        QStringList files;
        for (DownloadTask* task : tasks) {
            waitForCompletion(task);
            if (QTest::currentTestFailed())
                return;
            files << task->outputFiles();
        }
        files.sort();
        QCOMPARE(filesBelow(m_folder), files);
        QCOMPARE(files.size(), 3);
    }

    void historyHoldsEveryDownloadWithItsLog()
    {
        const QList<HistoryItem> items = m_state->history()->items();
        QCOMPARE(items.size(), m_completed.size());
        for (const HistoryItem& item : items) {
            QVERIFY(m_completed.contains(item.id));
            QCOMPARE(item.status, TaskStatus::completed);
            QVERIFY2(item.filePath && QFileInfo(*item.filePath).size() > 0, qPrintable(item.title));
            const QString log = LogManager::shared().read(item.id);
            QVERIFY2(log.contains(QStringLiteral("] —— exit 0 ——\n")), qPrintable(log));
            // The default settings with Deno installed: both options reach the wrapper.
            QVERIFY2(log.contains(QStringLiteral(" --js-runtimes deno:") + toolPath(Tool::deno)
                         + QStringLiteral(" --remote-components ejs:github ")),
                qPrintable(log));
        }
        QCOMPARE(HistoryStore().items(), items); // read back at the next start
    }
};

QTEST_GUILESS_MAIN(TestAppFlow)
#include "tst_appflow.moc"
