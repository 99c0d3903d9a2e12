#include "ButtonRowDelegate.h"

#include "Appearance.h"
#include "Symbols.h"

#include <QAbstractItemView>
#include <QApplication>
#include <QHelpEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QPainterPath>
#include <QPixmapCache>
#include <QToolTip>

namespace {
constexpr int gap = 2;
constexpr int margin = 10;
constexpr int iconSize = 16;
} // namespace

QList<QRect> ButtonRowDelegate::buttonRects(const QRect& row, int count)
{
    QList<QRect> rects;
    int right = row.right() - margin;
    const int top = row.center().y() - buttonSize / 2 + 1;
    for (int i = 0; i < count; ++i) {
        rects.prepend(QRect(right - buttonSize + 1, top, buttonSize, buttonSize));
        right -= buttonSize + gap;
    }
    return rects;
}

QRect ButtonRowDelegate::paintFrame(
    QPainter* painter, const QStyleOptionViewItem& option, const QModelIndex& index) const
{
    QStyleOptionViewItem base = option;
    initStyleOption(&base, index);
    base.text.clear();
    base.icon = QIcon();
    QStyle* style = option.widget ? option.widget->style() : QApplication::style();
    style->drawControl(QStyle::CE_ItemViewItem, &base, painter, option.widget);

    const QList<Button> shown = buttons(index);
    const QList<QRect> rects = buttonRects(option.rect, int(shown.size()));
    const bool selected = option.state & QStyle::State_Selected;
    const QColor tint = option.palette.color(selected ? QPalette::HighlightedText : QPalette::Text);
    painter->save();
    painter->setRenderHint(QPainter::Antialiasing);
    for (int i = 0; i < rects.size(); ++i) {
        if (index == m_hoveredRow && i == m_hoveredButton) {
            QPainterPath path;
            path.addRoundedRect(QRectF(rects[i]), 6, 6);
            QColor hover = tint;
            hover.setAlphaF(0.14);
            painter->fillPath(path, hover);
        }
        const QRect icon(
            rects[i].center() - QPoint(iconSize / 2 - 1, iconSize / 2 - 1), QSize(iconSize, iconSize));
        paintSymbol(painter, icon, shown[i].symbol, tint);
    }
    painter->restore();
    const int left = rects.isEmpty() ? option.rect.right() - margin : rects.first().left() - margin;
    return QRect(option.rect.left() + margin, option.rect.top(), left - option.rect.left() - margin,
        option.rect.height());
}

void ButtonRowDelegate::paintSymbol(
    QPainter* painter, const QRect& rect, const QString& symbol, const QColor& tint, bool themed)
{
    const qreal ratio = painter->device() ? painter->device()->devicePixelRatioF() : 1.0;
    const QString key = QStringLiteral("row-symbol:%1:%2:%3:%4:%5")
                            .arg(symbol, tint.name(QColor::HexArgb))
                            .arg(rect.width())
                            .arg(ratio)
                            .arg(themed);
    QPixmap pixmap;
    if (!QPixmapCache::find(key, &pixmap)) {
        const QIcon icon = themed ? Symbols::icon(symbol, tint) : Symbols::drawn(symbol, tint);
        pixmap = icon.pixmap(rect.size(), ratio);
        QPixmapCache::insert(key, pixmap);
    }
    painter->drawPixmap(rect, pixmap);
}

int ButtonRowDelegate::buttonAt(
    const QStyleOptionViewItem& option, const QModelIndex& index, const QPoint& pos) const
{
    const QList<QRect> rects = buttonRects(option.rect, int(buttons(index).size()));
    for (int i = 0; i < rects.size(); ++i) {
        if (rects[i].contains(pos))
            return i;
    }
    return -1;
}

bool ButtonRowDelegate::editorEvent(
    QEvent* event, QAbstractItemModel* model, const QStyleOptionViewItem& option, const QModelIndex& index)
{
    const auto* view = qobject_cast<const QAbstractItemView*>(option.widget);
    switch (event->type()) {
    case QEvent::MouseMove: {
        const int button = buttonAt(option, index, static_cast<QMouseEvent*>(event)->position().toPoint());
        if (index != m_hoveredRow || button != m_hoveredButton) {
            if (view && m_hoveredRow.isValid())
                view->viewport()->update(view->visualRect(m_hoveredRow));
            m_hoveredRow = index;
            m_hoveredButton = button;
            if (view)
                view->viewport()->update(option.rect);
        }
        break;
    }
    case QEvent::MouseButtonPress:
    case QEvent::MouseButtonDblClick:
        // A press on a button neither selects the row nor opens anything.
        return buttonAt(option, index, static_cast<QMouseEvent*>(event)->position().toPoint()) >= 0;
    case QEvent::MouseButtonRelease: {
        const auto* mouse = static_cast<QMouseEvent*>(event);
        const int button = buttonAt(option, index, mouse->position().toPoint());
        if (button < 0 || mouse->button() != Qt::LeftButton)
            break;
        emit actionTriggered(index, buttons(index).at(button).action);
        return true;
    }
    default:
        break;
    }
    return QStyledItemDelegate::editorEvent(event, model, option, index);
}

bool ButtonRowDelegate::helpEvent(
    QHelpEvent* event, QAbstractItemView* view, const QStyleOptionViewItem& option, const QModelIndex& index)
{
    if (event->type() == QEvent::ToolTip) {
        const int button = buttonAt(option, index, event->pos());
        if (button >= 0) {
            QToolTip::showText(event->globalPos(), buttons(index).at(button).help, view->viewport(),
                buttonRects(option.rect, int(buttons(index).size())).at(button));
            return true;
        }
    }
    return QStyledItemDelegate::helpEvent(event, view, option, index);
}
