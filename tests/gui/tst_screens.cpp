// The Download, Queue, History and Settings screens of one window, as a user
// drives them, and the tool actions after a failed set-up (local mirror).
#include "ComponentRow.h"
#include "Confirmation.h"
#include "DownloadView.h"
#include "GuiFixture.h"
#include "HistoryStore.h"
#include "HistoryView.h"
#include "LogManager.h"
#include "LogView.h"
#include "Placeholder.h"
#include "QueueView.h"
#include "SettingsStore.h"
#include "SettingsWindow.h"
#include "SetupView.h"
#include "TaskListModel.h"
#include "TaskRow.h"
#include "TaskRowDelegate.h"
#include "TestHttpServer.h"
#include "TestSupport.h"
#include "ThumbnailLoader.h"
#include "ToolMirror.h"

#include <QAbstractButton>
#include <QAbstractItemModelTester>
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QContextMenuEvent>
#include <QElapsedTimer>
#include <QFile>
#include <QImage>
#include <QJsonArray>
#include <QJsonObject>
#include <QListView>
#include <QMessageBox>
#include <QProgressBar>
#include <QSignalSpy>
#include <QSpinBox>
#include <QTabWidget>
#include <QTreeView>

namespace {

using Progress = ProgressEvents::Progress;
using Events = QList<ProgressEvent>;

const QString field = QStringLiteral("Paste a video or playlist link");

QJsonObject videoWithHeights(const QList<int>& heights)
{
    QJsonObject document = FakeTools::videoDocument(QStringLiteral("v"), QStringLiteral("Video"));
    QJsonArray formats;
    for (int height : heights)
        formats.append(QJsonObject { { "format_id", QString::number(height) }, { "ext", "mp4" }, { "height", height },
            { "vcodec", "avc1" }, { "acodec", "none" } });
    formats.append(QJsonObject { { "format_id", "140" }, { "ext", "m4a" }, { "vcodec", "none" }, { "acodec", "mp4a" } });
    document.insert("formats", formats);
    return document;
}

// Picks the entry with this value the way a click in the list does.
void choose(QComboBox* picker, const QString& value)
{
    const int index = picker->findData(value);
    QVERIFY2(index >= 0, qPrintable(value));
    picker->setCurrentIndex(index);
    emit picker->activated(index);
}

// What a control shows, as text.
QString shownValue(QWidget* control)
{
    if (auto* box = qobject_cast<QCheckBox*>(control))
        return box->isChecked() ? QStringLiteral("on") : QStringLiteral("off");
    if (auto* field = qobject_cast<QLineEdit*>(control))
        return field->text();
    if (auto* stepper = qobject_cast<QSpinBox*>(control))
        return QString::number(stepper->value());
    if (auto* picker = qobject_cast<QComboBox*>(control))
        return picker->currentText();
    return QStringLiteral("?");
}

// Changes a control the way a user would: a click, one key, one step, a choice.
void edit(QWidget* control, const QString& choice)
{
    if (auto* box = qobject_cast<QCheckBox*>(control))
        QTest::mouseClick(box, Qt::LeftButton, {}, QPoint(4, box->height() / 2));
    else if (auto* field = qobject_cast<QLineEdit*>(control))
        QTest::keyClick(field, Qt::Key_X);
    else if (auto* stepper = qobject_cast<QSpinBox*>(control))
        QTest::keyClick(stepper, Qt::Key_Up);
    else if (auto* picker = qobject_cast<QComboBox*>(control))
        picker->setCurrentIndex(picker->findText(choice));
}

} // namespace

class TestScreens : public QObject {
    Q_OBJECT

    TestHttpServer m_server;
    std::unique_ptr<GuiFixture> gui;
    DownloadManager* downloads = nullptr;
    HistoryStore* history = nullptr;

    // Loads a document through the stand-in yt-dlp as if the user had typed its link.
    void load(const QJsonObject& document, const QString& url = QStringLiteral("https://example.com/v"))
    {
        FakeTools::setInfo(url, document);
        gui->state().setUrlText(url);
        QTest::keyClick(gui->find<QLineEdit>(field), Qt::Key_Return);
        QTRY_VERIFY_WITH_TIMEOUT(gui->state().info().has_value(), 20000);
    }

    // A finished download with a log, recorded as its run would record it.
    QUuid record(const QString& title, TaskStatus status, const QString& file = {}, const QString& path = {})
    {
        DownloadTask task(namedOptions(title, path));
        if (!file.isEmpty())
            task.apply(ProgressEvents::FinalFile { file });
        task.setStatus(status);
        LogManager::shared().append(QStringLiteral("run of ") + title, LogManager::shared().taskLogPath(task.id()));
        history->record(&task);
        return task.id();
    }

