#pragma once

#include <QWidget>

class AppState;

class QueueView : public QWidget {
    Q_OBJECT

public:
    explicit QueueView(AppState* state, QWidget* parent = nullptr);

private:
    AppState* m_state;
};
