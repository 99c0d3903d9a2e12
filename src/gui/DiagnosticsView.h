#pragma once

#include <QWidget>

class AppState;

class DiagnosticsView : public QWidget {
    Q_OBJECT

public:
    explicit DiagnosticsView(AppState* state, QWidget* parent = nullptr);

private:
    AppState* m_state;
};
