// Figures of the download engine's bookkeeping: enqueuing 1,000 tasks in one
// go (time and bytes written), loading a queue of 1,000 and a history of
// 10,000 entries, and progress events applied per second with an observer.
#include "AppPaths.h"
#include "BenchData.h"
#include "DownloadManager.h"
#include "DownloadTask.h"
#include "HistoryStore.h"
#include "JsonArrayFile.h"
#include "LogManager.h"
#include "QueueFile.h"
#include "SettingsStore.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QJsonArray>
#include <QTemporaryDir>

#include <cstdio>

namespace {

// Bytes this process has handed to write() so far (/proc/self/io "wchar").
qint64 bytesWritten()
{
    QFile io(QStringLiteral("/proc/self/io"));
    if (!io.open(QIODevice::ReadOnly))
        return -1;
    for (const QByteArray& line : io.readAll().split('\n')) {
        if (line.startsWith("wchar:"))
            return line.mid(6).trimmed().toLongLong();
    }
    return -1;
}

void enqueueThousand()
{
    HistoryStore history;
    DownloadManager manager(&history);
    LogManager::shared().read(QUuid()); // let earlier log writes finish
    const qint64 writtenBefore = bytesWritten();
    QElapsedTimer timer;
    timer.start();
    for (int i = 0; i < 1000; ++i)
        manager.enqueue(BenchData::sampleOptions(i));
    const qint64 enqueueMs = timer.elapsed();
    QCoreApplication::processEvents(); // the one coalesced save
    const qint64 totalMs = timer.elapsed();
    LogManager::shared().read(QUuid()); // the "Queued:" lines are written too
    const qint64 written = bytesWritten() - writtenBefore;
    std::printf("enqueue 1,000 tasks: %lld ms for the calls, %lld ms including the queue save\n",
        static_cast<long long>(enqueueMs), static_cast<long long>(totalMs));
    std::printf("  queue file %lld bytes; bytes written in all (queue file and 1,000 task logs): %lld\n",
        static_cast<long long>(QFileInfo(QueueFile::path()).size()), static_cast<long long>(written));
}

void loadQueueAndHistory()
{
    QElapsedTimer timer;
    timer.start();
    {
        HistoryStore history;
        DownloadManager manager(&history);
        std::printf("load a queue of %lld tasks: %lld ms\n", static_cast<long long>(manager.tasks().size()),
            static_cast<long long>(timer.elapsed()));
    }

    BenchData::writeHistory(10'000);
    timer.restart();
    const HistoryStore history;
    const qsizetype loaded = history.items().size(); // waits for the background read
    const qint64 ms = timer.elapsed();
    std::printf("load a history of %lld entries (%lld bytes): %lld ms\n", static_cast<long long>(loaded),
        static_cast<long long>(QFileInfo(HistoryStore::path()).size()), static_cast<long long>(ms));
}

void applyEvents()
{
    DownloadOptions options = BenchData::sampleOptions(0);
    DownloadTask task(options);
    qint64 notifications = 0;
    const auto observe = [&] { ++notifications; };
    QObject::connect(&task, &DownloadTask::progressChanged, observe);
    QObject::connect(&task, &DownloadTask::currentBytesChanged, observe);
    QObject::connect(&task, &DownloadTask::speedChanged, observe);
    QObject::connect(&task, &DownloadTask::etaChanged, observe);
    QObject::connect(&task, &DownloadTask::stageChanged, observe);
    QObject::connect(&task, &DownloadTask::statusChanged, observe);

    constexpr int events = 2'000'000;
    constexpr qint64 streamSize = 1'000'000'000;
    const QString video = QStringLiteral("/home/user/Downloads/video.f137.mp4");
    const QString audio = QStringLiteral("/home/user/Downloads/video.f140.m4a");
    QElapsedTimer timer;
    timer.start();
    for (int i = 0; i < events; ++i) {
        const bool second = i >= events / 2;
        const qint64 downloaded = (i % (events / 2)) * (streamSize / (events / 2));
        task.apply(ProgressEvents::Progress {
            downloaded, streamSize, 1.5e6 + i, 600 - i / 4000, second ? audio : video });
    }
    const double seconds = double(timer.nsecsElapsed()) / 1e9;
    std::printf("apply %d progress events with an observer: %.0f events/s (%lld notifications, final "
                "progress %.3f)\n",
        events, events / seconds, static_cast<long long>(notifications), task.progress());
}

} // namespace

int main(int argc, char** argv)
{
    QTemporaryDir home;
    qputenv("XDG_DATA_HOME", home.filePath(QStringLiteral("data")).toUtf8());
    qputenv("XDG_CONFIG_HOME", home.filePath(QStringLiteral("config")).toUtf8());
    QCoreApplication app(argc, argv);
    SettingsStore::registerDefaults();
    enqueueThousand();
    loadQueueAndHistory();
    applyEvents();
    return 0;
}
