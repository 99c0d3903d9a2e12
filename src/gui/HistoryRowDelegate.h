#pragma once

#include "ButtonRowDelegate.h"

// Paints one history entry: status symbol, bold title, the line with status,
// date and size, the error text when there is one, and its icon buttons.
class HistoryRowDelegate : public ButtonRowDelegate {
    Q_OBJECT

public:
    using ButtonRowDelegate::ButtonRowDelegate;

    QList<Button> buttons(const QModelIndex& index) const override;
    void paint(
        QPainter* painter, const QStyleOptionViewItem& option, const QModelIndex& index) const override;
    QSize sizeHint(const QStyleOptionViewItem& option, const QModelIndex& index) const override;
};
