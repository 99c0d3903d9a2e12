// Figures of the Queue and History lists on the GUI thread: a queue of
// 1,000 tasks of which 20 receive 200 progress events a second each (GUI
// thread CPU, repaints per row per second, longest stall while scrolling),
// a history of 10,000 entries re-filtered on every search keystroke, and
// the log sheet opening a 50 MB log.
#include "BenchData.h"
#include "DownloadManager.h"
#include "DownloadTask.h"
#include "HistoryFilter.h"
#include "HistoryListModel.h"
#include "HistoryRowDelegate.h"
#include "HistoryStore.h"
#include "JsonArrayFile.h"
#include "LogManager.h"
#include "LogView.h"
#include "RowListView.h"
#include "SettingsStore.h"
#include "TaskListModel.h"
#include "TaskRowDelegate.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QFile>
#include <QHash>
#include <QJsonArray>
#include <QScrollBar>
#include <QTemporaryDir>
#include <QTimer>

#include <algorithm>
#include <cstdio>
#include <ctime>

namespace {

constexpr int busyTasks = 20;
constexpr int eventsPerSecond = 200;
constexpr int seconds = 5;

double threadCpuSeconds()
{
    timespec now {};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &now);
    return double(now.tv_sec) + double(now.tv_nsec) / 1e9;
}

// Runs the event loop, sleeping while nothing is due, as the application does.
void runEventLoop(int ms)
{
    QEventLoop loop;
    QTimer::singleShot(ms, &loop, &QEventLoop::quit);
    loop.exec();
}

// The queue's delegate, counting the paints of each task's row.
class CountingDelegate : public TaskRowDelegate {
public:
    using TaskRowDelegate::TaskRowDelegate;
    mutable QHash<QUuid, int> paints;
    void paint(QPainter* painter, const QStyleOptionViewItem& option, const QModelIndex& index) const override
    {
        ++paints[index.data(TaskListModel::IdRole).toUuid()];
        TaskRowDelegate::paint(painter, option, index);
    }
};

DownloadOptions options(int n)
{
    DownloadOptions o;
    o.url = QStringLiteral("https://www.example.com/watch?v=%1").arg(n, 11, 10, QLatin1Char('0'));
    o.title = QStringLiteral("A fairly ordinary video title number %1").arg(n);
    o.folder = QStringLiteral("/home/user/Downloads");
    return o;
}

// With withView false, only the events are applied: the engine's share of the CPU.
void busyQueue(bool withView)
{
    HistoryStore history;
    DownloadManager manager(&history);
    for (int i = 0; i < 1000; ++i)
        manager.enqueue(options(i));
    TaskListModel model(&manager);
    RowListView view;
    auto* delegate = new CountingDelegate(&view);
    view.setItemDelegate(delegate);
    view.setVerticalScrollMode(QAbstractItemView::ScrollPerPixel);
    view.setModel(&model);
    view.resize(800, 700);
    if (withView)
        view.show();
    QCoreApplication::processEvents();

    // The busy tasks: every 50th, so some are on screen and most scroll by.
    QList<DownloadTask*> busy;
    for (int i = 0; i < busyTasks; ++i)
        busy << manager.tasks().at(i * 50);
    delegate->paints.clear();

    // Each turn applies the events due by then, so every task gets its full rate.
    qint64 tick = 0;
    QElapsedTimer wall;
    QTimer feed;
    feed.setTimerType(Qt::PreciseTimer);
    feed.setInterval(1000 / eventsPerSecond);
    QObject::connect(&feed, &QTimer::timeout, [&] {
        for (const qint64 due = wall.elapsed() * eventsPerSecond / 1000; tick < due;) {
            ++tick;
            for (DownloadTask* task : std::as_const(busy))
                task->apply(ProgressEvents::Progress { tick * 10'000, 1'000'000'000, 2.5e6 + tick,
                    400 - tick / 200, QStringLiteral("video.mp4") });
        }
    });

    // Scrolls a little every frame; the longest single scroll and repaint is the stall.
    qint64 longestScrollNs = 0;
    QTimer scroll;
    scroll.setInterval(16);
    QObject::connect(&scroll, &QTimer::timeout, [&] {
        QScrollBar* bar = view.verticalScrollBar();
        QElapsedTimer step;
        step.start();
        bar->setValue(bar->value() >= bar->maximum() ? 0 : bar->value() + 37);
        view.viewport()->repaint();
        longestScrollNs = std::max(longestScrollNs, step.nsecsElapsed());
    });

    // The longest gap between turns of the event loop.
    qint64 longestGapNs = 0;
    QElapsedTimer gap;
    QTimer probe;
    probe.setTimerType(Qt::PreciseTimer);
    probe.setInterval(2);
    QObject::connect(&probe, &QTimer::timeout, [&] {
        if (gap.isValid())
            longestGapNs = std::max(longestGapNs, gap.nsecsElapsed());
        gap.restart();
    });

    const double cpuBefore = threadCpuSeconds();
    wall.start();
    feed.start();
    probe.start();
    // First the list stands still, then it scrolls every frame.
    runEventLoop(seconds * 1000 / 2);
    const double stillCpu = threadCpuSeconds() - cpuBefore;
    const double stillSeconds = double(wall.elapsed()) / 1000;
    int most = 0;
    for (const DownloadTask* task : std::as_const(busy))
        most = std::max(most, delegate->paints.value(task->id()));
    if (withView)
        scroll.start();
    runEventLoop(seconds * 1000 / 2);
    const double cpu = threadCpuSeconds() - cpuBefore;
    const double elapsed = double(wall.elapsed()) / 1000;
    if (!withView) {
        std::printf("queue of 1000, %d tasks x %d events/s, events applied and the model, no view: %.1f %% "
                    "of one core\n",
            busyTasks, eventsPerSecond, 100.0 * cpu / elapsed);
        return;
    }
    std::printf("queue of 1000, %d tasks x %d events/s for %.1f s (%lld events each), list shown:\n",
        busyTasks, eventsPerSecond, elapsed, static_cast<long long>(tick));
    std::printf("  GUI thread CPU, list still: %.1f %% of one core (events applied, model, painting)\n",
        100.0 * stillCpu / stillSeconds);
    std::printf("  GUI thread CPU, list scrolled every 16 ms: %.1f %% of one core\n",
        100.0 * (cpu - stillCpu) / (elapsed - stillSeconds));
    std::printf("  paints of the most painted busy row, list still: %.1f per second\n", most / stillSeconds);
    std::printf("  longest scroll step with repaint: %.1f ms; longest event-loop gap: %.1f ms\n",
        double(longestScrollNs) / 1e6, double(longestGapNs) / 1e6);
}

