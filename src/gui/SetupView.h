#pragma once

#include "Tool.h"

#include <QMap>
#include <QWidget>

class AppState;
class ComponentRow;
class QLabel;
class QProgressBar;
class QPushButton;

// What the main window shows until the tools are ready: every tool's row,
// the overall progress and the current step, or after a failure the
// explanation and "Retry".
class SetupView : public QWidget {
    Q_OBJECT

public:
    explicit SetupView(AppState* state, QWidget* parent = nullptr);

    ComponentRow* row(Tool tool) const { return m_rows.value(tool); }

private:
    void refresh();

    AppState* m_state;
    QMap<Tool, ComponentRow*> m_rows;
    QProgressBar* m_overall;
    QLabel* m_current;
    QLabel* m_failure;
    QPushButton* m_retry;
};
