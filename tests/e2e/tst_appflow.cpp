// The real tools without windows: set-up from a local mirror, fetches and
// downloads, failing queries (also through scripted stand-ins), and what
// survives when the program holding the queue (this executable, started again
// with a role argument) is killed, even while it saves.
#include "AppState.h"

#include "AppPaths.h"
#include "DemoSite.h"
#include "DependencyManager.h"
#include "DownloadManager.h"
#include "DownloadTask.h"
#include "FakePasteboard.h"
#include "FormatManager.h"
#include "HistoryStore.h"
#include "LogManager.h"
#include "QueueFile.h"
#include "SettingsStore.h"
#include "TestMedia.h"
#include "TestSupport.h"
#include "Tool.h"
#include "YTDLPManager.h"

#include <QCoreApplication>
#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QFileInfo>
#include <QPointer>
#include <QProcess>
#include <QRandomGenerator>
#include <QTemporaryDir>
#include <QTest>

#include <qcoro/qcorotask.h>

#include <csignal>
#include <cstdio>
#include <cstring>
#include <memory>

using namespace Qt::StringLiterals;

Q_DECLARE_METATYPE(Preset)

namespace {

constexpr int patience = 180'000; // real tools on a loaded machine

// One field of the first matching stream, as ffprobe reports it.
QString probe(const QString& file, const QString& stream, const QString& field)
{
    QProcess ffprobe;
    ffprobe.start("ffprobe",
        { "-select_streams", stream, "-show_entries", "stream=" + field, "-of", "csv=p=0", file });
    ffprobe.waitForFinished(60'000);
    return QString::fromUtf8(ffprobe.readAllStandardOutput()).trimmed();
}

QStringList filesBelow(const QString& folder)
{
    QStringList files;
    QDirIterator it(folder, QDir::Files | QDir::Hidden, QDirIterator::Subdirectories);
    while (it.hasNext())
        files << it.next();
    return files;
}

// Fixed pseudo-random content (the same for the same seed), written to path.
QByteArray writeNoise(const QString& path, qint64 size, quint32 seed)
{
    QByteArray data(size, Qt::Uninitialized);
    QRandomGenerator(seed).fillRange(reinterpret_cast<quint32*>(data.data()), size / 4);
    return TestSupport::writeFile(path, data) ? data : QByteArray();
}

// The roles this executable plays when started again, until killed: "--hold-queue"
// runs the queue; "--save-loop" changes the queue and the history over and
// over, reporting each finished round (three saves) on standard output.
int playRole(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    SettingsStore::registerDefaults();
    HistoryStore history;
    DownloadManager manager(&history);
    if (std::strcmp(argv[1], "--hold-queue") == 0) {
        manager.setStarted(true);
        return app.exec();
    }
    DownloadOptions options;
    options.folder = QDir::homePath();
    for (int round = 0;; ++round) {
        options.url = QStringLiteral("https://example.com/video/%1").arg(round);
        DownloadTask* task = manager.enqueue(options);
        QCoreApplication::processEvents(); // the queue is written here
        manager.cancel(task); // the history is written here
        QCoreApplication::processEvents();
        std::printf("%d\n", round);
        std::fflush(stdout);
    }
}

// What /proc says of a living process; empty once it is gone or a zombie.
QString statusOf(const QString& pid)
{
    const QString status = QString::fromUtf8(TestSupport::readFile("/proc/" + pid + "/status"));
    return status.contains("State:\tZ") ? QString() : status;
}

QStringList childrenOf(qint64 parent)
{
    QStringList found;
    for (const QString& pid : QDir("/proc").entryList(QDir::Dirs)) {
        if (statusOf(pid).contains(QStringLiteral("\nPPid:\t%1\n").arg(parent)))
            found << pid;
    }
    return found;
}

} // namespace

class TestAppFlow : public QObject {
    Q_OBJECT

    QTemporaryDir m_scratch;
    DemoSite m_site;
    FakePasteboard m_pasteboard;
    std::unique_ptr<AppState> m_state;
    QString m_folder; // where the current test downloads to
    QList<double> m_progress; // of the last download
    QStringList m_stages;

