#pragma once

#include <QObject>

class DownloadManager;
class QAction;
class QMenu;
class QSystemTrayIcon;

// The icon in the desktop's system tray: solid while something downloads,
// hollow otherwise, with a short menu.
class TrayIcon : public QObject {
    Q_OBJECT

public:
    explicit TrayIcon(DownloadManager* downloads, QObject* parent = nullptr);
    ~TrayIcon() override;

    // Shows the icon; false when the desktop has no tray.
    bool show();

    QString statusText() const;
    QString symbol() const;
    QMenu* menu() const { return m_menu; }

signals:
    void openRequested();
    void quitRequested();

private:
    void watchTasks();
    void refresh();

    DownloadManager* m_downloads;
    QMenu* m_menu;
    QAction* m_status;
    QSystemTrayIcon* m_icon;
};
