// What survives when the program holding the queue dies without its orderly
// quit: the queue comes back, no yt-dlp child is left behind, partial files
// are continued, and the queue and history files are never half-written.
// The program that gets killed is this test executable itself, started again
// with a role argument.
#include "DownloadManager.h"

#include "AppPaths.h"
#include "DownloadTask.h"
#include "EngineTools.h"
#include "HistoryStore.h"
#include "JsonArrayFile.h"
#include "LogManager.h"
#include "QueueFile.h"
#include "SettingsStore.h"
#include "TestHttpServer.h"
#include "TestSupport.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

#include <csignal>
#include <cstdio>
#include <cstring>

namespace {

constexpr int patience = 180'000;

// Role "--hold-queue": load the queue and run it until killed.
int holdQueue(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    SettingsStore::registerDefaults();
    HistoryStore history;
    DownloadManager manager(&history);
    manager.setStarted(true);
    return app.exec();
}

// Role "--save-loop": change the queue and the history over and over,
// reporting each finished round (three saves) on standard output, until killed.
int saveLoop(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    SettingsStore::registerDefaults();
    HistoryStore history;
    DownloadManager manager(&history);
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

// Process ids of the living children of a process.
QList<qint64> childrenOf(qint64 parent)
{
    QList<qint64> found;
    for (const QString& entry : QDir("/proc").entryList(QDir::Dirs)) {
        bool numeric = false;
        const qint64 pid = entry.toLongLong(&numeric);
        if (!numeric)
            continue;
        const QString status = QString::fromUtf8(TestSupport::readFile("/proc/" + entry + "/status"));
        if (status.contains(QStringLiteral("\nPPid:\t%1\n").arg(parent)) && !status.contains("State:\tZ"))
            found.append(pid);
    }
    return found;
}

bool isRunning(qint64 pid)
{
    const QString status
        = QString::fromUtf8(TestSupport::readFile(QStringLiteral("/proc/%1/status").arg(pid)));
    return !status.isEmpty() && !status.contains("State:\tZ");
}

} // namespace

class TestCrashSafety : public QObject {
    Q_OBJECT

private:
    QProcess* startRole(const QString& role)
    {
        auto* process = new QProcess(this);
        process->setProgram(QCoreApplication::applicationFilePath());
        process->setArguments({ role });
        process->setProcessChannelMode(QProcess::ForwardedErrorChannel);
        process->start();
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
        const QString missing = EngineTools::useSystemTools();
        if (!missing.isEmpty())
            QSKIP(qPrintable(missing));
    }

    void killedWhileTwoDownloadsRun()
    {
        QTemporaryDir sources;
        TestHttpServer server;
        QList<QByteArray> contents;
        QList<TaskRecord> records;
        for (int i = 1; i <= 2; ++i) {
            const QString name = QStringLiteral("big%1.mp4").arg(i);
            contents.append(EngineTools::writeNoise(sources.filePath(name), 4'000'000, quint32(i)));
            server.serveFile("/" + name, sources.filePath(name));
            TaskRecord record;
            record.id = QUuid::createUuid();
            record.options.url = server.url("/" + name).toString();
            record.options.folder = QDir(QDir::homePath()).filePath("Downloads");
            record.options.outputTemplate = "%(title)s.%(ext)s";
            record.createdAt = QDateTime::currentDateTimeUtc();
            records.append(record);
        }
        QVERIFY(QueueFile::save(records));
        SettingsStore::set("maxConcurrent", 2);
        server.setBytesPerSecond(250'000);

        QProcess* holder = startRole("--hold-queue");
        QVERIFY(holder->waitForStarted(patience));
        const QString folder = records[0].options.folder;
        for (const QString part : { "big1.mp4.part", "big2.mp4.part" })
            QTRY_VERIFY_WITH_TIMEOUT(QFileInfo(QDir(folder).filePath(part)).size() > 100'000, patience);
        const QList<qint64> children = childrenOf(holder->processId());
        QCOMPARE(children.size(), 2);
        kill(holder);
        for (const qint64 child : children)
            QTRY_VERIFY_WITH_TIMEOUT(!isRunning(child), patience);

        server.setBytesPerSecond(0);
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
    if (argc > 1 && std::strcmp(argv[1], "--hold-queue") == 0)
        return holdQueue(argc, argv);
    if (argc > 1 && std::strcmp(argv[1], "--save-loop") == 0)
        return saveLoop(argc, argv);
    QCoreApplication app(argc, argv);
    TestCrashSafety test;
    QTEST_SET_MAIN_SOURCE_PATH
    return QTest::qExec(&test, argc, argv);
}

#include "tst_crashsafety.moc"