    DownloadOptions options(const QString& path)
    {
        DownloadOptions o;
        o.url = m_site.server().url(path).toString(QUrl::FullyEncoded);
        o.folder = m_folder;
        o.outputTemplate = "%(title)s.%(ext)s";
        return o;
    }

    // Puts the link in the field the way every intake path does and fetches it.
    void receiveAndFetch(const QString& url)
    {
        m_state->receive(url);
        m_state->fetch();
        QTRY_VERIFY_WITH_TIMEOUT(
            !std::holds_alternative<FetchStates::Loading>(m_state->fetchState()), patience);
        const FetchState state = m_state->fetchState();
        const auto* failed = std::get_if<FetchStates::Failed>(&state);
        QVERIFY2(
            std::holds_alternative<FetchStates::Loaded>(state), failed ? qPrintable(failed->message) : "");
        QCOMPARE(m_state->info()->webpageURL, url);
    }

    // Queues the current choice and waits for it, noting progress and stages.
    QPointer<DownloadTask> enqueueAndWait()
    {
        m_state->enqueueCurrent();
        QPointer<DownloadTask> task = m_state->downloads()->tasks().last();
        m_progress.clear();
        m_stages.clear();
        connect(task, &DownloadTask::progressChanged, this, [this, task] { m_progress << task->progress(); });
        connect(task, &DownloadTask::stageChanged, this, [this, task] {
            if (m_stages.value(m_stages.size() - 1) != task->stage())
                m_stages << task->stage();
        });
        waitForCompletion(task);
        return task;
    }

    void waitForCompletion(const QPointer<DownloadTask>& task)
    {
        QTRY_VERIFY_WITH_TIMEOUT(!task || isFinished(task->status()), patience);
        QVERIFY(task);
        QVERIFY2(task->status() == TaskStatus::completed, qPrintable(task->error().value_or(QString())));
    }

    QProcess* startRole(const QString& role)
    {
        auto* process = new QProcess(this);
        process->setProcessChannelMode(QProcess::ForwardedErrorChannel);
        process->start(QCoreApplication::applicationFilePath(), { role });
        return process;
    }

    static void kill(QProcess* process)
    {
        ::kill(pid_t(process->processId()), SIGKILL);
        QVERIFY(process->waitForFinished(patience));
    }

private slots:
    void initTestCase()
    {
        QVERIFY2(m_site.error().isEmpty(), qPrintable(m_site.error()));
        qputenv("KLIPWELL_TOOL_MIRROR", m_site.origin().toUtf8());
        QVERIFY(QDir(toolsDirectory()).isEmpty());
        m_state = std::make_unique<AppState>(&m_pasteboard);
        QCoro::waitFor(m_state->launch());
        QVERIFY2(m_state->setupDone(), qPrintable(m_state->deps()->current()));
        // The daily update check runs on in the background; let it settle.
        QTRY_VERIFY_WITH_TIMEOUT(!m_state->deps()->busy(), patience);
        QCOMPARE(m_site.server().requestCount(u"/repos/yt-dlp/yt-dlp/releases/latest"_s), 1);
        QCOMPARE(m_state->deps()->phase(), Phase::ready);
        // Options the real yt-dlp must know, even where they find nothing to do.
        SettingsStore::set(u"writeSubs"_s, true);
        SettingsStore::set(u"extraArgs"_s, u"--limit-rate 1M"_s);
        // The installed yt-dlp, for the queries after stand-ins replaced it.
        QVERIFY(QFile::copy(toolPath(Tool::ytdlp), m_scratch.filePath(u"installed-yt-dlp"_s)));

        // Any body that is not HTML is direct media to yt-dlp.
        m_site.server().serveData(
            u"/notes.html"_s, "<html><body><p>Nothing to watch here.</p></body></html>\n", "text/html");
    }

    void init()
    {
        m_folder = m_scratch.filePath(
            u"Downloads/%1/%2"_s.arg(QTest::currentTestFunction(), QTest::currentDataTag()));
        SettingsStore::set(u"downloadFolder"_s, m_folder);
        QFile::remove(toolPath(Tool::ytdlp));
        QVERIFY(QFile::link(m_scratch.filePath(u"installed-yt-dlp"_s), toolPath(Tool::ytdlp)));
        m_site.server().setBytesPerSecond(0);
    }

