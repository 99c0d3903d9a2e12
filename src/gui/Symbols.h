#pragma once

#include <QColor>
#include <QIcon>
#include <QString>

// The symbols the screens show, named as the design names them
// ("arrow.down.circle.fill", "xmark.octagon.fill", …). Each comes from the
// desktop's icon theme when it has a matching freedesktop icon, and is drawn
// otherwise, so no icon is ever blank, with or without an icon theme.
namespace Symbols {

// The themed icon, or the drawn one in the palette's text colour (or tint).
QIcon icon(const QString& name, const QColor& tint = QColor());
// Always the drawn symbol: for icons whose colour carries meaning (a green
// check, a red octagon), which themes do not keep.
QIcon drawn(const QString& name, const QColor& tint = QColor());
// The freedesktop icon name tried first; empty when there is none.
QString themeName(const QString& name);

} // namespace Symbols
