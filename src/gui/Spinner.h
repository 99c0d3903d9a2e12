#pragma once

#include <QWidget>

// A small indeterminate busy indicator: a turning arc in the text colour.
// It only animates while visible.
class Spinner : public QWidget {
    Q_OBJECT

public:
    explicit Spinner(int size = 16, QWidget* parent = nullptr);
    QSize sizeHint() const override;

protected:
    void paintEvent(QPaintEvent*) override;
    void showEvent(QShowEvent*) override;
    void hideEvent(QHideEvent*) override;
    void timerEvent(QTimerEvent*) override;

private:
    int m_size;
    int m_angle = 0;
    int m_timer = 0;
};
