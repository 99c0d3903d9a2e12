// A 10,000-entry playlist on the Download screen: from the parsed media
// information to the painted list, and how long the window's thread is busy
// per step while the list scrolls from top to bottom.
#include "AppState.h"
#include "FakeTools.h"
#include "GuiFixture.h"
#include "MainWindow.h"

#include <QAbstractItemView>
#include <QApplication>
#include <QElapsedTimer>
#include <QJsonArray>
#include <QJsonObject>
#include <QScrollBar>
#include <QTemporaryDir>
#include <QTest>
#include <QTreeView>

#include <cstdio>

namespace {

constexpr int entries = 10'000;

// Times from the moment the information arrives to the list's next paint.
class PaintClock : public QObject {
public:
    QElapsedTimer clock;
    qint64 paintedAfterMs = -1;

    bool eventFilter(QObject* watched, QEvent* event) override
    {
        if (event->type() == QEvent::Paint && clock.isValid() && paintedAfterMs < 0) {
            const bool result = QObject::eventFilter(watched, event);
            paintedAfterMs = clock.elapsed();
            return result;
        }
        return QObject::eventFilter(watched, event);
    }
};

} // namespace

int main(int argc, char** argv)
{
    QTemporaryDir home;
    for (const char* variable : { "HOME", "XDG_DATA_HOME", "XDG_CONFIG_HOME", "XDG_CACHE_HOME" })
        qputenv(variable, home.filePath(QString::fromLatin1(variable)).toUtf8());
    qputenv("KLIPWELL_TESTING", "1");
    if (qEnvironmentVariableIsEmpty("DISPLAY") && qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);

    GuiFixture gui;
    const QString link = QStringLiteral("https://example.com/playlist?list=long");
    QJsonObject document = FakeTools::playlistDocument(QStringLiteral("Long"), entries);
    FakeTools::setInfo(link, document);
    auto* list = gui.find<QTreeView>(QStringLiteral("Playlist items"));
    PaintClock paints;
    list->viewport()->installEventFilter(&paints);
    QObject::connect(&gui.state(), &AppState::infoChanged, &paints, [&] { paints.clock.start(); });
    gui.state().setUrlText(link);
    if (!QTest::qWaitFor([&] { return paints.paintedAfterMs >= 0; }, 120'000)) {
        std::printf("the playlist never painted\n");
        return 1;
    }
    std::printf("%d-entry playlist: painted %lld ms after the parsed information arrived\n", entries,
        paints.paintedAfterMs);

    // Scroll top to bottom in wheel-sized steps, painting each one at once.
    QScrollBar* bar = list->verticalScrollBar();
    const int step = qMax(1, bar->singleStep() * 3);
    qint64 worstNs = 0;
    int worstStep = 0;
    qint64 totalNs = 0;
    int steps = 0;
    QElapsedTimer timer;
    for (int value = 0; value <= bar->maximum(); value += step, ++steps) {
        timer.start();
        bar->setValue(value);
        list->viewport()->repaint();
        QApplication::processEvents();
        const qint64 ns = timer.nsecsElapsed();
        if (ns > worstNs) {
            worstNs = ns;
            worstStep = steps;
        }
        totalNs += ns;
    }
    std::printf("scrolling %d steps of %d rows' height: longest step %.2f ms (step %d), mean %.3f ms\n", steps,
        step, worstNs / 1e6, worstStep + 1, totalNs / 1e6 / qMax(1, steps));
    return 0;
}