    bool hasLog(const QUuid& id) { return LogManager::shared().read(id) != QStringLiteral("No log yet."); }

    QStringList shownTitles() const
    {
        const QAbstractItemModel* model = historyView()->list()->model();
        QStringList shown;
        for (int row = 0; row < model->rowCount(); ++row)
            shown << model->index(row, 0).data().toString();
        return shown;
    }

    QueueView* queueView() const { return gui->show<QueueView>(SidebarItem::queue); }
    HistoryView* historyView() const { return gui->show<HistoryView>(SidebarItem::history); }

private slots:
    void initTestCase()
    {
        qputenv("KLIPWELL_TOOL_MIRROR", m_server.origin().toUtf8());
        gui = std::make_unique<GuiFixture>();
        downloads = gui->state().downloads();
        downloads->setStarted(false);
        history = gui->state().history();
    }

    void init()
    {
        gui->state().setSelection(SidebarItem::download);
        gui->state().setUrlText(QString());
        gui->state().info_reset();
        gui->state().setPreset(Preset::best);
        for (DownloadTask* task : downloads->tasks())
            downloads->remove(task);
        history->clear();
        gui->find<QLineEdit>(QStringLiteral("Search history"))->clear();
        Confirmation::replaceForTesting({});
        GuiFixture::resetSettings();
    }

    void cleanupTestCase() { gui.reset(); }

    // Every query comes at least the delay after the key before it (a long gap
    // on a loaded machine may rightly query); Download waits for the answer.
    void queriesWaitForAPauseInTypingAndDownloadForTheAnswer()
    {
        const QString url = QStringLiteral("https://example.com/watch?v=typed");
        FakeTools::setInfo(url, FakeTools::videoDocument(QStringLiteral("typed"), QStringLiteral("Typed")), 1);
        auto* download = gui->find<QPushButton>(QStringLiteral("Download"));
        QVERIFY(!download->isEnabled());
        QElapsedTimer clock;
        clock.start();
        qint64 lastKey = 0;
        QList<qint64> quietBeforeQuery;
        QMetaObject::Connection watch = connect(&gui->state(), &AppState::fetchStateChanged, this, [&] {
            if (std::holds_alternative<FetchStates::Loading>(gui->state().fetchState()))
                quietBeforeQuery << clock.elapsed() - lastKey;
        });
        for (const QChar c : url) {
            QTest::keyClick(gui->find<QLineEdit>(field), c.toLatin1(), Qt::NoModifier, 20);
            lastKey = clock.elapsed();
        }
        QTRY_VERIFY(std::holds_alternative<FetchStates::Loading>(gui->state().fetchState()) && !download->isEnabled());
        QTRY_VERIFY_WITH_TIMEOUT(gui->state().info().has_value(), 20000);
        disconnect(watch);
        QVERIFY(download->isEnabled());
        QVERIFY(!quietBeforeQuery.isEmpty());
        for (qint64 quiet : quietBeforeQuery)
            QVERIFY2(quiet >= 400, qPrintable(QString::number(quiet)));
        QCOMPARE(FakeTools::runs().last(), QStringLiteral("info ") + url);
        QTest::keyClick(gui->find<QLineEdit>(field), Qt::Key_Return, Qt::ControlModifier);
        QTRY_COMPARE(downloads->tasks().size(), 1);
    }

    // The quality buttons and format lists, through Add to Queue, into the
    // queued options; every choice but Advanced is the next default.
    void choicesReachTheQueuedOptions_data()
    {
        QTest::addColumn<QList<int>>("heights");
        QTest::addColumn<QString>("preset");
        QTest::addColumn<QString>("video"); // "": not chosen
        QTest::addColumn<QString>("audio");
        QTest::addColumn<QString>("hint");
        QTest::addColumn<QString>("selector");
        QTest::addColumn<bool>("audioOnly");
        const QString capped = "bv*[height<=720]+ba/b[height<=720]/bv*+ba/b";
        QTest::newRow("720p, 480p media") << QList<int> { 240, 480 } << "720p" << "" << "" << "Highest available is 480p — that’s what you’ll get." << capped << false;
        QTest::newRow("720p, no heights") << QList<int> {} << "720p" << "" << "" << "Best quality up to 720p, merged by FFmpeg." << capped << false;
        QTest::newRow("Audio Only") << QList<int> { 720 } << "Audio Only" << "" << "" << "" << "ba/b" << true;
        QTest::newRow("Advanced, video and audio") << QList<int> { 720, 1080 } << "Advanced Formats" << "1080" << "140" << "" << "1080+140" << false;
        QTest::newRow("Advanced, no audio") << QList<int> { 720, 1080 } << "Advanced Formats" << "720" << "none" << "" << "720" << false;
        QTest::newRow("Advanced, audio only") << QList<int> { 720 } << "Advanced Formats" << "auto" << "140" << "" << "140" << true;
    }

