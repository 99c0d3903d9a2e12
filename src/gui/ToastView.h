#pragma once

#include <QWidget>

class AppState;
class QVariantAnimation;

// The short message at the bottom of the main window (AppState::toast): a
// capsule that slides up and fades in, stays 2.2 seconds and goes. A newer
// text gets its own 2.2 seconds. Never takes mouse events.
class ToastView : public QWidget {
    Q_OBJECT

public:
    static constexpr int durationMs = 2200;

    explicit ToastView(AppState* state, QWidget* parent);

    QString text() const { return m_text; }
    // Keeps the capsule centred 18 points above the parent's bottom edge.
    void place();

protected:
    void paintEvent(QPaintEvent*) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void toastChanged();
    void animateTo(qreal shown);

    AppState* m_state;
    QString m_text;
    quint64 m_generation = 0;
    qreal m_shown = 0; // 0 hidden … 1 fully shown
    QVariantAnimation* m_animation;
};