    void presets_data()
    {
        QTest::addColumn<QString>("media");
        QTest::addColumn<Preset>("preset");
        QTest::addColumn<QString>("stream"); // what ffprobe looks at in the file
        QTest::addColumn<QString>("field");
        QTest::addColumn<QString>("expected");
        QTest::addColumn<QStringList>("stages"); // in this order among the download's stages

        const QStringList merged { "Downloading stream 1/2", "Downloading stream 2/2", "Merging with FFmpeg",
            "Completed" };
        QTest::newRow("Best Quality from HLS") << TestMedia::hlsMaster << Preset::best << "v:0" << "height" << "1080" << merged;
        QTest::newRow("720p from HLS") << TestMedia::hlsMaster << Preset::hd720 << "v:0" << "height" << "720" << merged;
        QTest::newRow("Audio Only from mp4") << TestMedia::directVideo << Preset::audio << "a:0" << "codec_name" << "mp3" << QStringList { "Extracting audio", "Completed" };
        // Exact IDs: the 480-line video ("900") with the audio-only rendition.
        QTest::newRow("Advanced from HLS") << TestMedia::hlsMaster << Preset::custom << "v:0" << "height" << "480" << merged;
    }

    void presets()
    {
        QFETCH(QString, media);
        QFETCH(Preset, preset);
        QFETCH(QString, stream);
        QFETCH(QString, field);
        QFETCH(QString, expected);
        QFETCH(QStringList, stages);

        receiveAndFetch(m_site.link(media));
        if (QTest::currentTestFailed())
            return;
        QCOMPARE(m_state->info()->title, QFileInfo(media).baseName());
        if (preset == Preset::best) { // the real yt-dlp's answer, as the format pickers show it
            QStringList labels;
            for (const FormatInfo& format : m_state->info()->videoFormats() + m_state->info()->audioFormats())
                labels << format.label();
            QCOMPARE(labels, QStringList({ u"4540 · mp4 · 1080p · avc1"_s, u"2200 · mp4 · 720p60 · avc1"_s, u"900 · mp4 · 480p · avc1"_s, u"128 · mp4 · mp4a · 128 kbps"_s }));
        }
        m_state->setPreset(preset);
        if (preset == Preset::custom) {
            m_state->setVideoFormatID(u"900"_s);
            m_state->setAudioFormatID(u"128"_s);
        }

        const QPointer<DownloadTask> task = enqueueAndWait();
        if (QTest::currentTestFailed())
            return;
        const QString file = task->firstFile().value_or(QString());
        QCOMPARE(filesBelow(m_folder), QStringList { file });
        QCOMPARE(QFileInfo(file).suffix(), QString(preset == Preset::audio ? "mp3" : "mp4"));
        QCOMPARE(probe(file, stream, field), expected);

        QStringList seen = m_stages;
        seen.removeIf([&](const QString& stage) { return !stages.contains(stage); });
        seen.removeDuplicates(); // stages may come back: their first appearances count
        QCOMPARE(seen, stages);
        QCOMPARE(m_stages.last(), stages.last());
        QVERIFY(std::is_sorted(m_progress.cbegin(), m_progress.cend()));
    }

    void playlistWithOneItemDeselected()
    {
        receiveAndFetch(m_site.link(TestMedia::playlistPage));
        if (QTest::currentTestFailed())
            return;
        QVERIFY(m_state->info()->isPlaylist);
        QCOMPARE(m_state->info()->entries.size(), 2);
        QCOMPARE(m_state->info()->entries.value(1).title, u"Two clips (2)"_s);
        m_state->setSelectedItems({ 2 });

        const QPointer<DownloadTask> task = enqueueAndWait();
        if (QTest::currentTestFailed())
            return;
        QCOMPARE(task->options().playlistItems, std::optional<QString>(u"2"_s));
        const QStringList files = filesBelow(m_folder);
        QCOMPARE(files, task->outputFiles());
        QCOMPARE(files.size(), 1);
        // Numbered by its place in the playlist, in the playlist's own folder.
        const QFileInfo file(files.first());
        QCOMPARE(file.dir().dirName(), u"Two clips"_s);
        QVERIFY2(file.fileName().startsWith(u"002 - "_s), qPrintable(file.fileName()));
    }

