#pragma once

#include "ComponentState.h"
#include "Tool.h"

#include <QWidget>

class ElidedLabel;
class QLabel;
class QProgressBar;
class QStackedWidget;
class Spinner;

// One tool on the set-up and diagnostics screens: a status icon (a spinner
// while working), the tool's name and detail, and on the right a progress
// bar while working or the version.
class ComponentRow : public QWidget {
    Q_OBJECT

public:
    explicit ComponentRow(Tool tool, QWidget* parent = nullptr);

    void setState(const ComponentState& state);
    Tool tool() const { return m_tool; }
    // The detail line as shown: the working label, the failure or the description.
    QString detail() const;
    // The status symbol shown ("checkmark.circle.fill", …); empty while working.
    QString symbol() const { return m_symbol; }

    static QString detailText(Tool tool, const ComponentState& state);

protected:
    void changeEvent(QEvent*) override;

private:
    ComponentState m_state;
    Tool m_tool;
    QString m_symbol;
    QStackedWidget* m_status;
    QLabel* m_icon;
    Spinner* m_spinner;
    ElidedLabel* m_name;
    ElidedLabel* m_detail;
    QProgressBar* m_progress;
    QLabel* m_version;
};
