#include "KlipwellApp.h"

#include "AppState.h"
#include "MainMenus.h"
#include "MainWindow.h"
#include "QuitGuard.h"
#include "SettingsWindow.h"
#include "TrayIcon.h"

#include <QApplication>
#include <QCloseEvent>
#include <QSessionManager>

KlipwellApp::KlipwellApp(AppState* state, QObject* parent)
    : QObject(parent)
    , m_state(state)
    , m_quit(new QuitGuard(state->downloads(), this))
{
    // The guard decides when the program ends, never the last window.
    QApplication::setQuitOnLastWindowClosed(false);
    auto* tray = new TrayIcon(state->downloads(), this);
    if (tray->show()) {
        m_tray = tray;
        connect(m_tray, &TrayIcon::openRequested, this, &KlipwellApp::showMainWindow);
        connect(m_tray, &TrayIcon::quitRequested, this, [this] { m_quit->requestQuit(m_window); });
    } else {
        delete tray;
    }
    connect(m_state, &AppState::activationRequested, this, &KlipwellApp::showMainWindow);
    connect(qApp, &QGuiApplication::commitDataRequest, m_quit, &QuitGuard::commitData);
    // However the program ends, running downloads go back to the queue.
    connect(qApp, &QCoreApplication::aboutToQuit, m_quit, &QuitGuard::prepare);
    createMainWindow();
}

KlipwellApp::~KlipwellApp()
{
    delete m_settings;
    if (m_window) {
        // A window being destroyed is no longer a MainWindow for the filter.
        m_window->removeEventFilter(this);
        delete m_window;
    }
}

MainWindow* KlipwellApp::mainWindow() const
{
    return m_window;
}

SettingsWindow* KlipwellApp::settingsWindow() const
{
    return m_settings;
}

void KlipwellApp::createMainWindow()
{
    m_window = new MainWindow(m_state);
    m_window->installEventFilter(this);
    connect(m_window->menus(), &MainMenus::settingsRequested, this, &KlipwellApp::showSettings);
    connect(m_window->menus(), &MainMenus::quitRequested, this, [this] { m_quit->requestQuit(m_window); });
}

void KlipwellApp::showMainWindow()
{
    if (!m_window)
        createMainWindow();
    m_window->show();
    m_window->setWindowState(m_window->windowState() & ~Qt::WindowMinimized);
    m_window->raise();
    m_window->activateWindow();
}

void KlipwellApp::showSettings()
{
    // A fresh window each time shows what other screens stored meanwhile.
    if (!m_settings) {
        m_settings = new SettingsWindow(m_state);
        m_settings->setAttribute(Qt::WA_DeleteOnClose);
    }
    m_settings->show();
    m_settings->raise();
    m_settings->activateWindow();
}

bool KlipwellApp::eventFilter(QObject* watched, QEvent* event)
{
    // Without a tray nothing could bring a hidden window back: closing it
    // asks to quit instead, and stays open when the user cancels.
    if (event->type() == QEvent::Close && !m_tray && watched == m_window) {
        if (!m_quit->shouldTerminate(m_window)) {
            event->ignore();
            return true;
        }
        m_quit->terminate();
    }
    return QObject::eventFilter(watched, event);
}