void stillQueueRepaints()
{
    HistoryStore history;
    DownloadManager manager(&history);
    for (int i = 0; i < 1000; ++i)
        manager.enqueue(options(i));
    TaskListModel model(&manager);
    RowListView view;
    auto* delegate = new CountingDelegate(&view);
    view.setItemDelegate(delegate);
    view.setModel(&model);
    view.resize(800, 700);
    view.show();
    QCoreApplication::processEvents();
    delegate->paints.clear();
    DownloadTask* shown = manager.tasks().at(1);
    DownloadTask* idle = manager.tasks().at(3);
    qint64 tick = 0;
    QTimer feed;
    feed.setTimerType(Qt::PreciseTimer);
    feed.setInterval(1000 / eventsPerSecond);
    QObject::connect(&feed, &QTimer::timeout, [&] {
        ++tick;
        shown->apply(ProgressEvents::Progress {
            tick * 10'000, 1'000'000'000, 2.5e6 + tick, 400, QStringLiteral("video.mp4") });
    });
    feed.start();
    QElapsedTimer wall;
    wall.start();
    runEventLoop(3000);
    const double elapsed = double(wall.elapsed()) / 1000;
    std::printf("still list, one visible row at %d events/s: %.1f repaints/s of that row, %.1f of an idle "
                "visible row\n",
        eventsPerSecond, delegate->paints.value(shown->id()) / elapsed,
        delegate->paints.value(idle->id()) / elapsed);
}

void historySearch()
{
    BenchData::writeHistory(10'000);
    HistoryStore history;
    history.items(); // the file is read in the background; the figures are the screen's
    QElapsedTimer timer;
    timer.start();
    HistoryListModel model(&history);
    HistoryFilter filter;
    filter.setSourceModel(&model);
    RowListView view;
    view.setItemDelegate(new HistoryRowDelegate(&view));
    view.setModel(&filter);
    view.resize(800, 700);
    view.show();
    QCoreApplication::processEvents();
    std::printf("history of %lld entries: model and first paint %lld ms\n",
        static_cast<long long>(history.items().size()), static_cast<long long>(timer.elapsed()));

    QList<double> times;
    const QString typed = QStringLiteral("TITLE NUMBER 12");
    for (const QString& search : { typed, QStringLiteral("watch?v=000000099") }) {
        for (qsizetype n = 0; n <= search.size(); ++n) {
            timer.restart();
            filter.setSearch(search.left(n));
            QCoreApplication::processEvents();
            view.viewport()->repaint();
            times << double(timer.nsecsElapsed()) / 1e6;
        }
    }
    std::sort(times.begin(), times.end());
    std::printf("  search keystroke (filter, relayout, repaint): median %.1f ms, slowest %.1f ms over %lld\n",
        times.at(times.size() / 2), times.last(), static_cast<long long>(times.size()));
}

void largeLog()
{
    const QUuid id = QUuid::createUuid();
    {
        QFile file(LogManager::shared().taskLogPath(id));
        file.open(QIODevice::WriteOnly);
        const QByteArray line
            = "[2026-12-07T01:49:46Z] [download]  42.7% of ~1.65GiB at  8.75MiB/s ETA 02:10 (frag 97/230)\n";
        for (qint64 written = 0; written < 50'000'000; written += line.size())
            file.write(line);
    }
    qint64 longestGapNs = 0;
    QElapsedTimer gap;
    QTimer probe;
    probe.setTimerType(Qt::PreciseTimer);
    probe.setInterval(2);
    QObject::connect(&probe, &QTimer::timeout, [&] {
        if (gap.isValid())
            longestGapNs = std::max(longestGapNs, gap.nsecsElapsed());
        gap.restart();
    });
    probe.start();
    QElapsedTimer timer;
    timer.start();
    LogView sheet(id);
    sheet.show();
    QEventLoop loop;
    QObject::connect(&sheet, &LogView::loaded, &loop, &QEventLoop::quit);
    loop.exec();
    std::printf("50 MB log: shown after %lld ms (last %lld characters); longest event-loop gap %.1f ms\n",
        static_cast<long long>(timer.elapsed()), static_cast<long long>(sheet.text().size()),
        double(longestGapNs) / 1e6);
}

} // namespace

int main(int argc, char** argv)
{
    QTemporaryDir home;
    qputenv("XDG_DATA_HOME", home.filePath(QStringLiteral("data")).toUtf8());
    qputenv("XDG_CONFIG_HOME", home.filePath(QStringLiteral("config")).toUtf8());
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    SettingsStore::registerDefaults();
    stillQueueRepaints();
    busyQueue(false);
    busyQueue(true);
    historySearch();
    largeLog();
    return 0;
}
