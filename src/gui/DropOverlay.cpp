#include "DropOverlay.h"

#include "Appearance.h"
#include "Symbols.h"

#include <QPainter>
#include <QPainterPath>

namespace {
constexpr int inset = 16;
constexpr qreal radius = 18;
constexpr qreal border = 3;
constexpr int symbolSize = 44;
constexpr int spacing = 8;
} // namespace

DropOverlay::DropOverlay(QWidget* parent)
    : QWidget(parent)
{
    setAttribute(Qt::WA_TransparentForMouseEvents);
    setAcceptDrops(false);
    setFocusPolicy(Qt::NoFocus);
    hide();
}

void DropOverlay::paintEvent(QPaintEvent*)
{
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing);
    const QColor accent = Appearance::accent(palette());
    // The dashed edge lies inside the frame: inset by half the pen width.
    const QRectF frame = QRectF(rect()).adjusted(inset, inset, -inset, -inset);
    QPainterPath path;
    path.addRoundedRect(frame, radius, radius);
    QColor material = palette().color(QPalette::Window);
    material.setAlphaF(0.85);
    p.fillPath(path, material);
    QPen pen(accent, border);
    // Dash lengths are in units of the pen width: 10 on, 6 off.
    pen.setDashPattern({ 10 / border, 6 / border });
    pen.setCapStyle(Qt::FlatCap);
    p.setPen(pen);
    const qreal half = border / 2;
    p.drawRoundedRect(frame.adjusted(half, half, -half, -half), radius - half, radius - half);

    QFont title = Appearance::scaled(font(), 1.55, QFont::DemiBold);
    const QFontMetrics metrics(title);
    const QString text = tr("Drop links to download");
    const int total = symbolSize + spacing + metrics.height();
    const int top = int(frame.center().y()) - total / 2;
    const QRect symbol(int(frame.center().x()) - symbolSize / 2, top, symbolSize, symbolSize);
    Symbols::drawn(QStringLiteral("arrow.down.doc.fill"), accent).paint(&p, symbol);
    p.setFont(title);
    p.setPen(palette().color(QPalette::WindowText));
    p.drawText(QRect(int(frame.left()), top + symbolSize + spacing, int(frame.width()), metrics.height()),
        Qt::AlignCenter, text);
}
