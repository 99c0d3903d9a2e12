#pragma once

#include <QStyledItemDelegate>

// Paints a sidebar row: the screen's symbol and title, and on the right a
// capsule with the row's badge count when it is above 0.
class SidebarDelegate : public QStyledItemDelegate {
    Q_OBJECT

public:
    using QStyledItemDelegate::QStyledItemDelegate;

    void paint(
        QPainter* painter, const QStyleOptionViewItem& option, const QModelIndex& index) const override;
    QSize sizeHint(const QStyleOptionViewItem& option, const QModelIndex& index) const override;
};
