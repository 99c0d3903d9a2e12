// Runs whole downloads through the download manager with the system's real
// yt-dlp and FFmpeg against media served on 127.0.0.1.
#include "DownloadManager.h"

#include "AppPaths.h"
#include "DownloadTask.h"
#include "EngineTools.h"
#include "ErrorInterpreter.h"
#include "HistoryStore.h"
#include "LogManager.h"
#include "TestHttpServer.h"
#include "TestMedia.h"
#include "TestSupport.h"

#include <QDir>
#include <QFileInfo>
#include <QTemporaryDir>
#include <QTest>

#include <memory>

namespace {

constexpr int patience = 180'000; // yt-dlp and ffmpeg on a loaded machine

} // namespace

class TestEngineEndToEnd : public QObject {
    Q_OBJECT

private:
    TestHttpServer m_server;
    QTemporaryDir m_noise;
    std::unique_ptr<HistoryStore> m_history;
    std::unique_ptr<DownloadManager> m_manager;
    QString m_folder;

    DownloadOptions options(const QString& path) const
    {
        DownloadOptions o;
        o.url = m_server.url(path).toString(QUrl::FullyEncoded);
        o.folder = m_folder;
        o.outputTemplate = "%(title)s.%(ext)s";
        o.presetName = "Best Quality";
        o.network.retries = 0;
        return o;
    }

    DownloadTask* runToEnd(const DownloadOptions& o)
    {
        DownloadTask* task = m_manager->enqueue(o);
        [&] { QTRY_VERIFY_WITH_TIMEOUT(isFinished(task->status()), patience); }();
        return task;
    }

private slots:
    void initTestCase()
    {
        const QString missing = EngineTools::useSystemTools();
        if (!missing.isEmpty())
            QSKIP(qPrintable(missing));
        QVERIFY2(!TestMedia::folder().isEmpty(), qPrintable(TestMedia::error()));
        m_server.serveDirectory("/media/", TestMedia::folder());
    }

    void init()
    {
        m_folder = QDir(QDir::homePath()).filePath(QString("Downloads/") + QTest::currentTestFunction());
        m_server.setBytesPerSecond(0);
        m_history = std::make_unique<HistoryStore>();
        m_manager = std::make_unique<DownloadManager>(m_history.get());
        m_manager->setStarted(true);
    }

    void cleanup()
    {
        m_manager.reset();
        m_history.reset();
    }

    void singleVideo()
    {
        DownloadTask* task = runToEnd(options("/media/" + TestMedia::directVideo));
        QCOMPARE(task->status(), TaskStatus::completed);
        QCOMPARE(task->error(), std::nullopt);
        QCOMPARE(task->progress(), 1.0);
        const QString file = QDir(m_folder).filePath("clip.mp4");
        QCOMPARE(task->outputFiles(), QStringList { file });
        QCOMPARE(TestSupport::readFile(file), TestSupport::readFile(TestMedia::path(TestMedia::directVideo)));
        QCOMPARE(task->finalSize(), QFileInfo(file).size());
        QCOMPARE(m_history->items().value(0).filePath, file);

        const QString log = LogManager::shared().read(task->id());
        for (const QString& expected :
            QStringList { "] Queued: ", "] —— start ——\n", "] $ yt-dlp --ignore-config ", "] KWPROG|",
                "] KWITEM|1|1|clip\n", "] KWFILE|" + file + "\n", "] [stderr] ", "] —— exit 0 ——\n" })
            QVERIFY2(log.contains(expected), qPrintable(expected + " missing in:\n" + log));
    }

