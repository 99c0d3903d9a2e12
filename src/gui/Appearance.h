#pragma once

#include <QColor>
#include <QFont>

class QLabel;
class QPalette;
class QWidget;

// Colours and fonts shared by the screens, derived from the current palette
// so light and dark palettes both read well.
namespace Appearance {

QColor secondaryText(const QPalette&);
QColor accent(const QPalette&);
QColor success();
QColor failure();
QColor warning();
QFont monospace(qreal pointSizeFactor = 1.0);
// A font scaled from the widget's own, optionally bold or medium.
QFont scaled(const QFont& base, qreal factor, int weight = -1);
// Shows a label's text in the secondary colour.
void makeSecondary(QLabel*);
// A label with the given text, word-wrapped, in the secondary colour.
QLabel* secondaryLabel(const QString& text, QWidget* parent = nullptr);

} // namespace Appearance
