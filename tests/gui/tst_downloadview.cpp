// The Download screen as a user drives it: typing, choosing, queueing.
#include "DownloadView.h"
#include "GuiFixture.h"
#include "SettingsStore.h"
#include "TestHttpServer.h"
#include "ThumbnailLoader.h"

#include <QAbstractButton>
#include <QAbstractItemModelTester>
#include <QComboBox>
#include <QElapsedTimer>
#include <QImage>
#include <QJsonArray>
#include <QJsonObject>
#include <QSignalSpy>
#include <QTreeView>

namespace {

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

} // namespace

class TestDownloadView : public QObject {
    Q_OBJECT

    std::unique_ptr<GuiFixture> gui;

    // Loads a document through the stand-in yt-dlp as if the user had typed its link.
    void load(const QJsonObject& document, const QString& url = QStringLiteral("https://example.com/v"))
    {
        FakeTools::setInfo(url, document);
        gui->state().setUrlText(url);
        QTest::keyClick(gui->find<QLineEdit>(field), Qt::Key_Return);
        QTRY_VERIFY_WITH_TIMEOUT(gui->state().info().has_value(), 20000);
    }

private slots:
    void initTestCase()
    {
        gui = std::make_unique<GuiFixture>();
        gui->state().downloads()->setStarted(false);
    }

    void init()
    {
        gui->state().setUrlText(QString());
        gui->state().info_reset();
        gui->state().setPreset(Preset::best);
        for (DownloadTask* task : gui->state().downloads()->tasks())
            gui->state().downloads()->remove(task);
    }

    void cleanupTestCase() { gui.reset(); }

    void queriesWaitForAPauseInTyping()
    {
        const QString url = QStringLiteral("https://example.com/watch?v=typed");
        FakeTools::setInfo(url, FakeTools::videoDocument(QStringLiteral("typed"), QStringLiteral("Typed")));
        // Every query comes at least the delay after the key before it (a
        // long gap on a loaded machine may rightly query).
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
        QTRY_VERIFY_WITH_TIMEOUT(gui->state().info().has_value(), 20000);
        disconnect(watch);
        QVERIFY(!quietBeforeQuery.isEmpty());
        for (qint64 quiet : quietBeforeQuery)
            QVERIFY2(quiet >= 400, qPrintable(QString::number(quiet)));
        QCOMPARE(FakeTools::runs().last(), QStringLiteral("info ") + url);
    }

    void downloadButtonFollowsCanDownload()
    {
        auto* download = gui->find<QPushButton>(QStringLiteral("Download"));
        QVERIFY(!download->isEnabled());
        FakeTools::setInfo(QStringLiteral("https://example.com/slow"),
            FakeTools::videoDocument(QStringLiteral("slow"), QStringLiteral("Slow")), 2);
        QTest::keyClicks(gui->find<QLineEdit>(field), QStringLiteral("https://example.com/slow"));
        QVERIFY(download->isEnabled());
        QTRY_VERIFY(std::holds_alternative<FetchStates::Loading>(gui->state().fetchState()));
        QVERIFY(!download->isEnabled());
        QTRY_VERIFY_WITH_TIMEOUT(gui->state().info().has_value(), 20000);
        QVERIFY(download->isEnabled());
        QTest::keyClick(gui->find<QLineEdit>(field), Qt::Key_Return, Qt::ControlModifier);
        QTRY_COMPARE(gui->state().downloads()->tasks().size(), 1);
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
        if (!hint.isEmpty()) {
            const QLabel* label = visibleLabel(&gui->window(), hint.left(8));
            QVERIFY2(label, qPrintable(hint));
            QCOMPARE(label->text(), hint);
        }
        QCOMPARE(SettingsStore::string(QStringLiteral("defaultPreset")), video.isEmpty() ? preset : remembered);
        gui->find<QPushButton>(QStringLiteral("Add to Queue"))->click();
        QCOMPARE(gui->state().downloads()->tasks().size(), 1);
        const DownloadOptions queued = gui->state().downloads()->tasks().first()->options();
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
        const QModelIndex third = list->model()->index(2, 0);
        QVERIFY(list->model()->setData(third, Qt::Checked, Qt::CheckStateRole));
        QCOMPARE(gui->state().selectedItems(), QSet<int> { 3 });
        QCOMPARE(action->text(), QStringLiteral("Download 1 Items"));
        gui->find<QAbstractButton>(QStringLiteral("Select All"))->click();
        QCOMPARE(gui->state().selectedItems().size(), 5);
        QCOMPARE(third.data(Qt::CheckStateRole).value<Qt::CheckState>(), Qt::Checked);

        // Coming back to the screen keeps the choices: the link is not queried again.
        gui->find<QAbstractButton>(QStringLiteral("None"))->click();
        QSignalSpy fetches(&gui->state(), &AppState::fetchStateChanged);
        gui->state().setSelection(SidebarItem::queue);
        gui->state().setSelection(SidebarItem::download);
        QVERIFY(!fetches.wait(DownloadView::queryDelayMs * 3));
        QCOMPARE(gui->state().selectedItems(), QSet<int> {});
        list->setCurrentIndex(third.siblingAtColumn(1));
        QTest::keyClick(list, Qt::Key_Space); // ticks the row wherever its focus is
        QTest::keyClick(list, Qt::Key_Down);
        QTest::keyClick(list, Qt::Key_Space);

        QCOMPARE(gui->state().selectedItems(), (QSet<int> { 3, 4 }));
        action->click();
        QCOMPARE(gui->state().downloads()->tasks().size(), 1);
        QCOMPARE(gui->state().downloads()->tasks().first()->options().playlistItems, std::optional<QString>("3-4"));
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
        QImage image(32, 18, QImage::Format_RGB32);
        image.fill(Qt::red);
        const QByteArray png = pngBytes(image);
        TestHttpServer server;
        server.serveData(QStringLiteral("/ok.png"), png, "image/png");
        server.serveData(QStringLiteral("/broken.png"), "not a picture", "image/png");
        server.serveStatus(QStringLiteral("/missing.png"), 404);
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
};

QTEST_MAIN(TestDownloadView)
#include "tst_downloadview.moc"
