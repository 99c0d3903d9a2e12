#pragma once

#include <QObject>

class AppState;
class QAction;
class QMenu;
class QMainWindow;

// The main window's menu bar: File, Downloads and Go. Every item ends in an
// operation of the application state, its downloads or its tools; the
// settings window and quitting belong to the application, which listens.
class MainMenus : public QObject {
    Q_OBJECT

public:
    MainMenus(AppState* state, QMainWindow* window);

signals:
    void settingsRequested();
    void quitRequested();

private:
    void buildFile(QMenu*);
    void buildDownloads(QMenu*);
    void buildGo(QMenu*);
    void pasteAndFetch();
    void openDownloadFolder();

    AppState* m_state;
    QMainWindow* m_window;
};
