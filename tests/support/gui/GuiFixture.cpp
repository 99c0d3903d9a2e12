#include "GuiFixture.h"

#include "AppPaths.h"
#include "AppState.h"
#include "FakeTools.h"
#include "MainWindow.h"
#include "SettingsStore.h"

#include <QDir>
#include <QSettings>
#include <QTest>

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

GuiFixture::~GuiFixture()
{
    m_window.reset();
    m_state.reset();
}

void GuiFixture::resetData(bool standIns)
{
    QDir(AppPaths::support()).removeRecursively();
    resetSettings();
    if (!standIns) {
        // Set-up must never reach the real release hosts from a test: without
        // a mirror of the test's own, it meets a closed local port.
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
    QSettings(
        QSettings::NativeFormat, QSettings::UserScope, QStringLiteral("Klipwell"), QStringLiteral("Klipwell"))
        .clear();
    SettingsStore::set(QStringLiteral("autoUpdateTools"), false);
    SettingsStore::set(
        QStringLiteral("downloadFolder"), QString(QDir::homePath() + QStringLiteral("/Downloads")));
}

QWidget* GuiFixture::findWidget(const QString& name, QWidget* root, const QMetaObject* type) const
{
    QWidget* top = root ? root : m_window.get();
    const QList<QWidget*> all = top->findChildren<QWidget*>();
    for (QWidget* widget : all) {
        if (widget->accessibleName() == name && type->cast(widget))
            return widget;
    }
    return nullptr;
}
