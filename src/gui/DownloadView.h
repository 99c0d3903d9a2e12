#pragma once

#include <QWidget>

class AppState;

class DownloadView : public QWidget {
    Q_OBJECT

public:
    explicit DownloadView(AppState* state, QWidget* parent = nullptr);

private:
    AppState* m_state;
};