    void choicesReachTheQueuedOptions()
    {
        QFETCH(QString, preset);
        QFETCH(QString, video);
        QFETCH(QString, audio);
        QFETCH(QString, hint);
        QFETCH(QList<int>, heights);
        load(videoWithHeights(heights));
        const std::optional<QString> remembered = SettingsStore::string(QStringLiteral("defaultPreset"));
        gui->find<QAbstractButton>(preset)->click();
        if (!video.isEmpty()) {
            choose(gui->find<QComboBox>(QStringLiteral("Video")), video);
            choose(gui->find<QComboBox>(QStringLiteral("Audio")), audio);
        }
        if (!hint.isEmpty())
            QCOMPARE(visibleText(&gui->window(), hint.left(8)), hint);
        QCOMPARE(SettingsStore::string(QStringLiteral("defaultPreset")), video.isEmpty() ? preset : remembered);
        gui->find<QPushButton>(QStringLiteral("Add to Queue"))->click();
        QCOMPARE(downloads->tasks().size(), 1);
        const DownloadOptions queued = downloads->tasks().first()->options();
        QTEST(queued.formatSelector.value_or(QString()), "selector");
        QTEST(queued.audioOnly, "audioOnly");
        QCOMPARE(queued.presetName, preset == "Advanced Formats" ? QStringLiteral("Advanced") : preset);
    }

    void playlistItemsAreChosenInTheList()
    {
        auto* list = gui->find<QTreeView>(QStringLiteral("Playlist items"));
        QAbstractItemModelTester tester(list->model());
        load(FakeTools::playlistDocument(QStringLiteral("List"), 5), QStringLiteral("https://example.com/playlist?list=1"));
        auto* action = gui->find<QPushButton>(QStringLiteral("Download 5 Items"));
        QVERIFY(action);
        gui->find<QAbstractButton>(QStringLiteral("None"))->click();
        QCOMPARE(gui->state().selectedItems(), QSet<int> {});
        gui->find<QAbstractButton>(QStringLiteral("Select All"))->click();
        QCOMPARE(gui->state().selectedItems().size(), 5);
        // Coming back to the screen keeps the choices: the link is not queried again.
        gui->find<QAbstractButton>(QStringLiteral("None"))->click();
        QSignalSpy fetches(&gui->state(), &AppState::fetchStateChanged);
        gui->state().setSelection(SidebarItem::queue);
        gui->state().setSelection(SidebarItem::download);
        QVERIFY(!fetches.wait(DownloadView::queryDelayMs * 3));
        QCOMPARE(gui->state().selectedItems(), QSet<int> {});
        list->setCurrentIndex(list->model()->index(2, 1));
        QTest::keyClick(list, Qt::Key_Space); // ticks the row wherever its focus is
        QTest::keyClick(list, Qt::Key_Down);
        QTest::keyClick(list, Qt::Key_Space);
        QCOMPARE(gui->state().selectedItems(), (QSet<int> { 3, 4 }));
        QCOMPARE(action->text(), QStringLiteral("Download 2 Items"));
        action->click();
        QCOMPARE(downloads->tasks().size(), 1);
        QCOMPARE(downloads->tasks().first()->options().playlistItems, std::optional<QString>("3-4"));
        QCOMPARE(gui->find<QLineEdit>(field)->text(), QString());
    }

    void thumbnailLoaderKeepsOnlyGoodLatestPictures_data()
    {
        QTest::addColumn<QString>("path");
        QTest::addColumn<bool>("shown");
        QTest::newRow("picture") << "/ok.png" << true;
        QTest::newRow("not an image") << "/broken.png" << false;
        QTest::newRow("missing") << "/missing.png" << false;
        QTest::newRow("over 10 MB") << "/huge.png" << false;
        QTest::newRow("not http") << "file:///etc/hostname" << false;
    }

