// Start of the window: from starting a fresh process to the first painted
// frame of the main window, with a data folder holding 10,000 history
// entries and 1,000 queued tasks, and the resident memory then. First with
// no tools (the set-up screen), then with tools a previous start checked
// (the Download screen at once), and the wall time of that check. Runs in a
// throwaway home; each start is a new process.
#include "AppPaths.h"
#include "BenchData.h"
#include "AppState.h"
#include "ClipboardPasteboard.h"
#include "DependencyManager.h"
#include "DownloadManager.h"
#include "FakePasteboard.h"
#include "FakeTools.h"
#include "HistoryItem.h"
#include "HistoryStore.h"
#include "JsonArrayFile.h"
#include "MainWindow.h"
#include "SettingsStore.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QJsonArray>
#include <QProcess>
#include <QTemporaryDir>
#include <QTimer>

#include <qcorotask.h>

#include <algorithm>
#include <cstdio>

namespace {

constexpr int starts = 5;

void prepareData()
{
    BenchData::writeHistory(10'000);
    HistoryStore history;
    DownloadManager queue(&history);
    for (int i = 0; i < 1'000; ++i)
        queue.enqueue(BenchData::sampleOptions(10'000 + i));
    QCoreApplication::processEvents(); // the coalesced queue save
}

qint64 residentKiB(const char* field)
{
    QFile status(QStringLiteral("/proc/self/status"));
    if (!status.open(QIODevice::ReadOnly))
        return -1;
    for (const QByteArray& line : status.readAll().split('\n')) {
        if (line.startsWith(field))
            return line.mid(qstrlen(field)).trimmed().split(' ').first().toLongLong();
    }
    return -1;
}

// Reports once the window's first frame has been painted.
class FirstPaint : public QObject {
public:
    explicit FirstPaint(QString stages)
        : m_stages(std::move(stages))
    {
    }

    bool eventFilter(QObject* watched, QEvent* event) override
    {
        if (event->type() == QEvent::Paint && !m_seen) {
            m_seen = true;
            // After this paint event is done, not before it.
            QTimer::singleShot(0, [this] {
                std::printf("painted %lld %lld %s\n", residentKiB("VmRSS:"), residentKiB("VmHWM:"),
                    qPrintable(m_stages));
                std::fflush(stdout);
                QCoreApplication::exit(0);
            });
        }
        return QObject::eventFilter(watched, event);
    }

private:
    QString m_stages;
    bool m_seen = false;
};

// The measured process: what the klipwell executable does up to its window.
int startOnce(int argc, char** argv)
{
    QElapsedTimer clock;
    clock.start();
    QApplication app(argc, argv);
    QApplication::setOrganizationName(QStringLiteral("Klipwell"));
    QApplication::setApplicationName(QStringLiteral("Klipwell"));
    const qint64 application = clock.elapsed();
    ClipboardPasteboard pasteboard;
    AppState::usePasteboard(&pasteboard);
    AppState& state = AppState::shared();
    const qint64 data = clock.elapsed();
    MainWindow window(&state);
    const qint64 widgets = clock.elapsed();
    FirstPaint firstPaint(QStringLiteral("application:%1,data:%2,widgets:%3")
                              .arg(application)
                              .arg(data - application)
                              .arg(widgets - data));
    window.installEventFilter(&firstPaint);
    window.show();
    return QApplication::exec();
}

// Starts the window afresh a few times and prints each start's figures.
void measureStarts(const char* what)
{
    QList<qint64> times;
    for (int i = 0; i < starts; ++i) {
        QProcess child;
        child.setProcessChannelMode(QProcess::ForwardedErrorChannel);
        QElapsedTimer timer;
        timer.start();
        child.start(QCoreApplication::applicationFilePath(), { QStringLiteral("--start") });
        if (!child.waitForReadyRead(60'000)) {
            std::printf("start %d: no first frame\n", i + 1);
            return;
        }
        const qint64 ms = timer.elapsed();
        const QList<QByteArray> figures = child.readLine().trimmed().split(' ');
        child.waitForFinished(60'000);
        times << ms;
        std::printf("start %d: first frame after %lld ms (in ms: %s), resident %.1f MB (peak %.1f MB)\n", i + 1,
            ms, figures.value(3).constData(), figures.value(1).toDouble() / 1024, figures.value(2).toDouble() / 1024);
    }
    std::sort(times.begin(), times.end());
    std::printf("%s, 10,000 history entries and 1,000 queued tasks: first painted frame after "
                "median %lld ms (platform %s)\n",
        what, times[starts / 2], qgetenv("QT_QPA_PLATFORM").isEmpty() ? "xcb" : qgetenv("QT_QPA_PLATFORM").constData());
}

} // namespace

int main(int argc, char** argv)
{
    if (argc > 1 && qstrcmp(argv[1], "--start") == 0)
        return startOnce(argc, argv);

    QTemporaryDir home;
    for (const char* variable : { "HOME", "XDG_DATA_HOME", "XDG_CONFIG_HOME", "XDG_CACHE_HOME" })
        qputenv(variable, home.filePath(QString::fromLatin1(variable)).toUtf8());
    qputenv("KLIPWELL_TESTING", "1");
    // No tools and an unreachable mirror: the set-up fails fast and offline.
    qputenv("KLIPWELL_TOOL_MIRROR", "http://127.0.0.1:9");
    if (qEnvironmentVariableIsEmpty("DISPLAY") && qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QCoreApplication app(argc, argv);
    QCoreApplication::setOrganizationName(QStringLiteral("Klipwell"));
    QCoreApplication::setApplicationName(QStringLiteral("Klipwell"));
    SettingsStore::registerDefaults();
    SettingsStore::set(QStringLiteral("autoUpdateTools"), false);
    prepareData();

    measureStarts("cold start, no tools yet (the set-up screen)");

    // Tools a previous start checked: the next one opens the Download screen.
    if (const QString error = FakeTools::install(); !error.isEmpty()) {
        std::printf("stand-in tools not installed: %s\n", qPrintable(error));
        return 1;
    }
    {
        FakePasteboard pasteboard;
        AppState first(&pasteboard);
        first.downloads()->setStarted(false);
        QCoro::waitFor(first.deps()->bootstrap());
        QElapsedTimer check;
        check.start();
        QCoro::waitFor(first.deps()->bootstrap());
        std::printf("start-up check with the tools in place (stand-ins): %lld ms\n", check.elapsed());
        if (first.deps()->phase() != Phase::ready) {
            std::printf("the stand-in tools did not pass the check\n");
            return 1;
        }
    }
    measureStarts("warm start, tools checked before (the Download screen)");
    return 0;
}