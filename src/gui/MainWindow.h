#pragma once

#include <QMainWindow>

class AppState;
class DropOverlay;
class MainMenus;
class QListView;
class QMimeData;
class QStackedWidget;
class SetupView;
class SidebarModel;
class ToastView;

// The main window: the set-up screen until the tools are ready, then the
// sidebar with the four screens; the whole window takes dropped links, and
// the toast shows over everything. Starts the tool set-up when first shown.
class MainWindow : public QMainWindow {
    Q_OBJECT

public:
    explicit MainWindow(AppState* state, QWidget* parent = nullptr);
    ~MainWindow() override;

    AppState* state() const { return m_state; }
    // The screen shown for a sidebar entry (tests and menus use it).
    QWidget* screen(int sidebarRow) const;
    QListView* sidebar() const { return m_sidebar; }
    MainMenus* menus() const { return m_menus; }
    bool isDropTargeted() const;

protected:
    void showEvent(QShowEvent*) override;
    void resizeEvent(QResizeEvent*) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    QWidget* buildWorkingScreens();
    void showSetupOrScreens();
    void showSelection();
    void sidebarSelectionChanged();
    void setDropTargeted(bool);
    void receiveDrop(const QMimeData*);
    bool belongsToThisWindow(QObject*) const;

    AppState* m_state;
    QStackedWidget* m_pages = nullptr;
    SetupView* m_setup = nullptr;
    QListView* m_sidebar = nullptr;
    SidebarModel* m_sidebarModel = nullptr;
    QStackedWidget* m_detail = nullptr;
    DropOverlay* m_dropOverlay = nullptr;
    ToastView* m_toast = nullptr;
    MainMenus* m_menus = nullptr;
    bool m_launched = false;
};