    void thumbnailLoaderKeepsOnlyGoodLatestPictures()
    {
        QFETCH(QString, path);
        QFETCH(bool, shown);
        const QByteArray png = pngBytes(QImage(32, 18, QImage::Format_RGB32));
        TestHttpServer server;
        server.serveData(QStringLiteral("/ok.png"), png, "image/png");
        server.serveData(QStringLiteral("/broken.png"), "not a picture", "image/png");
        server.serveData(QStringLiteral("/huge.png"), png + QByteArray(ThumbnailLoader::maxBytes, '\0'), "image/png");
        server.serveStall(QStringLiteral("/stale.png"), 1000, 10);
        ThumbnailLoader loader;
        QSignalSpy loaded(&loader, &ThumbnailLoader::loaded);
        // A slow picture of an earlier link must never arrive after the next one.
        loader.load(QUrl(server.origin() + QStringLiteral("/stale.png")));
        loader.load(QUrl(path.startsWith('/') ? server.origin() + path : path));
        QTRY_COMPARE_WITH_TIMEOUT(loaded.size(), 1, 20000);
        QCOMPARE(!loaded.first().first().value<QImage>().isNull(), shown);
    }

    // Each status's line and row buttons; the buttons lead the menu, for the
    // keyboard and screen readers.
    void rowsByStatus_data()
    {
        QTest::addColumn<QString>("status");
        QTest::addColumn<Events>("events");
        QTest::addColumn<QString>("text"); // the stage, or once finished the error
        QTest::addColumn<qint64>("finalSize"); // 0: unknown
        QTest::addColumn<QString>("line");
        QTest::addColumn<QStringList>("buttons");
        const QStringList running { "Pause", "Cancel", "Show log", "Remove from queue" };
        const QStringList retry { "Retry", "Show log", "Remove from queue" };
        QTest::newRow("queued") << "queued" << Events {} << "" << 0LL << "Waiting…" << running;
        QTest::newRow("queued, restored") << "queued" << Events {} << "Resuming after restart" << 0LL << "Resuming after restart" << running;
        QTest::newRow("downloading, all known") << "downloading" << Events { Progress { 12'300'000, 41'000'000, 999.9, 95 } } << "" << 0LL << "30% · 12.3 MB of 41 MB · 999 bytes/s · ETA 1:35 · Downloading" << running;
        QTest::newRow("downloading, unknown total") << "downloading" << Events { Progress { 5'000'000 } } << "" << 0LL << "0% · 5 MB · Downloading" << running;
        QTest::newRow("downloading, under a byte a second") << "downloading" << Events { Progress { 0, 100, 0.4 } } << "" << 0LL << "0% · —/s · Downloading" << running;
        // 0.13 arrives as 0.13 + 1 - 1 (the first of one item), 12.999… once multiplied.
        QTest::newRow("downloading, 13 %") << "downloading" << Events { Progress { 13, 100 } } << "" << 0LL << "13% · 13 bytes of 100 bytes · Downloading" << running;
        QTest::newRow("downloading, 29 %") << "downloading" << Events { Progress { 29, 100 } } << "" << 0LL << "29% · 29 bytes of 100 bytes · Downloading" << running;
        QTest::newRow("processing, stage") << "processing" << Events {} << "Embedding thumbnail" << 0LL << "Embedding thumbnail" << running;
        QTest::newRow("paused at 42.7 %") << "paused" << Events { Progress { 427, 1000 } } << "" << 0LL << "Paused at 42% — resume continues from the partial file" << QStringList { "Resume", "Cancel", "Show log", "Remove from queue" };
        QTest::newRow("completed playlist with a warning") << "completed" << Events { ProgressEvents::Item { 10, 10, "last" }, ProgressEvents::FinalFile { "/media/Field recordings/10 last.m4a" } } << "2 of 10 items failed" << 1'250'000'000LL << "Done · 1.25 GB · 2 of 10 items failed · 10 last.m4a" << QStringList { "Show in Folder", "Show log", "Remove from queue" };
        QTest::newRow("completed without files") << "completed" << Events {} << "" << 0LL << "Done" << QStringList { "Show log", "Remove from queue" };
        QTest::newRow("failed with text") << "failed" << Events {} << "The video is private." << 0LL << "The video is private." << retry;
        QTest::newRow("cancelled") << "cancelled" << Events {} << "" << 0LL << "Cancelled" << retry;
    }

