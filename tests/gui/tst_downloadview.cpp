// The Download screen as a user drives it: typing, choosing, queueing.
#include "AppState.h"
#include "DownloadManager.h"
#include "DownloadView.h"
#include "FakeTools.h"
#include "GuiFixture.h"
#include "MainWindow.h"
#include "SettingsStore.h"
#include "TestHttpServer.h"
#include "ThumbnailLoader.h"

#include <QAbstractButton>
#include <QAbstractItemModelTester>
#include <QBuffer>
#include <QElapsedTimer>
#include <QImage>
#include <QJsonArray>
#include <QJsonObject>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSignalSpy>
#include <QTest>
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

// Loads a document through the stand-in yt-dlp as if the user had typed its link.
void load(GuiFixture& gui, const QJsonObject& document, const QString& url = QStringLiteral("https://example.com/v"))
{
    FakeTools::setInfo(url, document);
    gui.state().setUrlText(url);
    QTest::keyClick(gui.find<QLineEdit>(field), Qt::Key_Return);
    QTRY_VERIFY_WITH_TIMEOUT(gui.state().info().has_value(), 20000);
}

QString labelText(GuiFixture& gui, const QString& prefix)
{
    for (const QLabel* label : gui.window().findChildren<QLabel*>()) {
        if (label->isVisible() && label->text().startsWith(prefix))
            return label->text();
    }
    return {};
}

QByteArray png()
{
    QImage image(32, 18, QImage::Format_RGB32);
    image.fill(Qt::red);
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    image.save(&buffer, "PNG");
    return bytes;
}

} // namespace

class TestDownloadView : public QObject {
    Q_OBJECT

private slots:
    void queriesWaitForAPauseInTyping()
    {
        GuiFixture gui;
        const QString url = QStringLiteral("https://example.com/watch?v=typed");
        FakeTools::setInfo(url, FakeTools::videoDocument(QStringLiteral("typed"), QStringLiteral("Typed")));
        auto* edit = gui.find<QLineEdit>(field);
        QVERIFY(edit);
        // Every query must come at least the delay after the key before it.
        // Keys are a little apart, so a query that does not wait for the
        // last key shows; on a loaded machine a long gap may rightly query.
        QElapsedTimer clock;
        clock.start();
        qint64 lastKey = 0;
        QList<qint64> quietBeforeQuery;
        connect(&gui.state(), &AppState::fetchStateChanged, this, [&] {
            if (std::holds_alternative<FetchStates::Loading>(gui.state().fetchState()))
                quietBeforeQuery << clock.elapsed() - lastKey;
        });
        for (const QChar c : url) {
            QTest::keyClick(edit, c.toLatin1(), Qt::NoModifier, 20);
            lastKey = clock.elapsed();
        }
        QTRY_VERIFY_WITH_TIMEOUT(gui.state().info().has_value(), 20000);
        QVERIFY(!quietBeforeQuery.isEmpty());
        for (qint64 quiet : quietBeforeQuery)
            QVERIFY2(quiet >= 400, qPrintable(QString::number(quiet)));
        QCOMPARE(FakeTools::runs().last(), QStringLiteral("info ") + url);
    }

    void hintFollowsTheMedia_data()
    {
        QTest::addColumn<QList<int>>("heights");
        QTest::addColumn<QString>("hint");
        QTest::newRow("480p media") << QList<int> { 240, 480 }
                                    << QStringLiteral("Highest available is 480p — that’s what you’ll get.");
        QTest::newRow("no heights") << QList<int> {} << QStringLiteral("Best quality up to 720p, merged by FFmpeg.");
        QTest::newRow("1080p media") << QList<int> { 1080 } << QStringLiteral("Best quality up to 720p, merged by FFmpeg.");
    }

    void hintFollowsTheMedia()
    {
        QFETCH(QList<int>, heights);
        QFETCH(QString, hint);
        GuiFixture gui;
        load(gui, videoWithHeights(heights));
        gui.find<QAbstractButton>(QStringLiteral("720p"))->click();
        QCOMPARE(gui.state().preset(), Preset::hd720);
        QCOMPARE(labelText(gui, hint.left(8)), hint);
    }

    void presetChoiceIsRememberedExceptAdvanced()
    {
        GuiFixture gui;
        load(gui, videoWithHeights({ 720 }));
        gui.find<QAbstractButton>(QStringLiteral("Audio Only"))->click();
        QCOMPARE(SettingsStore::string(QStringLiteral("defaultPreset")), QStringLiteral("Audio Only"));
        gui.find<QAbstractButton>(QStringLiteral("Advanced Formats"))->click();
        QCOMPARE(gui.state().preset(), Preset::custom);
        QCOMPARE(SettingsStore::string(QStringLiteral("defaultPreset")), QStringLiteral("Audio Only"));
    }