    void pauseAndResumeContinueThePartialFile()
    {
        const qint64 size = 6'000'000;
        const QString source = m_scratch.filePath("large.mp4");
        const QByteArray content = writeNoise(source, size, 7);
        m_site.server().serveFile("/large.mp4", source);
        m_site.server().setBytesPerSecond(600'000);

        const QPointer<DownloadTask> task = m_state->downloads()->enqueue(options("/large.mp4"));
        QTRY_VERIFY_WITH_TIMEOUT(task->currentBytes() >= 1'000'000, patience);
        m_state->downloads()->pause(task);
        QTRY_COMPARE_WITH_TIMEOUT(task->status(), TaskStatus::paused, patience);
        const qint64 sentBeforeResume = m_site.server().bytesSent("/large.mp4");
        QVERIFY(sentBeforeResume < size);

        // Still throttled: yt-dlp's first look reads only the headers, but an
        // unthrottled server would push megabytes before it closes.
        m_site.server().setBytesPerSecond(3'000'000);
        m_state->downloads()->resume(task);
        waitForCompletion(task);
        if (QTest::currentTestFailed())
            return;
        const qint64 sentAfterResume = m_site.server().bytesSent("/large.mp4") - sentBeforeResume;
        QVERIFY2(sentAfterResume < size, qPrintable(QString::number(sentAfterResume)));
        const QList<QByteArray> ranges = m_site.server().rangeHeaders("/large.mp4");
        QVERIFY2(!ranges.isEmpty() && !ranges.last().startsWith("bytes=0-"), ranges.value(0).constData());
        const QString file = QDir(m_folder).filePath("large.mp4");
        QCOMPARE(task->outputFiles(), QStringList { file });
        QCOMPARE(TestSupport::readFile(file), content);
        QCOMPARE(task->finalSize(), size);
        QCOMPARE(task->progress(), 1.0);
        const QString log = LogManager::shared().read(task->id());
        for (const QString& expected :
            QStringList { "] Queued: ", "] —— start ——\n", "] $ yt-dlp --ignore-config ", "] KWPROG|",
                "] KWITEM|1|1|large\n", "] KWFILE|" + file + "\n", "] [stderr] ", "] —— exit 0 ——\n",
                // The default settings with Deno installed: both options reach the wrapper.
                " --js-runtimes deno:" + toolPath(Tool::deno) + " --remote-components ejs:github " })
            QVERIFY2(log.contains(expected), qPrintable(expected + " missing in:\n" + log));
    }

    // What the real yt-dlp, a stand-in or the check before running makes of a link.
    void failures_data()
    {
        QTest::addColumn<QString>("url");
        QTest::addColumn<QByteArray>("program"); // empty: the installed yt-dlp
        QTest::addColumn<double>("timeLimit");
        QTest::addColumn<bool>("runs"); // false: rejected before anything runs
        QTest::addColumn<QString>("message");

        const QString link = u"https://example.com/watch?v=1"_s;
        const QString invalid = u"That doesn’t look like a valid web address. Enter a full http(s) URL."_s;
        const QString notInstalled = u"yt-dlp isn’t installed yet."_s;
        QTest::newRow("page without media") << m_site.origin() + "/notes.html" << QByteArray() << 120.0 << true << u"This site or link isn’t supported by yt-dlp."_s;
        QTest::newRow("missing page") << m_site.link("gone.mp4") << QByteArray() << 120.0 << true << u"The media could not be found (HTTP 404)."_s;
        QTest::newRow("closed port") << u"http://127.0.0.1:9/media/clip.mp4"_s << QByteArray() << 120.0 << true << u"Network problem. Check your internet connection (or proxy) and retry — progress is resumed automatically."_s;
        QTest::newRow("no scheme") << u"127.0.0.1/clip.mp4"_s << QByteArray() << 120.0 << false << invalid;
        QTest::newRow("host without a dot") << u"http://localhost:8080/clip.mp4"_s << QByteArray() << 120.0 << false << invalid;
        QTest::newRow("option-like text") << u"--exec=rm"_s << QByteArray() << 120.0 << false << invalid;
        QTest::newRow("yt-dlp missing") << link << QByteArray("missing") << 120.0 << false << notInstalled;
        QTest::newRow("yt-dlp not executable") << link << QByteArray("plain file") << 120.0 << false << notInstalled;
        QTest::newRow("hangs") << link << QByteArray("#!/bin/sh\nexec sleep 60\n") << 1.5 << true << u"Timed out while contacting the site. Check your connection and try again."_s;
        QTest::newRow("exit 0 with nonsense") << link << QByteArray("#!/bin/sh\necho 'not json'\n") << 120.0 << true << u"yt-dlp exited with code 0."_s;
        QTest::newRow("exit 0 with a JSON array") << link << QByteArray("#!/bin/sh\necho '[{\"title\": \"x\"}]'\necho 'odd' >&2\n") << 120.0 << true << u"odd"_s;
        QTest::newRow("last ERROR line decides") << link << QByteArray( "#!/bin/sh\nprintf 'ERROR: Unsupported URL: x\\nWARNING: later\\nERROR: [generic] HTTP " "Error 404: Not Found\\n[debug] done\\n' >&2\nexit 1\n") << 120.0 << true << u"The media could not be found (HTTP 404)."_s;
        QTest::newRow("no ERROR line") << link << QByteArray("#!/bin/sh\nprintf '\\nsomething odd\\nmore\\n' >&2\nexit 2\n") << 120.0 << true << u"something odd"_s;
    }

    void failures()
    {
        QFETCH(QString, url);
        QFETCH(QByteArray, program);
        QFETCH(double, timeLimit);
        QFETCH(bool, runs);
        QFETCH(QString, message);

        if (!program.isEmpty())
            QVERIFY(QFile::remove(toolPath(Tool::ytdlp)));
        if (program == "plain file")
            QVERIFY(TestSupport::writeFile(toolPath(Tool::ytdlp), {}));
        else if (program.startsWith("#!"))
            QVERIFY(!TestSupport::writeScript(toolPath(Tool::ytdlp), program).isEmpty());
        const QString logBefore = TestSupport::appLog();
        const auto result = QCoro::waitFor(FormatManager::discover(url, NetworkOptions {}, timeLimit));
        QVERIFY(std::holds_alternative<InfoError>(result));
        QCOMPARE(std::get<InfoError>(result).message, message);
        const QString log = TestSupport::appLog();
        if (!runs)
            QCOMPARE(log, logBefore);
        else
            QVERIFY2(log.contains(u"] info "_s + url + u" -> exit "_s), qPrintable(log));
        if (runs && program.isEmpty())
            QVERIFY(log.contains("] info " + url + " -> exit 1\n") && log.contains("] info error: "));
    }

    void argumentVector()
    {
        const QString argsFile = QDir::home().filePath(u"arguments.txt"_s);
        const QByteArray script = "#!/bin/sh\nfor a in \"$@\"; do printf '%s\\n' \"$a\"; done > '"
            + argsFile.toUtf8() + "'\necho '{\"title\": \"Stand-in\"}'\n";
        QVERIFY(QFile::remove(toolPath(Tool::ytdlp)));
        QVERIFY(!TestSupport::writeScript(toolPath(Tool::ytdlp), script).isEmpty());
        NetworkOptions net;
        net.proxy = u"http://127.0.0.1:3128"_s;

        // Surrounding blanks go, and the link arrives after "--" as written, not re-encoded.
        const auto result
            = QCoro::waitFor(FormatManager::discover(" https://example.com/path/?q=ü&x=1\n", net));
        QVERIFY(std::holds_alternative<MediaInfo>(result));

        const QStringList arguments
            = QString::fromUtf8(TestSupport::readFile(argsFile)).split(u'\n', Qt::SkipEmptyParts);
        const QString link = u"https://example.com/path/?q=ü&x=1"_s;
        const QStringList expected = YTDLPManager::baseArguments(net)
            + QStringList { u"-J"_s, u"--flat-playlist"_s, u"--no-warnings"_s, u"--"_s, link };
        QCOMPARE(arguments, expected);
        QCOMPARE(std::get<MediaInfo>(result).webpageURL, link);
    }

    void killedWhileTwoDownloadsRun()
    {
        m_state.reset(); // the queue belongs to the killed program alone
        QList<QByteArray> contents;
        QList<TaskRecord> records;
        for (int i = 1; i <= 2; ++i) {
            const QString name = QStringLiteral("big%1.mp4").arg(i);
            contents.append(writeNoise(m_scratch.filePath(name), 4'000'000, quint32(i)));
            m_site.server().serveFile("/" + name, m_scratch.filePath(name));
            TaskRecord record;
            record.id = QUuid::createUuid();
            record.options = options("/" + name);
            record.createdAt = QDateTime::currentDateTimeUtc();
            records.append(record);
        }
        QVERIFY(QueueFile::save(records));
        SettingsStore::set("maxConcurrent", 2);
        m_site.server().setBytesPerSecond(250'000);

        QProcess* holder = startRole("--hold-queue");
        QVERIFY(holder->waitForStarted(patience));
        for (const QString part : { "big1.mp4.part", "big2.mp4.part" })
            QTRY_VERIFY_WITH_TIMEOUT(QFileInfo(QDir(m_folder).filePath(part)).size() > 100'000, patience);
        const QStringList children = childrenOf(holder->processId());
        QCOMPARE(children.size(), 2);
        kill(holder);
        for (const QString& child : children)
            QTRY_VERIFY_WITH_TIMEOUT(statusOf(child).isEmpty(), patience);

        m_site.server().setBytesPerSecond(0);
        HistoryStore history;
        DownloadManager manager(&history);
        QCOMPARE(manager.tasks().size(), 2);
        for (DownloadTask* task : manager.tasks()) {
            QCOMPARE(task->status(), TaskStatus::queued);
            QCOMPARE(task->stage(), "Resuming after restart");
            QVERIFY(
                LogManager::shared().read(task->id()).contains("] Recovered after restart; will resume.\n"));
        }
        manager.setStarted(true);
        for (int i = 0; i < 2; ++i) {
            DownloadTask* task = manager.tasks().at(i);
            QTRY_VERIFY_WITH_TIMEOUT(isFinished(task->status()), patience);
            QCOMPARE(task->status(), TaskStatus::completed);
            QCOMPARE(TestSupport::readFile(task->firstFile().value_or(QString())), contents[i]);
        }
    }

    void filesSurviveKillsDuringSaves()
    {
        // Each round of the writer saves three times (queue, history, queue);
        // every run makes over 100 saves and is killed at a different point.
        for (int run = 0; run < 3; ++run) {
            QProcess* writer = startRole("--save-loop");
            const int target = 35 + run * 12;
            int done = -1;
            while (done < target) {
                QVERIFY2(writer->waitForReadyRead(patience), "the writer stopped reporting");
                while (writer->canReadLine())
                    done = writer->readLine().trimmed().toInt();
            }
            kill(writer);
            QVERIFY(!QueueFile::load().isEmpty());
            QVERIFY(!HistoryStore().items().isEmpty());
            const QStringList corrupt = QDir(AppPaths::support()).entryList({ "*.corrupt-*" }, QDir::Files);
            QVERIFY2(corrupt.isEmpty(), qPrintable(corrupt.join(", ")));
        }
    }
};

int main(int argc, char** argv)
{
    if (argc > 1 && (std::strcmp(argv[1], "--hold-queue") == 0 || std::strcmp(argv[1], "--save-loop") == 0))
        return playRole(argc, argv);
    QCoreApplication app(argc, argv);
    TestAppFlow test;
    QTEST_SET_MAIN_SOURCE_PATH
    return QTest::qExec(&test, argc, argv);
}

#include "tst_appflow.moc"
