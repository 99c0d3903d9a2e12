// The settings window (every control bound to its key, the subtitle switches,
// the template reset, the tool actions) and the failed set-up, against a
// local tool mirror.
#include "ComponentRow.h"
#include "GuiFixture.h"
#include "SettingsStore.h"
#include "SettingsWindow.h"
#include "SetupView.h"
#include "TestHttpServer.h"
#include "ToolMirror.h"

#include <QCheckBox>
#include <QComboBox>
#include <QProgressBar>
#include <QSpinBox>
#include <QTabWidget>

namespace {

// What a control shows, as text.
QString shown(QWidget* control)
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

void click(QCheckBox* box)
{
    QTest::mouseClick(box, Qt::LeftButton, {}, QPoint(4, box->height() / 2));
}

// Changes a control the way a user would: a click, one key, one step, a choice.
void edit(QWidget* control, const QString& choice)
{
    if (auto* box = qobject_cast<QCheckBox*>(control))
        click(box);
    else if (auto* field = qobject_cast<QLineEdit*>(control))
        QTest::keyClick(field, Qt::Key_X);
    else if (auto* stepper = qobject_cast<QSpinBox*>(control))
        QTest::keyClick(stepper, Qt::Key_Up);
    else if (auto* picker = qobject_cast<QComboBox*>(control))
        picker->setCurrentIndex(picker->findText(choice));
}

} // namespace

class TestSettingsWindow : public QObject {
    Q_OBJECT

    TestHttpServer m_server;
    std::unique_ptr<GuiFixture> gui;

private slots:
    void initTestCase()
    {
        qputenv("KLIPWELL_TOOL_MIRROR", m_server.origin().toUtf8());
        gui = std::make_unique<GuiFixture>();
    }

    void init() { GuiFixture::resetSettings(); }

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
        QTEST(shown(control), "unset");
        if (choice == QStringLiteral("Reset to default"))
            QTest::mouseClick(gui->find<QPushButton>(choice, &settings), Qt::LeftButton);
        else
            edit(control, choice);
        QCOMPARE(SettingsStore::string(key), stored.toString());
        if (auto* field = qobject_cast<QLineEdit*>(control))
            QCOMPARE(field->text(), stored.toString());
    }

    void subtitleChoicesWaitWhileSubtitlesAreOff()
    {
        SettingsStore::set(QStringLiteral("autoSubs"), true);
        SettingsWindow settings(&gui->state());
        settings.show();
        settings.tabs()->setCurrentIndex(1);
        auto* languages = gui->find<QLineEdit>(QStringLiteral("Languages"), &settings);
        auto* automatic = gui->find<QCheckBox>(QStringLiteral("Include auto-generated captions"), &settings);
        auto* embed = gui->find<QCheckBox>(QStringLiteral("Embed subtitles in video"), &settings);
        QVERIFY(!languages->isEnabled() && !automatic->isEnabled() && !embed->isEnabled());
        click(automatic);
        QTest::keyClick(languages, Qt::Key_X);
        QVERIFY(SettingsStore::boolean(QStringLiteral("autoSubs")));
        QVERIFY(!SettingsStore::hasUserValue(QStringLiteral("subLangs")));
        click(gui->find<QCheckBox>(QStringLiteral("Download subtitles"), &settings));
        QVERIFY(languages->isEnabled() && automatic->isEnabled() && embed->isEnabled());
        QVERIFY(automatic->isChecked());
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
        const QList<QLabel*> labels = settings.findChildren<QLabel*>();
        QVERIFY(std::any_of(labels.cbegin(), labels.cend(), [](const QLabel* label) {
            return label->accessibleName().startsWith(QStringLiteral("yt-dlp: Problem: "));
        }));
        auto* repair = failing.find<QPushButton>(QStringLiteral("Repair Dependencies"), &settings);
        auto* working = failing.find(QStringLiteral("Working"), &settings);
        QVERIFY(repair->isEnabled() && !working->isVisible());
        // yt-dlp arrives slowly, so the repair stays busy for a few seconds.
        m_server.serveData(ToolMirror::path(Tool::ytdlp), QByteArray(300'000, 'x'));
        m_server.setBytesPerSecond(100'000);
        QTest::mouseClick(repair, Qt::LeftButton);
        QTRY_VERIFY(failing.state().deps()->busy());
        QVERIFY(!repair->isEnabled());
        QVERIFY(!failing.find<QPushButton>(QStringLiteral("Reveal Tools Folder"), &settings)->isEnabled());
        QVERIFY(working->isVisible());
        // The step under way shows beside the spinner, and goes with it.
        QLabel* step = nullptr;
        QTRY_VERIFY((step = visibleLabel(&settings, failing.state().deps()->current()))
            && !failing.state().deps()->current().isEmpty());
        QTRY_VERIFY_WITH_TIMEOUT(!failing.state().deps()->busy(), 60000);
        QVERIFY(repair->isEnabled() && !working->isVisible() && !step->isVisible());
        m_server.setBytesPerSecond(0);
    }
};

QTEST_MAIN(TestSettingsWindow)
#include "tst_settingswindow.moc"