    void rowsByStatus()
    {
        QFETCH(QString, status);
        QFETCH(Events, events);
        QFETCH(QString, text);
        QFETCH(qint64, finalSize);
        QFETCH(QStringList, buttons);
        QueueView* view = queueView();
        DownloadTask* task = downloads->enqueue(namedOptions("a"));
        for (const ProgressEvent& event : events)
            task->apply(event);
        const TaskStatus wanted = *taskStatusFromRawValue(status);
        if (task->status() != wanted)
            task->setStatus(wanted);
        if (!text.isEmpty() && isFinished(wanted))
            task->setError(text);
        else if (!text.isEmpty())
            task->setStage(text);
        if (finalSize > 0)
            task->setFinalSize(finalSize);
        QTEST(TaskRow::statusLine(*task), "line");
        const QModelIndex row = view->model()->index(0, 0);
        QStringList painted;
        for (const QVariant& action : row.data(TaskListModel::ActionsRole).toList())
            painted << TaskRow::label(TaskRow::Action(action.toInt()));
        QCOMPARE(painted, buttons);
        QStringList menu = buttons;
        menu.removeAll(QStringLiteral("Show log"));
        const bool file = menu.removeAll(QStringLiteral("Show in Folder")) > 0;
        menu << "|" << "Move Up" << "Move Down" << "|" << "Show Log";
        menu << (file ? QStringList { "Show in Folder", "Copy Link" } : QStringList { "Copy Link" });
        std::unique_ptr<QMenu> shown(view->contextMenu(row));
        QCOMPARE(menuTexts(shown.get()), menu);
    }

