#include "ToastView.h"

#include "AppState.h"
#include "Appearance.h"

#include <QEvent>
#include <QPainter>
#include <QPainterPath>
#include <QTimer>
#include <QVariantAnimation>

namespace {
constexpr int padX = 14;
constexpr int padY = 8;
constexpr int bottomGap = 18;
constexpr int shadow = 4;
constexpr int slide = 24;
} // namespace

ToastView::ToastView(AppState* state, QWidget* parent)
    : QWidget(parent)
    , m_state(state)
    , m_animation(new QVariantAnimation(this))
{
    setAttribute(Qt::WA_TransparentForMouseEvents);
    setAttribute(Qt::WA_TranslucentBackground);
    setFocusPolicy(Qt::NoFocus);
    m_animation->setDuration(220);
    m_animation->setEasingCurve(QEasingCurve::OutCubic);
    connect(m_animation, &QVariantAnimation::valueChanged, this, [this](const QVariant& value) {
        m_shown = value.toReal();
        update();
    });
    connect(m_animation, &QVariantAnimation::finished, this, [this] {
        if (m_shown == 0)
            hide();
    });
    connect(m_state, &AppState::toastChanged, this, &ToastView::toastChanged);
    parent->installEventFilter(this);
    hide();
    toastChanged();
}

void ToastView::toastChanged()
{
    const std::optional<QString> toast = m_state->toast();
    if (!toast) {
        animateTo(0);
        return;
    }
    m_text = *toast;
    setAccessibleName(m_text);
    const quint64 generation = ++m_generation;
    QTimer::singleShot(durationMs, this, [this, generation] {
        if (generation == m_generation && m_state->toast())
            m_state->setToast(std::nullopt);
    });
    place();
    show();
    raise();
    animateTo(1);
}

void ToastView::animateTo(qreal shown)
{
    m_animation->stop();
    m_animation->setStartValue(m_shown);
    m_animation->setEndValue(shown);
    m_animation->start();
}

void ToastView::place()
{
    QFont font = Appearance::scaled(parentWidget()->font(), 1.0, QFont::Medium);
    setFont(font);
    const QFontMetrics metrics(font);
    const int maxText = qMax(100, parentWidget()->width() - 80 - 2 * padX);
    const QString shown = metrics.elidedText(m_text, Qt::ElideRight, maxText);
    const QSize capsule(metrics.horizontalAdvance(shown) + 2 * padX, metrics.height() + 2 * padY);
    const QSize full = capsule + QSize(2 * shadow, 2 * shadow + slide);
    setGeometry((parentWidget()->width() - full.width()) / 2,
        parentWidget()->height() - bottomGap - capsule.height() - shadow - slide, full.width(),
        full.height());
}

bool ToastView::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == parentWidget() && event->type() == QEvent::Resize && isVisible())
        place();
    return QWidget::eventFilter(watched, event);
}

void ToastView::paintEvent(QPaintEvent*)
{
    if (m_shown <= 0)
        return;
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing);
    p.setOpacity(m_shown);
    p.translate(0, (1 - m_shown) * slide);
    const QRectF capsule(shadow, shadow, width() - 2 * shadow, height() - 2 * shadow - slide);
    const qreal radius = capsule.height() / 2;
    // A soft shadow of black at a third, spread over a few pixels.
    for (int i = shadow; i > 0; --i) {
        QPainterPath ring;
        ring.addRoundedRect(capsule.adjusted(-i, -i, i, i), radius + i, radius + i);
        p.fillPath(ring, QColor(0, 0, 0, int(84.0 / (shadow + 1) * (shadow - i + 1) / shadow)));
    }
    QPainterPath path;
    path.addRoundedRect(capsule, radius, radius);
    QColor material = palette().color(QPalette::Window);
    material.setAlphaF(0.94);
    p.fillPath(path, material);
    QColor edge = palette().color(QPalette::WindowText);
    edge.setAlphaF(0.12);
    p.setPen(QPen(edge, 1));
    p.drawPath(path);
    p.setPen(palette().color(QPalette::WindowText));
    const QString shown = fontMetrics().elidedText(m_text, Qt::ElideRight, int(capsule.width()) - 2 * padX);
    p.drawText(capsule, Qt::AlignCenter, shown);
}
