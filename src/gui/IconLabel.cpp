#include "IconLabel.h"

#include "Symbols.h"

#include <QHBoxLayout>
#include <QLabel>

IconLabel::IconLabel(const QString& symbol, QWidget* parent)
    : QWidget(parent)
    , m_text(new QLabel(this))
{
    auto* layout = new QHBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(6);
    auto* icon = new QLabel(this);
    const int size = fontMetrics().height();
    icon->setPixmap(Symbols::icon(symbol).pixmap(size, size));
    icon->setFixedSize(size, size);
    layout->addWidget(icon);
    m_text->setTextInteractionFlags(Qt::TextSelectableByMouse);
    layout->addWidget(m_text, 1);
    setVisible(false);
}

void IconLabel::setText(const QString& text)
{
    m_text->setText(text);
    setAccessibleName(text);
    setVisible(!text.isEmpty());
}

QString IconLabel::text() const
{
    return m_text->text();
}
