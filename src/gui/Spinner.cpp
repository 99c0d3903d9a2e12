#include "Spinner.h"

#include <QPainter>
#include <QTimerEvent>

Spinner::Spinner(int size, QWidget* parent)
    : QWidget(parent)
    , m_size(size)
{
    setFixedSize(size, size);
    setAccessibleName(tr("Busy"));
}

QSize Spinner::sizeHint() const
{
    return { m_size, m_size };
}

void Spinner::paintEvent(QPaintEvent*)
{
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing);
    const qreal pen = qMax(1.5, m_size / 8.0);
    const QRectF box = QRectF(rect()).adjusted(pen, pen, -pen, -pen);
    QColor track = palette().color(QPalette::WindowText);
    track.setAlphaF(0.15);
    p.setPen(QPen(track, pen));
    p.drawEllipse(box);
    p.setPen(QPen(palette().color(QPalette::WindowText), pen, Qt::SolidLine, Qt::RoundCap));
    p.drawArc(box, -m_angle * 16, 100 * 16);
}

void Spinner::showEvent(QShowEvent*)
{
    if (!m_timer)
        m_timer = startTimer(40);
}

void Spinner::hideEvent(QHideEvent*)
{
    if (m_timer)
        killTimer(m_timer);
    m_timer = 0;
}

void Spinner::timerEvent(QTimerEvent* event)
{
    if (event->timerId() != m_timer)
        return;
    m_angle = (m_angle + 24) % 360;
    update();
}
