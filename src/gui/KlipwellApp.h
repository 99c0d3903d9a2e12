#pragma once

#include <QObject>
#include <QPointer>

class AppState;
class MainWindow;
class QuitGuard;
class SettingsWindow;
class TrayIcon;

// The application around its windows: the main window, the settings window,
// the tray icon and the way out. Closing the main window only hides it while
// a tray icon can bring it back; without a tray it is a quit request.
class KlipwellApp : public QObject {
    Q_OBJECT

public:
    explicit KlipwellApp(AppState* state, QObject* parent = nullptr);
    ~KlipwellApp() override;

    MainWindow* mainWindow() const;
    QuitGuard* quitGuard() const { return m_quit; }
    // None when the desktop has no tray.
    TrayIcon* tray() const { return m_tray; }
    SettingsWindow* settingsWindow() const;

    // Brings the main window to the front, making a new one when there is none.
    void showMainWindow();
    // Opens the settings window, or brings the open one to the front.
    void showSettings();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void createMainWindow();

    AppState* m_state;
    QuitGuard* m_quit;
    TrayIcon* m_tray = nullptr;
    QPointer<MainWindow> m_window;
    QPointer<SettingsWindow> m_settings;
};
