#pragma once

#include <QDialog>

class AppState;
class QTabWidget;

// The settings window: four tabs whose controls write their keys at once.
class SettingsWindow : public QDialog {
    Q_OBJECT

public:
    static constexpr int contentWidth = 560;
    static constexpr int contentHeight = 460;

    explicit SettingsWindow(AppState* state, QWidget* parent = nullptr);

    QTabWidget* tabs() const { return m_tabs; }

private:
    QTabWidget* m_tabs;
};
