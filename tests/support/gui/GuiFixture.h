#pragma once

#include "FakePasteboard.h"

#include <QString>
#include <QWidget>

#include <memory>

class AppState;
class MainWindow;

// One main window over fresh application data, fresh settings and the tools
// stand-ins, for the widget tests. Controls are found the way a screen
// reader finds them: by their accessible name.
class GuiFixture {
public:
    // Shows the window; when ready, waits until the tools are set up. Without
    // stand-ins the tools folder starts empty (set-up installs from whatever
    // KLIPWELL_TOOL_MIRROR points at).
    explicit GuiFixture(bool ready = true, bool standIns = true);
    ~GuiFixture();

    AppState& state() const { return *m_state; }
    MainWindow& window() const { return *m_window; }
    FakePasteboard& pasteboard() { return m_pasteboard; }

    // The first widget below root (default: the window) with this accessible
    // name and type; nullptr when there is none.
    template <typename T = QWidget> T* find(const QString& accessibleName, QWidget* root = nullptr) const
    {
        return qobject_cast<T*>(findWidget(accessibleName, root, &T::staticMetaObject));
    }

    // Empties the data folder and the settings, then installs the stand-ins.
    static void resetData(bool standIns = true);
    // Empties the settings; automatic tool updates stay off so nothing
    // reaches the network.
    static void resetSettings();

private:
    QWidget* findWidget(const QString& name, QWidget* root, const QMetaObject* type) const;

    FakePasteboard m_pasteboard;
    std::unique_ptr<AppState> m_state;
    std::unique_ptr<MainWindow> m_window;
};