    void rowsFollowTheManager()
    {
        QueueView* view = queueView();
        QTRY_VERIFY(view->findChild<Placeholder*>()->isVisible());
        QAbstractItemModelTester tester(view->model());
        for (const char* name : { "a", "b", "c" })
            downloads->enqueue(namedOptions(name));
        QVERIFY(view->list()->isVisible());
        DownloadTask* c = downloads->tasks().at(2);
        QListView* list = view->list();
        list->setCurrentIndex(view->model()->index(2, 0));
        std::unique_ptr<QMenu> menu(view->contextMenu(list->currentIndex()));
        triggerMenuItem(menu.get(), "Move Up");
        QCOMPARE(downloads->tasks().indexOf(c), 1);
        QCOMPARE(view->model()->task(list->currentIndex()), c); // the current row moved with its task
        // The menu key opens the current row's menu, led by the row's buttons.
        list->setFocus();
        QContextMenuEvent menuKey(QContextMenuEvent::Keyboard, list->rect().center());
        QCoreApplication::sendEvent(list, &menuKey);
        QMenu* popup = nullptr;
        QTRY_VERIFY((popup = qobject_cast<QMenu*>(QApplication::activePopupWidget())));
        QTest::keyClick(popup, Qt::Key_Down);
        QTest::keyClick(popup, Qt::Key_Return); // Pause
        QTRY_COMPARE(c->status(), TaskStatus::paused);
        // The painted trash button of the first row removes that task.
        const QRect rect = list->visualRect(view->model()->index(0, 0));
        DownloadTask* a = downloads->tasks().first();
        QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, ButtonRowDelegate::buttonRects(rect, 4).last().center());
        QTRY_VERIFY(!downloads->tasks().contains(a));
        QCOMPARE(view->model()->rowCount(), 2);
        QCOMPARE(view->model()->task(list->currentIndex()), c);
    }

    void logSheet()
    {
        QueueView* view = queueView();
        downloads->enqueue(namedOptions("a"));
        std::unique_ptr<QMenu> menu(view->contextMenu(view->model()->index(0, 0)));
        triggerMenuItem(menu.get(), "Show Log");
        LogView* sheet = view->logView();
        QTRY_VERIFY(sheet->text().contains(QStringLiteral("Queued: https://videos.example/watch/a")));
        QTest::keyClick(sheet, Qt::Key_Escape);
        QTRY_VERIFY(!view->logTask());
        // A huge log shows its end, from the start of a whole line.
        const QUuid id = QUuid::createUuid();
        QByteArray log;
        for (int n = 0; log.size() <= LogView::shownLimit + 1000; ++n)
            log += "[2026-12-07T01:00:00Z] line " + QByteArray::number(n) + '\n';
        QVERIFY(TestSupport::writeFile(LogManager::shared().taskLogPath(id), log));
        view->showLog(id);
        sheet = view->logView();
        QTRY_VERIFY(!sheet->text().isEmpty());
        QVERIFY(sheet->text().size() <= LogView::shownLimit);
        QVERIFY(sheet->text().startsWith(QStringLiteral("[2026-12-07T01:00:00Z] line ")));
        QVERIFY(log.endsWith(sheet->text().toUtf8()));
        QVERIFY(!visibleText(sheet, QStringLiteral("The log file holds more")).isEmpty());
        sheet->close();
    }

    // The search matches title or address in any case; Remove Selected
    // removes exactly the selected entries, and their logs.
    void searchAndRemoveSelected_data()
    {
        QTest::addColumn<QString>("search");
        QTest::addColumn<QStringList>("shown");
        QTest::addColumn<QList<int>>("selected");
        QTest::addColumn<QStringList>("left");
        const QStringList all { "Other", "Plain", "The ABC song" };
        QTest::newRow("empty: all, newest first") << "" << all << QList<int> {} << all;
        QTest::newRow("abc in title or address, one removed") << "abc" << QStringList { "Plain", "The ABC song" } << QList<int> { 0 } << QStringList { "The ABC song" };
        QTest::newRow("no match: empty list") << "zzz" << QStringList {} << QList<int> {} << QStringList {};
        QTest::newRow("two removed") << "" << all << QList<int> { 1, 2 } << QStringList { "Other" };
    }

    void searchAndRemoveSelected()
    {
        QFETCH(QString, search);
        QFETCH(QStringList, shown);
        QFETCH(QList<int>, selected);
        HistoryView* view = historyView();
        QAbstractItemModelTester tester(view->list()->model());
        const QMap<QString, QUuid> ids { { "The ABC song", record("The ABC song", TaskStatus::completed) },
            { "Plain", record("Plain", TaskStatus::completed, {}, "xAbCx") },
            { "Other", record("Other", TaskStatus::failed) } };
        auto* field = gui->find<QLineEdit>(QStringLiteral("Search history"));
        field->setFocus();
        QTest::keyClicks(field, search);
        QCOMPARE(shownTitles(), shown);
        QVERIFY(view->list()->isVisible()); // never the placeholder while there is history
        view->list()->clearSelection();
        for (int row : selected)
            view->list()->selectionModel()->select(view->list()->model()->index(row, 0), QItemSelectionModel::Select);
        gui->find<QPushButton>(QStringLiteral("Remove Selected"))->click();
        QTEST(shownTitles(), "left");
        for (auto it = ids.cbegin(); it != ids.cend(); ++it)
            QCOMPARE(hasLog(it.value()), !selected.contains(int(shown.indexOf(it.key()))));
    }

    void clearHistoryAsksFirstAndKeepsTheMedia()
    {
        const QString media = QDir::home().filePath(QStringLiteral("song.m4a"));
        TestSupport::writeFile(media, "audio");
        const QUuid id = record("song", TaskStatus::completed, media);
        QList<bool> answers { false, true };
        Confirmation::replaceForTesting([&](QMessageBox&) { return answers.takeFirst(); });
        auto* clear = gui->find<QPushButton>(QStringLiteral("Clear History"));
        clear->click();
        QCOMPARE(answers.size(), 1); // asked once, and cancelled
        QCOMPARE(history->items().size(), 1);
        QVERIFY(hasLog(id));
        clear->click();
        QVERIFY(history->items().isEmpty());
        QVERIFY(!hasLog(id));
        QVERIFY(QFile::exists(media));
        QTRY_VERIFY(historyView()->findChild<Placeholder*>()->isVisible());
    }

    void menuByEntry_data()
    {
        QTest::addColumn<int>("status");
        QTest::addColumn<bool>("withFile");
        QTest::addColumn<QStringList>("menu");
        const QStringList common { "Open Folder", "Copy Source URL", "Show Log" };
        const QStringList tail { "|", "Remove from History" };
        QTest::newRow("completed with a file") << int(TaskStatus::completed) << true << QStringList { "Open File", "Show in Folder" } + common + tail;
        QTest::newRow("cancelled without a file") << int(TaskStatus::cancelled) << false << common + QStringList { "Retry Download" } + tail;
    }

    void menuByEntry()
    {
        QFETCH(int, status);
        QFETCH(bool, withFile);
        const QUuid id = record("a", TaskStatus(status), withFile ? "/media/a.mp4" : QString());
        HistoryView* view = historyView();
        std::unique_ptr<QMenu> menu(view->contextMenu(view->list()->model()->index(0, 0)));
        QTEST(menuTexts(menu.get()), "menu");
        if (withFile)
            return;
        // Retry queues the stored options as a new task; the entry stays.
        const qsizetype before = downloads->tasks().size();
        triggerMenuItem(menu.get(), QStringLiteral("Retry Download"));
        QCOMPARE(downloads->tasks().size(), before + 1);
        const DownloadTask* added = downloads->tasks().constLast();
        QCOMPARE(added->options(), history->items().first().options);
        QVERIFY(added->id() != id);
        QCOMPARE(history->items().size(), 1);
    }

    void controlsShowTheDefaultAndWriteAtOnce_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("key");
        QTest::addColumn<QVariantMap>("before");
        QTest::addColumn<QString>("unset");
        QTest::addColumn<QString>("choice");
        QTest::addColumn<QVariant>("stored");
        const QVariantMap none;
        const QVariantMap subs { { "writeSubs", true } };
        QTest::newRow("Filename template") << "Filename template" << "outputTemplate" << none << "%(title)s [%(id)s].%(ext)s" << "" << QVariant("%(title)s [%(id)s].%(ext)sx");
        // Reset stores the default exactly, and shows it.
        QTest::newRow("Filename template reset") << "Filename template" << "outputTemplate" << QVariantMap { { "outputTemplate", "%(id)s.%(ext)s" } } << "%(id)s.%(ext)s" << "Reset to default" << QVariant("%(title)s [%(id)s].%(ext)s");
        QTest::newRow("Number playlist items") << "Number playlist items (001 - …)" << "playlistNumbering" << none << "on" << "" << QVariant(false);
        QTest::newRow("Simultaneous downloads") << "Simultaneous downloads" << "maxConcurrent" << none << "2" << "" << QVariant(3);
        QTest::newRow("Simultaneous downloads at the top") << "Simultaneous downloads" << "maxConcurrent" << QVariantMap { { "maxConcurrent", 6 } } << "6" << "" << QVariant(6);
        QTest::newRow("Notifications") << "Show notifications when downloads finish" << "notifications" << none << "on" << "" << QVariant(false);
        QTest::newRow("Clipboard") << "Watch clipboard for links" << "clipboardMonitor" << none << "off" << "" << QVariant(true);
        QTest::newRow("Video container") << "Video container" << "mergeContainer" << none << "MP4" << "WEBM" << QVariant("webm");
        QTest::newRow("Prefer H.264") << "Prefer H.264/AAC for compatibility" << "preferCompatible" << none << "on" << "" << QVariant(false);
        QTest::newRow("Audio extraction format") << "Audio extraction format" << "audioFormat" << none << "MP3" << "VORBIS" << QVariant("vorbis");
        QTest::newRow("Embed thumbnail") << "Embed thumbnail" << "embedThumbnail" << none << "on" << "" << QVariant(false);
        QTest::newRow("Embed metadata") << "Embed metadata" << "embedMetadata" << none << "on" << "" << QVariant(false);
        QTest::newRow("Download subtitles") << "Download subtitles" << "writeSubs" << none << "off" << "" << QVariant(true);
        QTest::newRow("Languages") << "Languages" << "subLangs" << subs << "en.*" << "" << QVariant("en.*x");
        QTest::newRow("Auto-generated captions") << "Include auto-generated captions" << "autoSubs" << subs << "off" << "" << QVariant(true);
        QTest::newRow("Embed subtitles") << "Embed subtitles in video" << "embedSubs" << subs << "off" << "" << QVariant(true);
        // The subtitle choices wait, unchanged, while subtitles are off.
        QTest::newRow("Languages, subtitles off") << "Languages" << "subLangs" << none << "en.*" << "" << QVariant("en.*");
        QTest::newRow("Auto-generated captions, subtitles off") << "Include auto-generated captions" << "autoSubs" << QVariantMap { { "autoSubs", true } } << "on" << "" << QVariant(true);
        QTest::newRow("Cookies from browser") << "Cookies from browser" << "cookiesBrowser" << none << "None" << "Chromium" << QVariant("chromium");
        QTest::newRow("User-Agent") << "User-Agent" << "userAgent" << none << "" << "" << QVariant("x");
        QTest::newRow("Proxy") << "Proxy" << "proxy" << none << "" << "" << QVariant("x");
        QTest::newRow("Rate limit") << "Rate limit" << "rateLimit" << none << "" << "" << QVariant("x");
        QTest::newRow("Retries") << "Retries" << "retries" << none << "10" << "" << QVariant(11);
        QTest::newRow("Retries at the top") << "Retries" << "retries" << QVariantMap { { "retries", 50 } } << "50" << "" << QVariant(50);
        // Shown clamped, rewritten only when changed.
        QTest::newRow("Retries stored below the range") << "Retries" << "retries" << QVariantMap { { "retries", -3 } } << "0" << "" << QVariant(1);
        QTest::newRow("Concurrent fragments") << "Concurrent fragments" << "fragments" << none << "4" << "" << QVariant(5);
        QTest::newRow("Network timeout") << "Network timeout" << "timeout" << none << "30" << "" << QVariant(35);
        QTest::newRow("Network timeout at the top") << "Network timeout" << "timeout" << QVariantMap { { "timeout", 300 } } << "300" << "" << QVariant(300);
        QTest::newRow("Additional yt-dlp arguments") << "Additional yt-dlp arguments" << "extraArgs" << none << "" << "" << QVariant("x");
        // The fixture turns automatic updates off.
        QTest::newRow("Automatic updates") << "Check for yt-dlp and Deno updates automatically" << "autoUpdateTools" << none << "off" << "" << QVariant(true);
        QTest::newRow("Remote EJS") << "Let yt-dlp fetch challenge solver (ejs) from GitHub if needed" << "remoteEJS" << none << "on" << "" << QVariant(false);
    }

    void controlsShowTheDefaultAndWriteAtOnce()
    {
        QFETCH(QString, name);
        QFETCH(QString, key);
        QFETCH(QVariantMap, before);
        QFETCH(QString, choice);
        QFETCH(QVariant, stored);
        for (auto it = before.cbegin(); it != before.cend(); ++it)
            SettingsStore::set(it.key(), it.value());
        SettingsWindow settings(&gui->state());
        settings.show();
        QWidget* control = gui->find(name, &settings);
        QVERIFY2(control, qPrintable(name));
        for (int tab = 0; !control->isVisible() && tab < settings.tabs()->count(); ++tab)
            settings.tabs()->setCurrentIndex(tab);
        QTEST(shownValue(control), "unset");
        if (choice == QStringLiteral("Reset to default"))
            QTest::mouseClick(gui->find<QPushButton>(choice, &settings), Qt::LeftButton);
        else
            edit(control, choice);
        QCOMPARE(SettingsStore::string(key), stored.toString());
        if (auto* field = qobject_cast<QLineEdit*>(control))
            QCOMPARE(field->text(), stored.toString());
    }

    // From here on windows whose set-up meets the local mirror.
    void failedSetUpOffersRetryAndTheToolsTabWaitsWhileARepairRuns()
    {
        gui.reset();
        GuiFixture failing(false, false); // the mirror has nothing: every download fails
        QTRY_COMPARE_WITH_TIMEOUT(failing.state().deps()->phase(), Phase::failed, 60000);
        QTRY_VERIFY(!failing.state().deps()->busy());
        auto* retry = failing.find<QPushButton>(QStringLiteral("Retry"));
        QVERIFY(retry->isVisible() && retry->isEnabled());
        QVERIFY(!failing.find<QProgressBar>(QStringLiteral("Set-up progress"))->isVisible());
        ComponentRow* row = failing.window().findChild<SetupView*>()->row(Tool::ffmpeg);
        QCOMPARE(row->symbol(), QStringLiteral("xmark.octagon.fill"));
        QVERIFY2(row->detail().contains(QStringLiteral("404")), qPrintable(row->detail()));
        SettingsWindow settings(&failing.state());
        settings.show();
        settings.tabs()->setCurrentIndex(3);
        auto* repair = failing.find<QPushButton>(QStringLiteral("Repair Dependencies"), &settings);
        auto* working = failing.find(QStringLiteral("Working"), &settings);
        QVERIFY(repair->isEnabled() && !working->isVisible());
        // yt-dlp arrives slowly, so the repair stays busy for a few seconds.
        m_server.serveData(ToolMirror::path(Tool::ytdlp), QByteArray(300'000, 'x'));
        m_server.setBytesPerSecond(100'000);
        QTest::mouseClick(repair, Qt::LeftButton);
        QTRY_VERIFY(failing.state().deps()->busy());
        QVERIFY(!repair->isEnabled());
        QVERIFY(working->isVisible());
        QTRY_VERIFY_WITH_TIMEOUT(!failing.state().deps()->busy(), 60000);
        QVERIFY(repair->isEnabled() && !working->isVisible());
        m_server.setBytesPerSecond(0);
    }
};

QTEST_MAIN(TestScreens)
#include "tst_screens.moc"
