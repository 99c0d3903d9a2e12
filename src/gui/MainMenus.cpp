#include "MainMenus.h"

#include "AppState.h"
#include "DependencyManager.h"
#include "DownloadManager.h"
#include "FileManager.h"
#include "SettingsStore.h"
#include "Shortcuts.h"

#include <QDir>
#include <QMainWindow>
#include <QMenuBar>

MainMenus::MainMenus(AppState* state, QMainWindow* window)
    : QObject(window)
    , m_state(state)
    , m_window(window)
{
    QMenuBar* bar = window->menuBar();
    bar->setAccessibleName(tr("Menu bar"));
    buildFile(bar->addMenu(tr("&File")));
    buildDownloads(bar->addMenu(tr("&Downloads")));
    buildGo(bar->addMenu(tr("&Go")));
    for (QAction* menu : bar->actions())
        menu->menu()->setAccessibleName(menu->text().remove(QLatin1Char('&')));
}

void MainMenus::buildFile(QMenu* menu)
{
    menu->addAction(tr("New Download"), QKeySequence(Qt::CTRL | Qt::Key_N), m_state, [this] {
        m_state->setSelection(SidebarItem::download);
        m_state->setUrlText(QString());
        m_state->info_reset();
    });
    menu->addAction(tr("Paste Link & Fetch"), Shortcuts::pasteLink(), this, &MainMenus::pasteAndFetch);
    menu->addSeparator();
    // The roles move these into the application menu where the platform has one.
    QAction* settings = menu->addAction(
        tr("Settings…"), QKeySequence(Qt::CTRL | Qt::Key_Comma), this, &MainMenus::settingsRequested);
    settings->setMenuRole(QAction::PreferencesRole);
    QAction* updates
        = menu->addAction(tr("Check for Tool Updates"), m_state, [this] { m_state->deps()->updateTools(); });
    updates->setMenuRole(QAction::ApplicationSpecificRole);
    menu->addSeparator();
    menu->addAction(tr("Close Window"), QKeySequence::Close, m_window, &QWidget::close);
    QAction* quit
        = menu->addAction(tr("Quit"), QKeySequence(Qt::CTRL | Qt::Key_Q), this, &MainMenus::quitRequested);
    quit->setMenuRole(QAction::QuitRole);
}

void MainMenus::buildDownloads(QMenu* menu)
{
    DownloadManager* downloads = m_state->downloads();
    menu->addAction(tr("Pause All"), QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_Period), downloads,
        &DownloadManager::pauseAll);
    menu->addAction(tr("Resume All"), QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_R), downloads,
        &DownloadManager::resumeAll);
    menu->addAction(tr("Clear Finished"), downloads, &DownloadManager::clearFinished);
    menu->addSeparator();
    menu->addAction(tr("Open Download Folder"), QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_O), this,
        &MainMenus::openDownloadFolder);
}

// One item per screen, in sidebar order, on Ctrl+1, Ctrl+2, …
void MainMenus::buildGo(QMenu* menu)
{
    const QList<SidebarItem> items = allSidebarItems();
    for (int position = 0; position < items.size(); ++position) {
        const SidebarItem item = items.at(position);
        menu->addAction(rawValue(item), QKeySequence(Qt::CTRL | (Qt::Key_1 + position)), m_state,
            [this, item] { m_state->setSelection(item); });
    }
}

void MainMenus::pasteAndFetch()
{
    const std::optional<QString> text
        = m_state->pasteboard() ? m_state->pasteboard()->string() : std::nullopt;
    if (text)
        m_state->receive(*text);
}

void MainMenus::openDownloadFolder()
{
    FileManager::open(SettingsStore::string(QStringLiteral("downloadFolder")).value_or(QDir::homePath()));
}
