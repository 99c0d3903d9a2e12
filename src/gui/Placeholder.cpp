#include "Placeholder.h"

#include "Appearance.h"
#include "Symbols.h"

#include <QLabel>
#include <QVBoxLayout>

Placeholder::Placeholder(const QString& symbol, const QString& heading, const QString& line, QWidget* parent)
    : QWidget(parent)
{
    auto* column = new QVBoxLayout(this);
    column->setSpacing(10);
    column->addStretch(1);
    auto* icon = new QLabel(this);
    icon->setPixmap(Symbols::icon(symbol, Appearance::secondaryText(palette())).pixmap(56, 56));
    icon->setFixedSize(56, 56);
    column->addWidget(icon, 0, Qt::AlignHCenter);
    auto* title = new QLabel(heading, this);
    title->setFont(Appearance::scaled(font(), 1.35, QFont::DemiBold));
    title->setAlignment(Qt::AlignCenter);
    column->addWidget(title);
    if (!line.isEmpty()) {
        QLabel* text = Appearance::secondaryLabel(line, this);
        text->setAlignment(Qt::AlignCenter);
        column->addWidget(text);
    }
    column->addStretch(2);
}
