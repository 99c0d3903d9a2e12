#pragma once

#include <QWidget>

class AppState;

class HistoryView : public QWidget {
    Q_OBJECT

public:
    explicit HistoryView(AppState* state, QWidget* parent = nullptr);

private:
    AppState* m_state;
};
