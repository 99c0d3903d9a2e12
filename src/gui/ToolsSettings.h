#pragma once

#include "Tool.h"

#include <QMap>
#include <QWidget>

class AppState;
class DependencyManager;
class QLabel;
class Spinner;
struct ComponentState;

// The "Tools" tab: each tool's state, the update switches and the tool
// actions, which wait while another check, repair or update runs.
class ToolsSettings : public QWidget {
    Q_OBJECT

public:
    ToolsSettings(AppState* state, QWidget* parent = nullptr);

    // The status shown for a tool.
    static QString label(const ComponentState& state);

private:
    void showStates();
    void showBusy();

    AppState* m_state;
    DependencyManager* m_deps;
    QMap<Tool, QLabel*> m_labels;
    QWidget* m_actions;
    Spinner* m_spinner;
    QLabel* m_current;
};
