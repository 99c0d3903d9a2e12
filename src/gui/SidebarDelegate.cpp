#include "SidebarDelegate.h"

#include "Appearance.h"
#include "SidebarModel.h"

#include <QApplication>
#include <QPainter>
#include <QPainterPath>

void SidebarDelegate::paint(
    QPainter* painter, const QStyleOptionViewItem& option, const QModelIndex& index) const
{
    QStyleOptionViewItem base = option;
    initStyleOption(&base, index);
    // The style draws the selection background; the content is ours.
    base.text.clear();
    base.icon = QIcon();
    QStyle* style = option.widget ? option.widget->style() : QApplication::style();
    style->drawControl(QStyle::CE_ItemViewItem, &base, painter, option.widget);

    painter->save();
    painter->setRenderHint(QPainter::Antialiasing);
    const bool selected = option.state & QStyle::State_Selected;
    const QColor text = option.palette.color(selected ? QPalette::HighlightedText : QPalette::Text);
    const QRect area = option.rect.adjusted(10, 0, -10, 0);
    const int iconSize = 18;
    const QRect iconRect(area.left(), area.center().y() - iconSize / 2 + 1, iconSize, iconSize);
    const QIcon icon = index.data(Qt::DecorationRole).value<QIcon>();
    icon.paint(painter, iconRect, Qt::AlignCenter, selected ? QIcon::Selected : QIcon::Normal);

    QRect textRect = area.adjusted(iconSize + 10, 0, 0, 0);
    const int badge = index.data(SidebarModel::BadgeRole).toInt();
    if (badge > 0) {
        QFont font = Appearance::scaled(option.font, 0.85, QFont::DemiBold);
        const QString number = QString::number(badge);
        const QFontMetrics metrics(font);
        const int height = metrics.height() + 2;
        const int width = qMax(height, metrics.horizontalAdvance(number) + 12);
        const QRect capsule(area.right() - width, area.center().y() - height / 2 + 1, width, height);
        QPainterPath path;
        path.addRoundedRect(capsule, height / 2.0, height / 2.0);
        QColor fill = selected ? option.palette.color(QPalette::HighlightedText)
                               : Appearance::secondaryText(option.palette);
        fill.setAlphaF(selected ? 0.3 : 0.25);
        painter->fillPath(path, fill);
        painter->setFont(font);
        painter->setPen(text);
        painter->drawText(capsule, Qt::AlignCenter, number);
        textRect.setRight(capsule.left() - 6);
    }
    painter->setFont(option.font);
    painter->setPen(text);
    painter->drawText(textRect, Qt::AlignVCenter | Qt::AlignLeft,
        option.fontMetrics.elidedText(
            index.data(Qt::DisplayRole).toString(), Qt::ElideRight, textRect.width()));
    painter->restore();
}

QSize SidebarDelegate::sizeHint(const QStyleOptionViewItem& option, const QModelIndex&) const
{
    return { 150, qMax(30, option.fontMetrics.height() + 14) };
}
