// Puts every screen of Klipwell into its typical states and saves a picture of
// each, light and dark, into the folder given as the only argument. Runs over
// fresh data in its home: start it through scripts/screenshots (Xvfb).
#include "Confirmation.h"
#include "GuiFixture.h"
#include "HistoryStore.h"
#include "HistoryView.h"
#include "LogManager.h"
#include "LogView.h"
#include "QueueView.h"
#include "SettingsWindow.h"
#include "TestHttpServer.h"
#include "ToolMirror.h"
#include "TrayIcon.h"

#include <QApplication>
#include <QDir>
#include <QJsonArray>
#include <QJsonObject>
#include <QMessageBox>
#include <QPainter>
#include <QStyle>
#include <QStyleFactory>
#include <QTabWidget>
#include <QTextStream>

using namespace Qt::StringLiterals;

namespace {

template <typename Condition> void waitFor(Condition condition)
{
    if (!QTest::qWaitFor(condition, 60000))
        QTextStream(stderr) << "a screen did not reach the state to be shot" << Qt::endl;
}

QString outputDir;
QString suffix; // "-dark" for the dark palette

// Saves a picture of the widget as NAME.png, or NAME-dark.png.
void save(QWidget* widget, const char* name)
{
    // Layouts settle over several rounds of posted events: earlier, rows look squeezed.
    QTest::qWait(200);
    const QString path = outputDir + QLatin1Char('/') + QLatin1String(name) + suffix + u".png"_s;
    QTextStream(stdout) << (widget->grab().save(path) ? "saved " : "could not save ") << path << Qt::endl;
}

// The style's own light palette, or a dark one like a desktop's dark mode.
void applyPalette(bool dark)
{
    QApplication::setStyle(QStyleFactory::create(u"Fusion"_s));
    if (!dark) {
        QApplication::setPalette(QApplication::style()->standardPalette());
        return;
    }
    // Fields a little lighter than the window, as dark desktops draw them, so
    // the style's dark outlines of check boxes and fields stay visible.
    const QRgb window = 0x2b2b2e, base = 0x38383c, text = 0xe8e8ea;
    const std::pair<QPalette::ColorRole, QRgb> colors[] { { QPalette::Window, window },
        { QPalette::WindowText, text }, { QPalette::Base, base }, { QPalette::AlternateBase, window },
        { QPalette::ToolTipBase, base }, { QPalette::ToolTipText, text }, { QPalette::Text, text },
        { QPalette::PlaceholderText, 0x8c8c90 }, { QPalette::Button, 0x3a3a3e }, { QPalette::ButtonText, text },
        { QPalette::BrightText, 0xffffff }, { QPalette::Highlight, 0x3d8bfd }, { QPalette::HighlightedText, 0xffffff },
        { QPalette::Link, 0x6ca8ff }, { QPalette::Light, 0x4a4a4e }, { QPalette::Midlight, 0x404044 },
        { QPalette::Mid, 0x333336 }, { QPalette::Dark, 0x18181a }, { QPalette::Shadow, 0x000000 } };
    QPalette palette;
    for (const auto& [role, color] : colors)
        palette.setColor(role, QColor(color));
    for (const auto role : { QPalette::WindowText, QPalette::Text, QPalette::ButtonText })
        palette.setColor(QPalette::Disabled, role, QColor(0x7a7a7e));
    QApplication::setPalette(palette);
}

void shootSetup()
{
    TestHttpServer server;
    qputenv("KLIPWELL_TOOL_MIRROR", server.origin().toUtf8());
    server.serveData(ToolMirror::path(Tool::ytdlp), QByteArray(4'000'000, 'x'));
    server.setBytesPerSecond(400'000);
    {
        GuiFixture gui(false, false);
        waitFor([&] { return gui.state().deps()->state(Tool::ytdlp).progress > 0.35; });
        save(&gui.window(), "setup-installing");
    }
    server.setBytesPerSecond(0);
    server.serveStatus(ToolMirror::path(Tool::ytdlp), 404);
    GuiFixture gui(false, false);
    waitFor([&] { return gui.state().deps()->phase() == Phase::failed && !gui.state().deps()->busy(); });
    save(&gui.window(), "setup-failed");
    qunsetenv("KLIPWELL_TOOL_MIRROR");
}

// A landscape picture for the sample video: dusk sky, hills, a sun.
QByteArray thumbnailPng()
{
    QImage image(640, 360, QImage::Format_RGB32);
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);
    QLinearGradient sky(0, 0, 0, 360);
    sky.setColorAt(0, QColor(0x1d, 0x2b, 0x64));
    sky.setColorAt(0.7, QColor(0xf8, 0xa1, 0x70));
    p.fillRect(image.rect(), sky);
    p.setBrush(QColor(0xff, 0xe0, 0x8a));
    p.setPen(Qt::NoPen);
    p.drawEllipse(QPointF(430, 230), 46, 46);
    p.setBrush(QColor(0x23, 0x3d, 0x2c));
    QPolygonF hills { { 0, 360 }, { 0, 250 }, { 160, 190 }, { 320, 260 }, { 480, 215 }, { 640, 270 },
        { 640, 360 } };
    p.drawPolygon(hills);
    p.end();
    return pngBytes(image);
}

QJsonObject format(const QString& id, const QString& ext, int height, const QString& vcodec,
    const QString& acodec, double tbr, qint64 size)
{
    QJsonObject format { { "format_id", id }, { "ext", ext }, { "vcodec", vcodec }, { "acodec", acodec },
        { "tbr", tbr }, { "filesize", size } };
    if (height > 0)
        format.insert("height", height);
    return format;
}

QJsonObject sampleVideo(const QString& thumbnail)
{
    QJsonObject document = FakeTools::videoDocument(
        u"aurora"_s, u"Northern Lights over Tromsø — a 4K time-lapse of the longest night"_s);
    document.insert("uploader", "Arctic Skies");
    document.insert("duration", 754);
    document.insert("thumbnail", thumbnail);
    document.insert("formats",
        QJsonArray { format("139", "m4a", 0, "none", "mp4a.40.5", 48.8, 4'600'000),
            format("140", "m4a", 0, "none", "mp4a.40.2", 129.5, 12'200'000),
            format("251", "webm", 0, "none", "opus", 135.2, 12'700'000),
            format("18", "mp4", 360, "avc1.42001E", "mp4a.40.2", 620, 58'000'000),
            format("136", "mp4", 720, "avc1.4d401f", "none", 1490, 140'000'000),
            format("137", "mp4", 1080, "avc1.640028", "none", 4400, 415'000'000),
            format("313", "webm", 2160, "vp9", "none", 17600, 1'650'000'000) });
    QJsonObject subtitles;
    for (const char* lang : { "en", "de", "fr", "no", "sv", "fi", "ja" })
        subtitles.insert(QLatin1String(lang), QJsonArray { QJsonObject { { "ext", "vtt" } } });
    document.insert("subtitles", subtitles);
    return document;
}

QJsonObject samplePlaylist()
{
    QJsonObject document = FakeTools::playlistDocument(u"Field recordings — autumn 2026"_s, 24);
    QJsonArray entries = document.value("entries").toArray();
    const QStringList names { "Rain on the tin roof", "Harbour at dawn", "Crows over the stubble field",
        "Night train to Bergen", "Wind in the aspens", "Market square, Saturday" };
    for (int i = 0; i < entries.size(); ++i) {
        QJsonObject entry = entries[i].toObject();
        entry.insert("title", QString(names[i % names.size()] + u" (take %1)"_s.arg(i / names.size() + 1)));
        entry.insert("duration", 95 + 37 * i);
        entries[i] = entry;
    }
    document.insert("entries", entries);
    document.insert("uploader", "Quiet Places");
    return document;
}

void shootDownload()
{
    TestHttpServer server;
    server.serveData(u"/aurora.png"_s, thumbnailPng(), "image/png");
    const QString video = u"https://videos.example/watch/aurora"_s;
    const QString playlist = u"https://videos.example/playlist/field-recordings"_s;
    const QString slow = u"https://videos.example/watch/slow"_s;
    GuiFixture gui;
    FakeTools::setInfo(video, sampleVideo(server.origin() + u"/aurora.png"_s));
    FakeTools::setInfo(playlist, samplePlaylist());
    FakeTools::setInfo(slow, FakeTools::videoDocument(u"slow"_s, u"Slow"_s), 60);
    save(&gui.window(), "download-idle");
    auto* field = gui.find<QLineEdit>(u"Paste a video or playlist link"_s);
    field->setFocus();
    QTest::keyClicks(field, slow);
    waitFor([&] { return std::holds_alternative<FetchStates::Loading>(gui.state().fetchState()); });
    save(&gui.window(), "download-loading");
    gui.state().setUrlText(u"not a link at all"_s);
    gui.state().fetch();
    save(&gui.window(), "download-failed");
    gui.state().setUrlText(video);
    waitFor([&] { return std::holds_alternative<FetchStates::Loaded>(gui.state().fetchState()); });
    QTest::qWait(300); // the thumbnail arrives from the local server
    save(&gui.window(), "download-loaded");
    gui.state().setPreset(Preset::custom);
    gui.state().setVideoFormatID(u"137"_s);
    gui.state().setAudioFormatID(u"140"_s);
    save(&gui.window(), "download-advanced");
    gui.state().setPreset(Preset::best);
    gui.state().setUrlText(playlist);
    waitFor([&] { return gui.state().info() && gui.state().info()->isPlaylist; });
    gui.state().setSelectedItems({ 1, 2, 3, 5, 8, 13 });
    save(&gui.window(), "download-playlist");
}

// The diagnostics screen, the settings tabs, then the tray menu while one download runs.
void shootDiagnosticsSettingsAndTray()
{
    GuiFixture gui;
    gui.state().setSelection(SidebarItem::diagnostics);
    DependencyManager* deps = gui.state().deps();
    waitFor([&] { return !deps->diagnostics().isEmpty() && !deps->runningDiagnostics(); });
    save(&gui.window(), "diagnostics");
    SettingsWindow settings(&gui.state());
    settings.show();
    const char* names[] { "settings-general", "settings-formats", "settings-network", "settings-tools" };
    for (int tab = 0; tab < 4; ++tab) {
        settings.tabs()->setCurrentIndex(tab);
        save(&settings, names[tab]);
    }
    settings.close();
    gui.startLongDownload();
    TrayIcon tray(gui.state().downloads());
    tray.menu()->popup(QPoint(40, 40));
    save(tray.menu(), "tray-menu");
    tray.menu()->hide();
    gui.state().downloads()->pauseAll();
}

void shootQueue()
{
    GuiFixture gui;
    auto* view = gui.show<QueueView>(SidebarItem::queue);
    save(&gui.window(), "queue-empty");
    // One task in every status, and a playlist in the middle of its fourth item.
    using namespace ProgressEvents;
    DownloadManager* downloads = gui.state().downloads();
    downloads->setStarted(false);
    downloads->enqueue(namedOptions(u"Harbour at dawn"_s, u"harbour"_s));
    DownloadTask* running
        = downloads->enqueue(namedOptions(u"Northern Lights over Tromsø — a 4K time-lapse"_s, u"aurora"_s));
    running->apply(Progress { 512'400'000, 1'650'000'000, 8'750'000, 130, u"aurora.f313.webm"_s });
    DownloadOptions list = namedOptions(u"Field recordings — autumn 2026"_s, u"fields"_s);
    list.isPlaylist = true;
    DownloadTask* playlist = downloads->enqueue(list);
    playlist->apply(Item { 4, 24, u"Night train to Bergen"_s });
    playlist->apply(Progress { 3'100'000, 7'400'000, 1'200'000, 4, u"04 Night train.m4a"_s });
    DownloadTask* processing = downloads->enqueue(namedOptions(u"Wind in the aspens"_s, u"wind"_s));
    processing->setStatus(TaskStatus::processing);
    processing->setProgress(0.99);
    processing->setStage(u"Merging formats"_s);
    DownloadTask* paused = downloads->enqueue(namedOptions(u"Market square, Saturday"_s, u"market"_s));
    paused->apply(Progress { 427, 1000, std::nullopt, std::nullopt, QString() });
    paused->setStatus(TaskStatus::paused);
    DownloadTask* done = downloads->enqueue(namedOptions(u"Rain on the tin roof"_s, u"rain"_s));
    done->apply(FinalFile { QDir::homePath() + u"/Downloads/Rain on the tin roof [rain].mp4"_s });
    done->setFinalSize(48'300'000);
    done->setStatus(TaskStatus::completed);
    DownloadTask* failed = downloads->enqueue(namedOptions(u"Crows over the stubble field"_s, u"crows"_s));
    failed->setError(u"This video is private. Sign in with the browser cookies setting and try again."_s);
    failed->setStatus(TaskStatus::failed);
    downloads->enqueue(namedOptions(u"Lighthouse keeper’s diary"_s, u"lighthouse"_s))->setStatus(TaskStatus::cancelled);
    save(&gui.window(), "queue");
    for (const char* line :
        { "Starting: yt-dlp --newline --progress-template … -- https://videos.example/watch/aurora",
            "[generic] aurora: Downloading webpage", "[info] aurora: Downloading 1 format(s): 313+251",
            "[download] Destination: aurora.f313.webm",
            "KWPROG|512400000|1650000000|8750000|130|aurora.f313.webm" })
        LogManager::shared().append(QString::fromUtf8(line), LogManager::shared().taskLogPath(running->id()));
    view->showLog(running->id());
    waitFor([&] { return !view->logView()->text().isEmpty(); });
    save(view->logView(), "queue-log");
    view->logView()->close();
}

void shootHistory()
{
    GuiFixture gui;
    auto* view = gui.show<HistoryView>(SidebarItem::history);
    save(&gui.window(), "history-empty");
    HistoryStore* history = gui.state().history();
    const auto add = [&](const QString& title, const QString& slug, TaskStatus status, qint64 size,
                         const QString& error = QString()) {
        DownloadTask task(namedOptions(title, slug));
        if (status == TaskStatus::completed)
            task.apply(ProgressEvents::FinalFile { QDir::homePath() + u"/Downloads/"_s + title + u".mp4"_s });
        if (size > 0)
            task.setFinalSize(size);
        if (!error.isEmpty())
            task.setError(error);
        task.setStatus(status);
        history->record(&task);
    };
    add(u"Lighthouse keeper’s diary"_s, u"lighthouse"_s, TaskStatus::cancelled, 0);
    add(u"Crows over the stubble field"_s, u"crows"_s, TaskStatus::failed, 0,
        u"This video is private. Sign in with the browser cookies setting and try again."_s);
    add(u"Aurora borealis, second night"_s, u"aurora-2"_s, TaskStatus::completed, 812'000'000);
    add(u"Rain on the tin roof"_s, u"rain"_s, TaskStatus::completed, 48'300'000);
    add(u"Northern Lights over Tromsø — a 4K time-lapse"_s, u"aurora"_s, TaskStatus::completed,
        1'650'000'000);
    save(&gui.window(), "history");
    auto* search = gui.find<QLineEdit>(u"Search history"_s);
    search->setFocus();
    QTest::keyClicks(search, u"aurora"_s);
    save(&gui.window(), "history-search");
    Confirmation::replaceForTesting([&](QMessageBox& box) {
        box.show();
        save(&box, "history-clear");
        return false;
    });
    view->clearHistory();
    Confirmation::replaceForTesting({});
}

} // namespace

int main(int argc, char* argv[])
{
    QApplication app(argc, argv);
    QApplication::setOrganizationName(u"Klipwell"_s);
    QApplication::setApplicationName(u"Klipwell"_s);
    if (argc != 2) {
        QTextStream(stderr) << "usage: screenshots OUTPUT-FOLDER" << Qt::endl;
        return 2;
    }
    outputDir = QDir(QString::fromLocal8Bit(argv[1])).absolutePath();
    QDir().mkpath(outputDir);
    for (const bool dark : { false, true }) {
        applyPalette(dark);
        suffix = dark ? u"-dark"_s : QString();
        for (const auto shoot : { shootSetup, shootDownload, shootDiagnosticsSettingsAndTray, shootQueue, shootHistory })
            shoot();
    }
    return 0;
}
