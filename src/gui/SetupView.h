#pragma once

#include <QWidget>

class AppState;

class SetupView : public QWidget {
    Q_OBJECT

public:
    explicit SetupView(AppState* state, QWidget* parent = nullptr);

private:
    AppState* m_state;
};
