#include "NoticeBox.h"

#include "Symbols.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QPainter>

NoticeBox::NoticeBox(const QString& symbol, const QColor& colour, QWidget* parent)
    : QWidget(parent)
    , m_colour(colour)
    , m_text(new QLabel(this))
{
    auto* layout = new QHBoxLayout(this);
    layout->setContentsMargins(12, 10, 12, 10);
    layout->setSpacing(8);
    auto* icon = new QLabel(this);
    const int size = fontMetrics().height() + 2;
    icon->setPixmap(Symbols::drawn(symbol, colour).pixmap(size, size));
    icon->setFixedSize(size, size);
    layout->addWidget(icon, 0, Qt::AlignTop);
    QPalette palette = m_text->palette();
    palette.setColor(QPalette::WindowText, colour);
    m_text->setPalette(palette);
    m_text->setWordWrap(true);
    m_text->setTextInteractionFlags(Qt::TextSelectableByMouse);
    layout->addWidget(m_text, 1);
}

void NoticeBox::setText(const QString& text)
{
    m_text->setText(text);
    setAccessibleName(text);
}

QString NoticeBox::text() const
{
    return m_text->text();
}

void NoticeBox::paintEvent(QPaintEvent*)
{
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing);
    QColor fill = m_colour;
    fill.setAlphaF(0.12);
    p.setPen(Qt::NoPen);
    p.setBrush(fill);
    p.drawRoundedRect(QRectF(rect()), 8, 8);
}
