// Runs the real yt-dlp with the argument vectors this program builds, against
// a local server, and reads its output with ProgressParser: the options must
// all be known to yt-dlp and the marker lines must come back as events.
#include "PlaylistManager.h"
#include "ProgressParser.h"
#include "SettingsStore.h"
#include "TestHttpServer.h"
#include "TestMedia.h"
#include "Tool.h"
#include "YTDLPManager.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QStandardPaths>
#include <QTest>

namespace {

struct Run {
    int exitCode = -1;
    QList<ProgressEvent> events;
    QString stdErr;
};

Run runYtDlp(const QStringList& arguments)
{
    QProcess process;
    process.setProgram(QStandardPaths::findExecutable(QStringLiteral("yt-dlp")));
    process.setArguments(arguments);
    process.start();
    Run run;
    if (!process.waitForFinished(180000)) {
        process.kill();
        process.waitForFinished();
        return run;
    }
    run.exitCode = process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1;
    run.stdErr = QString::fromUtf8(process.readAllStandardError());
    QStringList lines = QString::fromUtf8(process.readAllStandardOutput()).split(u'\n', Qt::SkipEmptyParts);
    for (const QString& line : run.stdErr.split(u'\n', Qt::SkipEmptyParts))
        lines << ProgressParser::splitMarkers(line);
    for (const QString& line : lines) {
        if (const auto event = ProgressParser::parse(line))
            run.events << *event;
    }
    return run;
}

template <typename T> QList<T> eventsOf(const Run& run)
{
    QList<T> found;
    for (const ProgressEvent& event : run.events) {
        if (const T* e = std::get_if<T>(&event))
            found << *e;
    }
    return found;
}

} // namespace

class TestYtDlpRun : public QObject {
    Q_OBJECT

private slots:
    void initTestCase()
    {
        if (QStandardPaths::findExecutable(QStringLiteral("yt-dlp")).isEmpty())
            QSKIP("yt-dlp is not installed");
        QVERIFY2(!TestMedia::folder().isEmpty(), qPrintable(TestMedia::error()));
        m_server.serveDirectory(QStringLiteral("/media/"), TestMedia::folder());

        SettingsStore::registerDefaults();
        // Debian's yt-dlp knows no remote components.
        SettingsStore::set(QStringLiteral("remoteEJS"), false);
        for (const Tool tool : { Tool::ffmpeg, Tool::ffprobe })
            QVERIFY(QFile::link(QStandardPaths::findExecutable(fileName(tool)), toolPath(tool)));
    }

    void audioOfOneVideo()
    {
        DownloadOptions o;
        o.url = m_server.url(QStringLiteral("/media/") + TestMedia::directVideo).toString();
        o.audioOnly = true;
        o.audioFormat = QStringLiteral("mp3");
        o.folder = QDir(QDir::homePath()).filePath(QStringLiteral("Downloads"));
        o.outputTemplate = QStringLiteral("%(title)s [%(id)s].%(ext)s");
        o.embedMetadata = true;
        o.subtitles = true;
        o.network.extraArgs = QStringLiteral("--limit-rate 1M");

        const Run run = runYtDlp(YTDLPManager::downloadArguments(o));
        QVERIFY2(run.exitCode == 0, qPrintable(run.stdErr));

        const auto items = eventsOf<ProgressEvents::Item>(run);
        QCOMPARE(items.size(), 1);
        QCOMPARE(items[0].index, 1);
        QCOMPARE(items[0].count, 1);
        QCOMPARE(items[0].title, QStringLiteral("clip"));

        const auto progress = eventsOf<ProgressEvents::Progress>(run);
        QVERIFY(!progress.isEmpty());
        const qint64 size = QFileInfo(TestMedia::path(TestMedia::directVideo)).size();
        QCOMPARE(progress.last().downloaded, size);
        QCOMPARE(progress.last().total, size);
        QVERIFY(progress.last().filename.endsWith(QStringLiteral("clip [clip].mp4")));

        QStringList stages;
        for (const auto& pp : eventsOf<ProgressEvents::Postprocess>(run))
            stages << pp.name + u' ' + pp.status;
        QVERIFY2(stages.contains(QStringLiteral("ExtractAudio finished")), qPrintable(stages.join(u',')));

        const auto files = eventsOf<ProgressEvents::FinalFile>(run);
        QCOMPARE(files.size(), 1);
        QCOMPARE(files[0].path, QDir(o.folder).filePath(QStringLiteral("clip [clip].mp3")));
        QVERIFY(QFileInfo(files[0].path).size() > 0);
    }

    void chosenPlaylistItemIntoPlaylistFolder()
    {
        DownloadOptions o;
        o.url = m_server.url(QStringLiteral("/media/") + TestMedia::playlistPage).toString();
        o.isPlaylist = true;
        o.playlistItems = PlaylistManager::itemsString({ 2 }, 2);
        o.container = QStringLiteral("mp4");
        o.folder = QDir(QDir::homePath()).filePath(QStringLiteral("Playlists"));
        o.outputTemplate = YTDLPManager::playlistOutputTemplate(QStringLiteral("%(title)s.%(ext)s"), true);

        const Run run = runYtDlp(YTDLPManager::downloadArguments(o));
        QVERIFY2(run.exitCode == 0, qPrintable(run.stdErr));

        const auto items = eventsOf<ProgressEvents::Item>(run);
        QCOMPARE(items.size(), 1);
        QCOMPARE(items[0].index, 2);
        QCOMPARE(items[0].count, 2);

        const auto files = eventsOf<ProgressEvents::FinalFile>(run);
        QCOMPARE(files.size(), 1);
        const QFileInfo file(files[0].path);
        QVERIFY2(file.exists(), qPrintable(files[0].path));
        QCOMPARE(file.dir().dirName(), QStringLiteral("Two clips"));
        QVERIFY2(file.fileName().startsWith(QStringLiteral("002 - ")), qPrintable(file.fileName()));
    }

    void failureIsReportedAsErrorEvent()
    {
        DownloadOptions o;
        o.url = m_server.url(QStringLiteral("/media/missing.mp4")).toString();
        o.folder = QDir::homePath();
        o.network.retries = 0;
        const Run run = runYtDlp(YTDLPManager::downloadArguments(o));
        QCOMPARE(run.exitCode, 1);
        const auto errors = eventsOf<ProgressEvents::Error>(run);
        QCOMPARE(errors.size(), 1);
        QVERIFY2(errors[0].text.contains(QStringLiteral("HTTP Error 404")), qPrintable(errors[0].text));
    }

private:
    TestHttpServer m_server;
};

QTEST_GUILESS_MAIN(TestYtDlpRun)
#include "tst_ytdlprun.moc"
