#include "Appearance.h"

#include <QFontDatabase>
#include <QLabel>
#include <QPalette>

namespace Appearance {

QColor secondaryText(const QPalette& palette)
{
    const QColor text = palette.color(QPalette::WindowText);
    const QColor window = palette.color(QPalette::Window);
    // Halfway between text and background keeps contrast in both palettes.
    return QColor::fromRgbF((text.redF() * 0.6 + window.redF() * 0.4),
        (text.greenF() * 0.6 + window.greenF() * 0.4), (text.blueF() * 0.6 + window.blueF() * 0.4));
}

QColor accent(const QPalette& palette)
{
    return palette.color(QPalette::Highlight);
}

QColor success()
{
    return QColor(0x2e, 0xa0, 0x43);
}

QColor failure()
{
    return QColor(0xd7, 0x3a, 0x3a);
}

QColor warning()
{
    return QColor(0xe0, 0x7b, 0x00);
}

QFont monospace(qreal pointSizeFactor)
{
    QFont font = QFontDatabase::systemFont(QFontDatabase::FixedFont);
    if (pointSizeFactor != 1.0 && font.pointSizeF() > 0)
        font.setPointSizeF(font.pointSizeF() * pointSizeFactor);
    return font;
}

QFont scaled(const QFont& base, qreal factor, int weight)
{
    QFont font = base;
    if (font.pointSizeF() > 0)
        font.setPointSizeF(font.pointSizeF() * factor);
    else
        font.setPixelSize(qRound(font.pixelSize() * factor));
    if (weight >= 0)
        font.setWeight(QFont::Weight(weight));
    return font;
}

void makeSecondary(QLabel* label)
{
    QPalette palette = label->palette();
    palette.setColor(QPalette::WindowText, secondaryText(palette));
    label->setPalette(palette);
}

QLabel* secondaryLabel(const QString& text, QWidget* parent)
{
    auto* label = new QLabel(text, parent);
    label->setWordWrap(true);
    makeSecondary(label);
    return label;
}

} // namespace Appearance