    void availabilityListsTwelveLanguages()
    {
        GuiFixture gui;
        QJsonObject document = videoWithHeights({ 360 });
        QJsonObject subtitles;
        for (int i = 0; i < 15; ++i)
            subtitles.insert(QStringLiteral("l%1").arg(i, 2, 10, QLatin1Char('0')), QJsonArray {});
        document.insert("subtitles", subtitles);
        load(gui, document);
        gui.find<QAbstractButton>(QStringLiteral("Subtitles"))->click();
        QCOMPARE(labelText(gui, QStringLiteral("Available: ")),
            QStringLiteral("Available: l00, l01, l02, l03, l04, l05, l06, l07, l08, l09, l10, l11…"));
    }

    void downloadButtonFollowsCanDownload()
    {
        GuiFixture gui;
        auto* download = gui.find<QPushButton>(QStringLiteral("Download"));
        QVERIFY(download);
        const auto agrees = [&] { return download->isEnabled() == gui.state().canDownload(); };
        QVERIFY(!download->isEnabled());
        FakeTools::setInfo(QStringLiteral("https://example.com/slow"),
            FakeTools::videoDocument(QStringLiteral("slow"), QStringLiteral("Slow")), 2);
        QTest::keyClicks(gui.find<QLineEdit>(field), QStringLiteral("https://example.com/slow"));
        QVERIFY(download->isEnabled() && agrees());
        QTRY_VERIFY(std::holds_alternative<FetchStates::Loading>(gui.state().fetchState()));
        QVERIFY(!download->isEnabled() && agrees());
        QTRY_VERIFY_WITH_TIMEOUT(gui.state().info().has_value(), 20000);
        QVERIFY(download->isEnabled() && agrees());

        gui.state().downloads()->setStarted(false);
        QTest::keyClick(gui.find<QLineEdit>(field), Qt::Key_Return, Qt::ControlModifier);
        QTRY_COMPARE(gui.state().downloads()->tasks().size(), 1);
    }

    void playlistItemsAreChosenInTheList()
    {
        GuiFixture gui;
        auto* list = gui.find<QTreeView>(QStringLiteral("Playlist items"));
        QVERIFY(list);
        QAbstractItemModelTester tester(list->model());
        load(gui, FakeTools::playlistDocument(QStringLiteral("List"), 5), QStringLiteral("https://example.com/playlist?list=1"));
        auto* action = gui.find<QPushButton>(QStringLiteral("Download 5 Items"));
        QVERIFY(action);
        gui.find<QAbstractButton>(QStringLiteral("None"))->click();
        QCOMPARE(gui.state().selectedItems(), QSet<int> {});
        const QModelIndex third = list->model()->index(2, 0);
        QVERIFY(list->model()->setData(third, Qt::Checked, Qt::CheckStateRole));
        QCOMPARE(gui.state().selectedItems(), QSet<int> { 3 });
        QCOMPARE(labelText(gui, QStringLiteral("1 of")), QStringLiteral("1 of 5 selected"));
        QCOMPARE(action->text(), QStringLiteral("Download 1 Items"));
        gui.find<QAbstractButton>(QStringLiteral("Select All"))->click();
        QCOMPARE(gui.state().selectedItems().size(), 5);
        QCOMPARE(third.data(Qt::CheckStateRole).value<Qt::CheckState>(), Qt::Checked);

        // Coming back to the screen keeps the choices: the link is not queried again.
        gui.find<QAbstractButton>(QStringLiteral("None"))->click();
        QSignalSpy fetches(&gui.state(), &AppState::fetchStateChanged);
        gui.state().setSelection(SidebarItem::queue);
        gui.state().setSelection(SidebarItem::download);
        QVERIFY(!fetches.wait(DownloadView::queryDelayMs * 3));
        QCOMPARE(gui.state().selectedItems(), QSet<int> {});
        QVERIFY(list->model()->setData(third, Qt::Checked, Qt::CheckStateRole));

        gui.state().downloads()->setStarted(false);
        action->click();
        QCOMPARE(gui.state().downloads()->tasks().size(), 1);
        QCOMPARE(gui.find<QLineEdit>(field)->text(), QString());
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
        TestHttpServer server;
        server.serveData(QStringLiteral("/ok.png"), png(), "image/png");
        server.serveData(QStringLiteral("/broken.png"), "not a picture", "image/png");
        server.serveStatus(QStringLiteral("/missing.png"), 404);
        server.serveData(QStringLiteral("/huge.png"), png() + QByteArray(ThumbnailLoader::maxBytes, '\0'), "image/png");
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
