#pragma once

#include "Tool.h"

#include <QMap>
#include <QWidget>

class AppState;
class ComponentRow;
class QGroupBox;
class QLabel;
class QPushButton;
class QVBoxLayout;
class Spinner;

// The health of Klipwell's tools: the system, every tool with its path, the
// last diagnostics results, and the actions to re-check, repair, copy the
// report and show the application log. Runs the diagnostics the first time
// it appears, not on later visits.
class DiagnosticsView : public QWidget {
    Q_OBJECT

public:
    explicit DiagnosticsView(AppState* state, QWidget* parent = nullptr);

protected:
    void showEvent(QShowEvent*) override;

private:
    QGroupBox* systemBox();
    QGroupBox* dependenciesBox();
    void refreshTools();
    void refreshResults();
    void refreshBusy();

    AppState* m_state;
    QMap<Tool, ComponentRow*> m_rows;
    QLabel* m_ejsDetail = nullptr;
    QGroupBox* m_results = nullptr;
    QVBoxLayout* m_resultLines = nullptr;
    Spinner* m_spinner = nullptr;
};
