#include "GuiFixture.h"

#include "AppPaths.h"
#include "SettingsStore.h"

#include <QBuffer>
#include <QDir>
#include <QLabel>
#include <QSettings>

GuiFixture::GuiFixture(bool ready, bool standIns)
{
    resetData(standIns);
    m_state = std::make_unique<AppState>(&m_pasteboard);
    m_window = std::make_unique<MainWindow>(m_state.get());
    m_window->show();
    // Keyboard shortcuts reach only the active window.
    m_window->activateWindow();
    if (!QTest::qWaitForWindowActive(m_window.get()))
        qWarning("the window did not become active");
    if (ready && !QTest::qWaitFor([this] { return m_state->setupDone(); }, 30000))
        qWarning("set-up did not finish");
}

DownloadTask* GuiFixture::startLongDownload() const
{
    FakeTools::setDownloadSeconds(120);
    DownloadTask* task = m_state->downloads()->enqueue(namedOptions(QStringLiteral("Long"), QStringLiteral("long")));
    if (!QTest::qWaitFor([this] { return m_state->downloads()->activeCount() == 1; }, 30000))
        qWarning("the download did not start");
    return task;
}

void GuiFixture::resetData(bool standIns)
{
    QDir(AppPaths::support()).removeRecursively();
    resetSettings();
    if (!standIns) {
        // Never the real release hosts: without a mirror of its own, a test meets a closed port.
        if (qEnvironmentVariableIsEmpty("KLIPWELL_TOOL_MIRROR"))
            qputenv("KLIPWELL_TOOL_MIRROR", "http://127.0.0.1:9");
        return;
    }
    const QString error = FakeTools::install();
    if (!error.isEmpty())
        qWarning("stand-ins not installed: %s", qPrintable(error));
}

void GuiFixture::resetSettings()
{
    // The store's own file: a plain QSettings() would name the test program's.
    const QString name = QStringLiteral("Klipwell");
    QSettings(QSettings::NativeFormat, QSettings::UserScope, name, name).clear();
    SettingsStore::set(QStringLiteral("autoUpdateTools"), false);
    SettingsStore::set(QStringLiteral("downloadFolder"), QString(QDir::homePath() + QStringLiteral("/Downloads")));
}

DownloadOptions namedOptions(const QString& title, const QString& slug)
{
    DownloadOptions options;
    options.title = title;
    options.url = QStringLiteral("https://videos.example/watch/") + (slug.isEmpty() ? title : slug);
    options.folder = QDir::homePath() + QStringLiteral("/Downloads");
    return options;
}

QStringList menuTexts(const QMenu* menu)
{
    QStringList texts;
    for (const QAction* action : menu->actions())
        texts << (action->isSeparator() ? QStringLiteral("|") : action->text());
    return texts;
}

void triggerMenuItem(const QMenu* menu, const QString& text)
{
    for (QAction* action : menu->actions()) {
        if (action->text() == text)
            return action->trigger();
    }
    qFatal("no menu item %s", qPrintable(text));
}

QString visibleText(const QWidget* root, const QString& prefix)
{
    for (const QLabel* label : root->findChildren<QLabel*>()) {
        if (label->isVisible() && label->text().startsWith(prefix))
            return label->text();
    }
    return {};
}

QByteArray pngBytes(const QImage& image)
{
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    image.save(&buffer, "PNG");
    return bytes;
}
