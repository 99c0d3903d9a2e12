// The settings window: every control bound to its key, the subtitle
// switches, the template reset and the tool actions.
#include "AppState.h"
#include "DependencyManager.h"
#include "GuiFixture.h"
#include "SettingsStore.h"
#include "SettingsWindow.h"
#include "TestHttpServer.h"
#include "ToolMirror.h"
#include "ToolsSettings.h"

#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSpinBox>
#include <QTabWidget>
#include <QTest>

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

ComponentState componentState(const ComponentStatus& status, const std::optional<QString>& version = {})
{
    ComponentState state;
    state.status = status;
    state.version = version;
    return state;
}

} // namespace

class TestSettingsWindow : public QObject {
    Q_OBJECT

    TestHttpServer m_server;

private slots:
    void initTestCase() { qputenv("KLIPWELL_TOOL_MIRROR", m_server.origin().toUtf8()); }

    void controlsShowTheDefaultAndWriteAtOnce_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("key");
        QTest::addColumn<QVariantMap>("before");
        QTest::addColumn<QString>("unset");
        QTest::addColumn<QString>("choice");
        QTest::addColumn<QVariant>("stored");
        const QVariantMap none;
        const QVariantMap subs { { QStringLiteral("writeSubs"), true } };
        const auto row = [](const char* name, const char* key, const QVariantMap& before, const char* unset,
                             const char* choice, const QVariant& stored) {
            QTest::newRow(name) << QString::fromUtf8(name) << QString::fromUtf8(key) << before
                                << QString::fromUtf8(unset) << QString::fromUtf8(choice) << stored;
        };
        row("Filename template", "outputTemplate", none, "%(title)s [%(id)s].%(ext)s", "",
            QStringLiteral("%(title)s [%(id)s].%(ext)sx"));
        row("Number playlist items (001 - …)", "playlistNumbering", none, "on", "", false);
        row("Simultaneous downloads", "maxConcurrent", none, "2", "", 3);
        row("Show notifications when downloads finish", "notifications", none, "on", "", false);
        row("Watch clipboard for links", "clipboardMonitor", none, "off", "", true);
        row("Video container", "mergeContainer", none, "MP4", "WEBM", QStringLiteral("webm"));
        row("Prefer H.264/AAC for compatibility", "preferCompatible", none, "on", "", false);
        row("Audio extraction format", "audioFormat", none, "MP3", "VORBIS", QStringLiteral("vorbis"));
        row("Embed thumbnail", "embedThumbnail", none, "on", "", false);
        row("Embed metadata", "embedMetadata", none, "on", "", false);
        row("Download subtitles", "writeSubs", none, "off", "", true);
        row("Languages", "subLangs", subs, "en.*", "", QStringLiteral("en.*x"));
        row("Include auto-generated captions", "autoSubs", subs, "off", "", true);
        row("Embed subtitles in video", "embedSubs", subs, "off", "", true);
        row("Cookies from browser", "cookiesBrowser", none, "None", "Chromium", QStringLiteral("chromium"));
        row("User-Agent", "userAgent", none, "", "", QStringLiteral("x"));
        row("Proxy", "proxy", none, "", "", QStringLiteral("x"));
        row("Rate limit", "rateLimit", none, "", "", QStringLiteral("x"));
        row("Retries", "retries", none, "10", "", 11);
        row("Concurrent fragments", "fragments", none, "4", "", 5);
        row("Network timeout", "timeout", none, "30", "", 35);
        row("Additional yt-dlp arguments", "extraArgs", none, "", "", QStringLiteral("x"));
        // The fixture turns automatic updates off.
        row("Check for yt-dlp and Deno updates automatically", "autoUpdateTools", none, "off", "", true);
        row("Let yt-dlp fetch challenge solver (ejs) from GitHub if needed", "remoteEJS", none, "on", "",
            false);
    }

    void controlsShowTheDefaultAndWriteAtOnce()
    {
        QFETCH(QString, name);
        QFETCH(QString, key);
        QFETCH(QVariantMap, before);
        QFETCH(QString, unset);
        QFETCH(QString, choice);
        QFETCH(QVariant, stored);
        GuiFixture gui(false);
        for (auto it = before.cbegin(); it != before.cend(); ++it)
            SettingsStore::set(it.key(), it.value());
        SettingsWindow settings(&gui.state());
        settings.show();
        QWidget* control = gui.find(name, &settings);
        QVERIFY2(control, qPrintable(name));
        for (int tab = 0; !control->isVisible() && tab < settings.tabs()->count(); ++tab)
            settings.tabs()->setCurrentIndex(tab);
        QCOMPARE(shown(control), unset);
        edit(control, choice);
        QCOMPARE(SettingsStore::string(key), stored.toString());
    }

    void steppersKeepTheirRangeAndStep_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("key");
        QTest::addColumn<int>("start");
        QTest::addColumn<int>("key_");
        QTest::addColumn<QList<int>>("values");
        QTest::newRow("timeout up") << "Network timeout"
                                    << "timeout" << -1 << int(Qt::Key_Up) << QList<int> { 35, 40 };
        QTest::newRow("timeout top") << "Network timeout"
                                     << "timeout" << 300 << int(Qt::Key_Up) << QList<int> { 300 };
        QTest::newRow("retries bottom") << "Retries"
                                        << "retries" << 0 << int(Qt::Key_Down) << QList<int> { 0 };
        QTest::newRow("retries top") << "Retries"
                                     << "retries" << 50 << int(Qt::Key_Up) << QList<int> { 50 };
        QTest::newRow("downloads top") << "Simultaneous downloads"
                                       << "maxConcurrent" << 6 << int(Qt::Key_Up) << QList<int> { 6 };
    }

    void steppersKeepTheirRangeAndStep()
    {
        QFETCH(QString, name);
        QFETCH(QString, key);
        QFETCH(int, start);
        QFETCH(int, key_);
        QFETCH(QList<int>, values);
        GuiFixture gui(false);
        if (start >= 0)
            SettingsStore::set(key, start);
        SettingsWindow settings(&gui.state());
        settings.show();
        auto* stepper = gui.find<QSpinBox>(name, &settings);
        QVERIFY(stepper);
        for (int expected : values) {
            QTest::keyClick(stepper, Qt::Key(key_));
            QCOMPARE(stepper->value(), expected);
            QCOMPARE(SettingsStore::integer(key), expected);
        }
    }

    void subtitleChoicesWaitWhileSubtitlesAreOff()
    {
        GuiFixture gui(false);
        SettingsStore::set(QStringLiteral("autoSubs"), true);
        SettingsWindow settings(&gui.state());
        settings.show();
        settings.tabs()->setCurrentIndex(1);
        auto* languages = gui.find<QLineEdit>(QStringLiteral("Languages"), &settings);
        auto* automatic = gui.find<QCheckBox>(QStringLiteral("Include auto-generated captions"), &settings);
        auto* embed = gui.find<QCheckBox>(QStringLiteral("Embed subtitles in video"), &settings);
        for (QWidget* control : { static_cast<QWidget*>(languages), static_cast<QWidget*>(automatic),
                 static_cast<QWidget*>(embed) })
            QVERIFY(!control->isEnabled());
        QTest::mouseClick(automatic, Qt::LeftButton, {}, QPoint(4, automatic->height() / 2));
        QTest::keyClick(languages, Qt::Key_X);
        QVERIFY(SettingsStore::boolean(QStringLiteral("autoSubs")));
        QCOMPARE(SettingsStore::string(QStringLiteral("subLangs")), QStringLiteral("en.*"));
        QVERIFY(!SettingsStore::hasUserValue(QStringLiteral("subLangs")));
        gui.find<QCheckBox>(QStringLiteral("Download subtitles"), &settings)->setChecked(true);
        QVERIFY(languages->isEnabled() && automatic->isEnabled() && embed->isEnabled());
        QVERIFY(automatic->isChecked());
    }

    void resetStoresTheDefaultTemplateExactly()
    {
        GuiFixture gui(false);
        SettingsWindow settings(&gui.state());
        settings.show();
        auto* field = gui.find<QLineEdit>(QStringLiteral("Filename template"), &settings);
        field->selectAll();
        QTest::keyClicks(field, QStringLiteral("%(id)s.%(ext)s"));
        QCOMPARE(SettingsStore::string(QStringLiteral("outputTemplate")), QStringLiteral("%(id)s.%(ext)s"));
        QTest::mouseClick(
            gui.find<QPushButton>(QStringLiteral("Reset to default"), &settings), Qt::LeftButton);
        QCOMPARE(SettingsStore::string(QStringLiteral("outputTemplate")),
            QStringLiteral("%(title)s [%(id)s].%(ext)s"));
        QCOMPARE(field->text(), QStringLiteral("%(title)s [%(id)s].%(ext)s"));
    }

    void toolLabels_data()
    {
        using namespace ComponentStatuses;
        QTest::addColumn<ComponentState>("state");
        QTest::addColumn<QString>("label");
        QTest::newRow("failed") << componentState(Failed { QStringLiteral("exit 126") })
                                << "Problem: exit 126";
        QTest::newRow("no version") << componentState(Installed {}) << "Installed";
        QTest::newRow("version") << componentState(Installed {}, QStringLiteral("2024.08.06"))
                                 << "2024.08.06";
        QTest::newRow("working") << componentState(Working { QStringLiteral("Verifying…") }) << "Verifying…";
        QTest::newRow("unknown") << ComponentState() << "Not installed";
    }

    void toolLabels()
    {
        QFETCH(ComponentState, state);
        QFETCH(QString, label);
        QCOMPARE(ToolsSettings::label(state), label);
    }

    void toolsTabWaitsWhileARepairRuns()
    {
        // yt-dlp arrives slowly, so the repair stays busy for a few seconds.
        m_server.serveData(ToolMirror::path(Tool::ytdlp), QByteArray(300'000, 'x'));
        m_server.setBytesPerSecond(100'000);
        GuiFixture gui(false, false);
        QTRY_VERIFY_WITH_TIMEOUT(!gui.state().deps()->busy(), 60000);
        m_server.setBytesPerSecond(0);
        SettingsWindow settings(&gui.state());
        settings.show();
        settings.tabs()->setCurrentIndex(3);
        // Nothing could be installed: every download failed.
        const QList<QLabel*> labels = settings.findChildren<QLabel*>();
        QVERIFY(std::any_of(labels.cbegin(), labels.cend(), [](const QLabel* label) {
            return label->accessibleName().startsWith(QStringLiteral("yt-dlp: Problem: "));
        }));
        auto* repair = gui.find<QPushButton>(QStringLiteral("Repair Dependencies"), &settings);
        auto* working = gui.find(QStringLiteral("Working"), &settings);
        QVERIFY(repair->isEnabled() && !working->isVisible());
        m_server.setBytesPerSecond(100'000);
        QTest::mouseClick(repair, Qt::LeftButton);
        QTRY_VERIFY(gui.state().deps()->busy());
        QVERIFY(!repair->isEnabled());
        QVERIFY(!gui.find<QPushButton>(QStringLiteral("Reveal Tools Folder"), &settings)->isEnabled());
        QVERIFY(working->isVisible());
        QTRY_VERIFY(!gui.state().deps()->current().isEmpty());
        const auto note = [&] {
            const auto found = std::find_if(labels.cbegin(), labels.cend(), [&](const QLabel* label) {
                return label->isVisible() && label->text() == gui.state().deps()->current();
            });
            return found == labels.cend() ? nullptr : *found;
        };
        QTRY_VERIFY(note());
        QLabel* step = note();
        QTRY_VERIFY_WITH_TIMEOUT(!gui.state().deps()->busy(), 60000);
        QVERIFY(repair->isEnabled() && !working->isVisible());
        QVERIFY(!step->isVisible());
        m_server.setBytesPerSecond(0);
    }
};

QTEST_MAIN(TestSettingsWindow)
#include "tst_settingswindow.moc"
