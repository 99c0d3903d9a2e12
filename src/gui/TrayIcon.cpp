#include "TrayIcon.h"

#include "DownloadManager.h"
#include "DownloadTask.h"
#include "Symbols.h"

#include <QMenu>
#include <QSystemTrayIcon>

TrayIcon::TrayIcon(DownloadManager* downloads, QObject* parent)
    : QObject(parent)
    , m_downloads(downloads)
    , m_menu(new QMenu)
    , m_icon(new QSystemTrayIcon(this))
{
    m_menu->setAccessibleName(tr("Klipwell"));
    m_status = m_menu->addAction(QString());
    m_status->setEnabled(false);
    m_menu->addAction(tr("Open Klipwell"), this, &TrayIcon::openRequested);
    m_menu->addAction(tr("Pause All"), m_downloads, &DownloadManager::pauseAll);
    m_menu->addAction(tr("Resume All"), m_downloads, &DownloadManager::resumeAll);
    m_menu->addSeparator();
    m_menu->addAction(tr("Quit"), this, &TrayIcon::quitRequested);
    m_icon->setContextMenu(m_menu);
    // A click on the icon itself opens the window, as desktops expect.
    connect(m_icon, &QSystemTrayIcon::activated, this, [this](QSystemTrayIcon::ActivationReason reason) {
        if (reason == QSystemTrayIcon::Trigger)
            emit openRequested();
    });
    connect(m_downloads, &DownloadManager::tasksChanged, this, &TrayIcon::watchTasks);
    watchTasks();
}

TrayIcon::~TrayIcon()
{
    delete m_menu;
}

bool TrayIcon::show()
{
    if (!QSystemTrayIcon::isSystemTrayAvailable())
        return false;
    m_icon->show();
    return true;
}

QString TrayIcon::statusText() const
{
    const int active = m_downloads->activeCount();
    return active < 1 ? tr("No active downloads") : QString::number(active) + tr(" downloading");
}

QString TrayIcon::symbol() const
{
    return m_downloads->activeCount() > 0 ? QStringLiteral("arrow.down.circle.fill")
                                          : QStringLiteral("arrow.down.circle");
}

// The active count changes with every task's status, so each task is
// watched; the connections go away with the tasks.
void TrayIcon::watchTasks()
{
    for (DownloadTask* task : m_downloads->tasks())
        connect(task, &DownloadTask::statusChanged, this, &TrayIcon::refresh, Qt::UniqueConnection);
    refresh();
}

void TrayIcon::refresh()
{
    const QString status = statusText();
    m_status->setText(status);
    // Drawn, not themed: solid against hollow is the message.
    m_icon->setIcon(Symbols::drawn(symbol()));
    m_icon->setToolTip(QStringLiteral("Klipwell — ") + status);
}
