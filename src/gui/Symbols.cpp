#include "Symbols.h"

#include <QApplication>
#include <QHash>
#include <QIconEngine>
#include <QPainter>
#include <QPainterPath>
#include <QPalette>
#include <QPixmap>
#include <QtMath>

#include <functional>

namespace {

// Every symbol is drawn on a 24 × 24 grid and scaled to the size asked for.
constexpr qreal grid = 24;

struct Pen {
    QPainter& p;
    QColor color;

    void stroke(const QPainterPath& path, qreal width = 2) const
    {
        p.setBrush(Qt::NoBrush);
        p.setPen(QPen(color, width, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
        p.drawPath(path);
    }
    void fill(const QPainterPath& path) const
    {
        p.setPen(Qt::NoPen);
        p.setBrush(color);
        p.drawPath(path);
    }
    // Punches the glyph out of what was filled before, so a filled circle
    // keeps its inner symbol transparent on any background.
    void cut(const std::function<void()>& glyph) const
    {
        p.setCompositionMode(QPainter::CompositionMode_Clear);
        glyph();
        p.setCompositionMode(QPainter::CompositionMode_SourceOver);
    }
};

QPainterPath circle(qreal r = 9.5, QPointF c = { 12, 12 })
{
    QPainterPath path;
    path.addEllipse(c, r, r);
    return path;
}

QPainterPath polyline(std::initializer_list<QPointF> points)
{
    QPainterPath path;
    auto it = points.begin();
    path.moveTo(*it);
    for (++it; it != points.end(); ++it)
        path.lineTo(*it);
    return path;
}

QPainterPath downArrow(qreal top = 7, qreal bottom = 16.5)
{
    QPainterPath path = polyline({ { 12, top }, { 12, bottom } });
    path.addPath(polyline({ { 8, bottom - 4 }, { 12, bottom }, { 16, bottom - 4 } }));
    return path;
}

QPainterPath cross(qreal half = 3.5, QPointF c = { 12, 12 })
{
    QPainterPath path = polyline({ c + QPointF(-half, -half), c + QPointF(half, half) });
    path.addPath(polyline({ c + QPointF(half, -half), c + QPointF(-half, half) }));
    return path;
}

QPainterPath check()
{
    return polyline({ { 7.5, 12.5 }, { 10.8, 15.8 }, { 16.5, 9 } });
}

QPainterPath playTriangle(qreal left = 9, qreal top = 7, qreal size = 10)
{
    QPainterPath path
        = polyline({ { left, top }, { left + size * 0.87, top + size / 2 }, { left, top + size } });
    path.closeSubpath();
    return path;
}

QPainterPath page()
{
    QPainterPath path = polyline({ { 6, 3 }, { 14, 3 }, { 19, 8 }, { 19, 21 }, { 6, 21 } });
    path.closeSubpath();
    path.addPath(polyline({ { 14, 3 }, { 14, 8 }, { 19, 8 } }));
    return path;
}

QPainterPath clockHands()
{
    return polyline({ { 12, 7 }, { 12, 12 }, { 15.5, 14 } });
}

QPainterPath refreshArrow(QPointF c = { 12, 12 }, qreal r = 7)
{
    QPainterPath path;
    path.arcMoveTo(QRectF(c.x() - r, c.y() - r, 2 * r, 2 * r), 60);
    path.arcTo(QRectF(c.x() - r, c.y() - r, 2 * r, 2 * r), 60, 300);
    const QPointF tip = path.currentPosition();
    path.addPath(polyline({ tip + QPointF(-4, -1), tip, tip + QPointF(0.5, -4.2) }));
    return path;
}

QPainterPath gear(QPointF c, qreal outer, qreal inner, int teeth)
{
    QPainterPath path;
    for (int i = 0; i < teeth * 2; ++i) {
        const qreal a0 = (i * M_PI) / teeth;
        const qreal a1 = ((i + 1) * M_PI) / teeth;
        const qreal r = (i % 2 == 0) ? outer : inner;
        const QPointF p0 = c + QPointF(r * qCos(a0), r * qSin(a0));
        const QPointF p1 = c + QPointF(r * qCos(a1), r * qSin(a1));
        if (i == 0)
            path.moveTo(p0);
        else
            path.lineTo(p0);
        path.lineTo(p1);
    }
    path.closeSubpath();
    path.addEllipse(c, inner * 0.45, inner * 0.45);
    path.setFillRule(Qt::OddEvenFill);
    return path;
}

using Painter = std::function<void(const Pen&)>;

const QHash<QString, Painter>& painters()
{
    static const QHash<QString, Painter> table = {
        { QStringLiteral("arrow.down.circle"),
            [](const Pen& d) {
                d.stroke(circle());
                d.stroke(downArrow());
            } },
        { QStringLiteral("arrow.down.circle.fill"),
            [](const Pen& d) {
                d.fill(circle(10));
                d.cut([&] { d.stroke(downArrow(), 2.2); });
            } },
        { QStringLiteral("arrow.down.doc.fill"),
            [](const Pen& d) {
                d.fill(page());
                d.cut([&] { d.stroke(downArrow(9, 18), 2); });
            } },
        { QStringLiteral("list.bullet.rectangle"),
            [](const Pen& d) {
                QPainterPath frame;
                frame.addRoundedRect(QRectF(3, 4.5, 18, 15), 3, 3);
                d.stroke(frame, 1.8);
                for (qreal y : { 9.0, 12.0, 15.0 }) {
                    d.fill(circle(1, { 7, y }));
                    d.stroke(polyline({ { 10, y }, { 17.5, y } }), 1.6);
                }
            } },
        { QStringLiteral("clock.arrow.circlepath"),
            [](const Pen& d) {
                d.stroke(refreshArrow({ 12.5, 12 }, 8));
                d.stroke(polyline({ { 12.5, 8 }, { 12.5, 12 }, { 15, 13.5 } }), 1.8);
            } },
        { QStringLiteral("clock"),
            [](const Pen& d) {
                d.stroke(circle());
                d.stroke(clockHands(), 1.8);
            } },
        { QStringLiteral("stethoscope"),
            [](const Pen& d) {
                QPainterPath tube = polyline({ { 6, 3.5 }, { 6, 9 } });
                tube.cubicTo(6, 14, 14, 14, 14, 9);
                tube.lineTo(14, 3.5);
                d.stroke(tube, 1.8);
                QPainterPath stem;
                stem.moveTo(10, 12.7);
                stem.cubicTo(10, 20, 17.5, 20.5, 17.5, 15);
                d.stroke(stem, 1.8);
                d.stroke(circle(2.2, { 17.5, 12.8 }), 1.6);
            } },
        { QStringLiteral("link"),
            [](const Pen& d) {
                QPainterPath a;
                a.addRoundedRect(QRectF(3, 9, 10, 6), 3, 3);
                QPainterPath b;
                b.addRoundedRect(QRectF(11, 9, 10, 6), 3, 3);
                QTransform t;
                t.translate(12, 12);
                t.rotate(-45);
                t.translate(-12, -12);
                d.stroke(t.map(a), 1.8);
                d.stroke(t.map(b), 1.8);
            } },
        { QStringLiteral("xmark.circle.fill"),
            [](const Pen& d) {
                d.fill(circle(9));
                d.cut([&] { d.stroke(cross(3.3), 2); });
            } },
        { QStringLiteral("xmark.circle"),
            [](const Pen& d) {
                d.stroke(circle());
                d.stroke(cross(3.3), 1.8);
            } },
        { QStringLiteral("xmark"), [](const Pen& d) { d.stroke(cross(5.5), 2.2); } },
        { QStringLiteral("xmark.octagon.fill"),
            [](const Pen& d) {
                QPainterPath oct;
                for (int i = 0; i < 8; ++i) {
                    const qreal a = M_PI / 8 + i * M_PI / 4;
                    const QPointF p(12 + 10 * qCos(a), 12 + 10 * qSin(a));
                    i == 0 ? oct.moveTo(p) : oct.lineTo(p);
                }
                oct.closeSubpath();
                d.fill(oct);
                d.cut([&] { d.stroke(cross(3.5), 2.2); });
            } },
        { QStringLiteral("checkmark.circle.fill"),
            [](const Pen& d) {
                d.fill(circle(10));
                d.cut([&] { d.stroke(check(), 2.2); });
            } },
        { QStringLiteral("circle.dotted"),
            [](const Pen& d) {
                for (int i = 0; i < 12; ++i) {
                    const qreal a = i * M_PI / 6;
                    d.fill(circle(1.1, { 12 + 9 * qCos(a), 12 + 9 * qSin(a) }));
                }
            } },
        { QStringLiteral("exclamationmark.triangle.fill"),
            [](const Pen& d) {
                QPainterPath tri = polyline({ { 12, 3 }, { 22, 20.5 }, { 2, 20.5 } });
                tri.closeSubpath();
                QPainterPathStroker rounder;
                rounder.setWidth(2);
                rounder.setJoinStyle(Qt::RoundJoin);
                d.fill(tri.united(rounder.createStroke(tri)));
                d.cut([&] {
                    d.stroke(polyline({ { 12, 9 }, { 12, 14 } }), 2.2);
                    d.fill(circle(1.3, { 12, 17.3 }));
                });
            } },
        { QStringLiteral("play.rectangle.on.rectangle"),
            [](const Pen& d) {
                QPainterPath back;
                back.addRoundedRect(QRectF(6, 3, 15, 11), 2.5, 2.5);
                d.stroke(back, 1.6);
                QPainterPath front;
                front.addRoundedRect(QRectF(3, 8, 15, 12), 2.5, 2.5);
                d.fill(front);
                d.cut([&] { d.fill(playTriangle(8.7, 10.8, 6.4)); });
            } },
        { QStringLiteral("person.crop.circle"),
            [](const Pen& d) {
                d.stroke(circle(), 1.8);
                d.stroke(circle(3.2, { 12, 10 }), 1.8);
                QPainterPath body;
                body.moveTo(6.2, 18.5);
                body.cubicTo(8, 14.5, 16, 14.5, 17.8, 18.5);
                d.stroke(body, 1.8);
            } },
        { QStringLiteral("film"),
            [](const Pen& d) {
                QPainterPath frame;
                frame.addRoundedRect(QRectF(4, 3, 16, 18), 2.5, 2.5);
                d.stroke(frame, 1.8);
                d.stroke(polyline({ { 8, 3 }, { 8, 21 } }), 1.5);
                d.stroke(polyline({ { 16, 3 }, { 16, 21 } }), 1.5);
                d.stroke(polyline({ { 8, 12 }, { 16, 12 } }), 1.5);
            } },
        { QStringLiteral("folder"),
            [](const Pen& d) {
                QPainterPath path
                    = polyline({ { 3, 6 }, { 9, 6 }, { 11, 8 }, { 21, 8 }, { 21, 19 }, { 3, 19 } });
                path.closeSubpath();
                d.stroke(path, 1.8);
            } },
        { QStringLiteral("doc.on.clipboard"),
            [](const Pen& d) {
                QPainterPath board;
                board.addRoundedRect(QRectF(5, 4.5, 14, 17), 2.5, 2.5);
                d.stroke(board, 1.8);
                QPainterPath clip;
                clip.addRoundedRect(QRectF(9, 2.5, 6, 4), 1.5, 1.5);
                d.fill(clip);
                d.stroke(polyline({ { 8.5, 12 }, { 15.5, 12 } }), 1.5);
                d.stroke(polyline({ { 8.5, 16 }, { 13.5, 16 } }), 1.5);
            } },
        { QStringLiteral("doc.on.doc"),
            [](const Pen& d) {
                QPainterPath back;
                back.addRoundedRect(QRectF(8, 3, 12, 14), 2.5, 2.5);
                d.stroke(back, 1.7);
                QPainterPath front;
                front.addRoundedRect(QRectF(4, 7, 12, 14), 2.5, 2.5);
                d.fill(front);
            } },
        { QStringLiteral("doc.text"),
            [](const Pen& d) {
                d.stroke(page(), 1.7);
                for (qreal y : { 12.0, 15.0, 18.0 })
                    d.stroke(polyline({ { 9, y }, { 16, y } }), 1.4);
            } },
        { QStringLiteral("wrench.and.screwdriver"),
            [](const Pen& d) {
                d.stroke(polyline({ { 5, 19 }, { 13, 11 } }), 3);
                d.stroke(circle(3.5, { 15.5, 8.5 }), 2);
                d.stroke(polyline({ { 19, 19 }, { 11.5, 11.5 } }), 2);
                d.stroke(polyline({ { 8, 5 }, { 10.5, 7.5 } }), 3);
            } },
        { QStringLiteral("arrow.clockwise"),
            [](const Pen& d) {
                d.stroke(refreshArrow({ 12, 12.5 }, 7.5));
            } },
        { QStringLiteral("pause.fill"),
            [](const Pen& d) {
                QPainterPath bars;
                bars.addRoundedRect(QRectF(6.5, 5, 4, 14), 1.2, 1.2);
                bars.addRoundedRect(QRectF(13.5, 5, 4, 14), 1.2, 1.2);
                d.fill(bars);
            } },
        { QStringLiteral("pause.circle.fill"),
            [](const Pen& d) {
                d.fill(circle(10));
                d.cut([&] {
                    QPainterPath bars;
                    bars.addRect(QRectF(8.5, 7.5, 2.6, 9));
                    bars.addRect(QRectF(12.9, 7.5, 2.6, 9));
                    d.fill(bars);
                });
            } },
        { QStringLiteral("play.fill"), [](const Pen& d) { d.fill(playTriangle(7, 5, 14)); } },
        { QStringLiteral("play.circle"),
            [](const Pen& d) {
                d.stroke(circle(), 1.8);
                d.fill(playTriangle(10, 8, 8));
            } },
        { QStringLiteral("gearshape"),
            [](const Pen& d) {
                d.fill(gear({ 12, 12 }, 9.5, 7, 8));
            } },
        { QStringLiteral("gearshape.2.fill"),
            [](const Pen& d) {
                d.fill(gear({ 9.5, 10 }, 7, 5, 8));
                d.fill(gear({ 17, 17 }, 4.8, 3.4, 6));
            } },
        { QStringLiteral("magnifyingglass"),
            [](const Pen& d) {
                d.stroke(circle(6, { 10.5, 10.5 }), 2);
                d.stroke(polyline({ { 15, 15 }, { 20, 20 } }), 2.4);
            } },
        { QStringLiteral("trash"),
            [](const Pen& d) {
                d.stroke(polyline({ { 4, 6.5 }, { 20, 6.5 } }), 1.8);
                d.stroke(polyline({ { 9.5, 6.5 }, { 10, 3.5 }, { 14, 3.5 }, { 14.5, 6.5 } }), 1.6);
                QPainterPath bin = polyline({ { 6, 6.5 }, { 7, 20.5 }, { 17, 20.5 }, { 18, 6.5 } });
                d.stroke(bin, 1.8);
                d.stroke(polyline({ { 10, 10 }, { 10, 17 } }), 1.4);
                d.stroke(polyline({ { 14, 10 }, { 14, 17 } }), 1.4);
            } },
        { QStringLiteral("tray"),
            [](const Pen& d) {
                QPainterPath path
                    = polyline({ { 3, 13 }, { 6, 5 }, { 18, 5 }, { 21, 13 }, { 21, 19 }, { 3, 19 } });
                path.closeSubpath();
                d.stroke(path, 1.8);
                d.stroke(polyline({ { 3, 13 }, { 8.5, 13 }, { 9.5, 15.5 }, { 14.5, 15.5 }, { 15.5, 13 },
                             { 21, 13 } }),
                    1.6);
            } },
        { QStringLiteral("minus.circle"),
            [](const Pen& d) {
                d.stroke(circle(), 1.8);
                d.stroke(polyline({ { 7.5, 12 }, { 16.5, 12 } }));
            } },
        { QStringLiteral("network"),
            [](const Pen& d) {
                d.stroke(circle(), 1.7);
                QPainterPath meridian;
                meridian.addEllipse(QPointF(12, 12), 4, 9.5);
                d.stroke(meridian, 1.4);
                d.stroke(polyline({ { 2.5, 12 }, { 21.5, 12 } }), 1.4);
                d.stroke(polyline({ { 4.5, 7 }, { 19.5, 7 } }), 1.2);
                d.stroke(polyline({ { 4.5, 17 }, { 19.5, 17 } }), 1.2);
            } },
    };
    return table;
}

// A symbol drawn at whatever size and state the view asks for.
class SymbolEngine : public QIconEngine {
public:
    SymbolEngine(QString name, QColor tint)
        : m_name(std::move(name))
        , m_tint(tint)
    {
    }

    void paint(QPainter* painter, const QRect& rect, QIcon::Mode mode, QIcon::State state) override
    {
        const qreal dpr = painter->device() ? painter->device()->devicePixelRatioF() : 1.0;
        QPixmap image = pixmap(rect.size() * dpr, mode, state);
        image.setDevicePixelRatio(dpr);
        painter->drawPixmap(rect.topLeft(), image);
    }

    QPixmap pixmap(const QSize& size, QIcon::Mode mode, QIcon::State) override
    {
        QImage image(size, QImage::Format_ARGB32_Premultiplied);
        image.fill(Qt::transparent);
        QPainter p(&image);
        p.setRenderHint(QPainter::Antialiasing);
        const qreal side = qMin(size.width(), size.height());
        p.translate((size.width() - side) / 2, (size.height() - side) / 2);
        p.scale(side / grid, side / grid);
        QColor color = m_tint.isValid() ? m_tint : QApplication::palette().color(QPalette::WindowText);
        if (mode == QIcon::Disabled)
            color.setAlphaF(color.alphaF() * 0.4);
        else if (mode == QIcon::Selected && !m_tint.isValid())
            color = QApplication::palette().color(QPalette::HighlightedText);
        const auto found = painters().constFind(m_name);
        const Pen pen { p, color };
        if (found != painters().constEnd())
            (*found)(pen);
        else
            pen.stroke(circle()); // an unknown name still shows a mark, never nothing
        p.end();
        return QPixmap::fromImage(image);
    }

    QIconEngine* clone() const override { return new SymbolEngine(m_name, m_tint); }
    QString key() const override { return QStringLiteral("KlipwellSymbol"); }

private:
    QString m_name;
    QColor m_tint;
};

} // namespace

namespace Symbols {

QString themeName(const QString& name)
{
    static const QHash<QString, QString> names = {
        { QStringLiteral("arrow.down.circle"), QStringLiteral("folder-download") },
        { QStringLiteral("list.bullet.rectangle"), QStringLiteral("view-list") },
        { QStringLiteral("clock.arrow.circlepath"), QStringLiteral("document-open-recent") },
        { QStringLiteral("link"), QStringLiteral("insert-link") },
        { QStringLiteral("xmark.circle.fill"), QStringLiteral("edit-clear") },
        { QStringLiteral("doc.on.clipboard"), QStringLiteral("edit-paste") },
        { QStringLiteral("doc.on.doc"), QStringLiteral("edit-copy") },
        { QStringLiteral("folder"), QStringLiteral("folder") },
        { QStringLiteral("arrow.clockwise"), QStringLiteral("view-refresh") },
        { QStringLiteral("pause.fill"), QStringLiteral("media-playback-pause") },
        { QStringLiteral("play.fill"), QStringLiteral("media-playback-start") },
        { QStringLiteral("magnifyingglass"), QStringLiteral("system-search") },
        { QStringLiteral("trash"), QStringLiteral("user-trash") },
        { QStringLiteral("minus.circle"), QStringLiteral("list-remove") },
        { QStringLiteral("doc.text"), QStringLiteral("text-x-generic") },
    };
    return names.value(name);
}

QIcon drawn(const QString& name, const QColor& tint)
{
    return QIcon(new SymbolEngine(name, tint));
}

QIcon icon(const QString& name, const QColor& tint)
{
    const QString fromTheme = themeName(name);
    if (!fromTheme.isEmpty() && QIcon::hasThemeIcon(fromTheme))
        return QIcon::fromTheme(fromTheme);
    return drawn(name, tint);
}

} // namespace Symbols