    void hlsVideoAndAudioMerged()
    {
        DownloadOptions o = options("/media/" + TestMedia::hlsMaster);
        o.formatSelector = "900+128";
        o.container = "mp4";
        DownloadTask* task = m_manager->enqueue(o);
        QList<double> progress;
        QStringList stages;
        connect(task, &DownloadTask::progressChanged, this, [&] { progress.append(task->progress()); });
        connect(task, &DownloadTask::stageChanged, this, [&] {
            if (stages.value(stages.size() - 1) != task->stage())
                stages.append(task->stage());
        });
        QTRY_VERIFY_WITH_TIMEOUT(isFinished(task->status()), patience);
        QCOMPARE(task->status(), TaskStatus::completed);

        const auto firstStreamDone
            = std::find_if(progress.cbegin(), progress.cend(), [](double p) { return p >= 0.85; });
        QVERIFY2(firstStreamDone != progress.cend() && *firstStreamDone <= 0.9,
            qPrintable(QString::number(progress.size())));
        QVERIFY(std::any_of(progress.cbegin(), progress.cend(), [](double p) { return p > 0.9 && p < 1.0; }));
        QVERIFY(std::is_sorted(progress.cbegin(), progress.cend()));

        const auto position = [&](const QString& stage) { return stages.indexOf(stage); };
        QVERIFY2(position("Downloading stream 1/2") >= 0, qPrintable(stages.join(", ")));
        QVERIFY2(position("Downloading stream 2/2") > position("Downloading stream 1/2"),
            qPrintable(stages.join(", ")));
        QVERIFY2(position("Merging with FFmpeg") > position("Downloading stream 2/2"),
            qPrintable(stages.join(", ")));
        QCOMPARE(stages.last(), "Completed");

        const QString file = task->firstFile().value_or(QString());
        QVERIFY2(file.endsWith(".mp4") && QFileInfo(file).size() > 0, qPrintable(file));
        QCOMPARE(task->finalSize(), QFileInfo(file).size());
    }

    void audioExtraction()
    {
        DownloadOptions o = options("/media/" + TestMedia::directVideo);
        o.audioOnly = true;
        o.audioFormat = "mp3";
        // Options the real yt-dlp must know, even where they find nothing to do.
        o.embedMetadata = true;
        o.subtitles = true;
        o.network.extraArgs = "--limit-rate 1M";
        DownloadTask* task = m_manager->enqueue(o);
        QStringList stages;
        connect(task, &DownloadTask::stageChanged, this, [&] { stages.append(task->stage()); });
        QTRY_VERIFY_WITH_TIMEOUT(isFinished(task->status()), patience);
        QCOMPARE(task->status(), TaskStatus::completed);
        QVERIFY2(stages.contains("Extracting audio"), qPrintable(stages.join(", ")));
        const QString file = QDir(m_folder).filePath("clip.mp3");
        QCOMPARE(task->outputFiles(), QStringList { file });
        QVERIFY(QFileInfo(file).size() > 0);
        QVERIFY(!QFileInfo::exists(QDir(m_folder).filePath("clip.mp4")));
    }

    void pauseAndResumeContinueThePartialFile()
    {
        const qint64 size = 6'000'000;
        const QString source = m_noise.filePath("large.mp4");
        const QByteArray content = EngineTools::writeNoise(source, size, 7);
        QCOMPARE(content.size(), size);
        m_server.serveFile("/large.mp4", source);
        m_server.setBytesPerSecond(600'000);

        DownloadTask* task = m_manager->enqueue(options("/large.mp4"));
        QTRY_VERIFY_WITH_TIMEOUT(task->currentBytes() >= 1'000'000, patience);
        m_manager->pause(task);
        QTRY_COMPARE_WITH_TIMEOUT(task->status(), TaskStatus::paused, patience);
        const qint64 sentBeforeResume = m_server.bytesSent("/large.mp4");
        QVERIFY(sentBeforeResume < size);

        // Still throttled: yt-dlp's first look at the link reads only the
        // headers, but an unthrottled server would push megabytes before the
        // connection closes and blur the count.
        m_server.setBytesPerSecond(3'000'000);
        m_manager->resume(task);
        QTRY_VERIFY_WITH_TIMEOUT(isFinished(task->status()), patience);
        QCOMPARE(task->status(), TaskStatus::completed);
        const qint64 sentAfterResume = m_server.bytesSent("/large.mp4") - sentBeforeResume;
        QVERIFY2(sentAfterResume < size, qPrintable(QString::number(sentAfterResume)));
        const QList<QByteArray> ranges = m_server.rangeHeaders("/large.mp4");
        QVERIFY2(!ranges.isEmpty() && !ranges.last().startsWith("bytes=0-"), ranges.value(0).constData());
        QCOMPARE(TestSupport::readFile(task->firstFile().value_or(QString())), content);
    }

    void missingMediaFails()
    {
        DownloadTask* task = runToEnd(options("/media/missing.mp4"));
        QCOMPARE(task->status(), TaskStatus::failed);
        QCOMPARE(task->error(), ErrorInterpreter::explain("HTTP Error 404: Not Found", 1));
        QCOMPARE(m_history->items().value(0).status, TaskStatus::failed);
    }
};

QTEST_GUILESS_MAIN(TestEngineEndToEnd)
#include "tst_engine.moc"
