#pragma once

#include "AppState.h"
#include "DependencyManager.h"
#include "DownloadManager.h"
#include "DownloadTask.h"
#include "FakePasteboard.h"
#include "FakeTools.h"
#include "MainWindow.h"

#include <QLineEdit>
#include <QMenu>
#include <QPushButton>
#include <QTest>

#include <memory>

// One main window over fresh application data, fresh settings and the tools
// stand-ins. Controls are found the way a screen reader finds them: by their
// accessible name.
class GuiFixture {
public:
    // Shows the window; when ready, waits until the tools are set up. Without stand-ins
    // the tools folder starts empty (set-up installs from KLIPWELL_TOOL_MIRROR).
    explicit GuiFixture(bool ready = true, bool standIns = true);

    AppState& state() const { return *m_state; }
    MainWindow& window() const { return *m_window; }
    FakePasteboard& pasteboard() { return m_pasteboard; }

    // The first widget of this type below root (default: the window) with this accessible name.
    template <typename T = QWidget> T* find(const QString& accessibleName, QWidget* root = nullptr) const
    {
        for (T* widget : (root ? root : m_window.get())->template findChildren<T*>()) {
            if (widget->accessibleName() == accessibleName)
                return widget;
        }
        return nullptr;
    }

    // Selects the item in the sidebar and returns its screen.
    template <typename T> T* show(SidebarItem item) const
    {
        m_state->setSelection(item);
        return qobject_cast<T*>(m_window->screen(int(item)));
    }

    // Queues a stand-in download that lasts until it is stopped; returns once it runs.
    DownloadTask* startLongDownload() const;

    // Empties the data folder and the settings, then installs the stand-ins.
    static void resetData(bool standIns = true);
    // Empties the settings; automatic tool updates stay off so nothing reaches the network.
    static void resetSettings();

private:
    FakePasteboard m_pasteboard;
    std::unique_ptr<AppState> m_state;
    std::unique_ptr<MainWindow> m_window; // goes before the state
};

// A download titled title from https://videos.example/watch/slug (default: the title) into ~/Downloads.
DownloadOptions namedOptions(const QString& title, const QString& slug = {});
// The menu's item texts, "|" for a separator.
QStringList menuTexts(const QMenu* menu);
// Triggers the menu's item with this text; fails the test when there is none.
void triggerMenuItem(const QMenu* menu, const QString& text);
// The text of the first visible label below root that starts with prefix; empty when there is none.
QString visibleText(const QWidget* root, const QString& prefix);
QByteArray pngBytes(const QImage& image);
