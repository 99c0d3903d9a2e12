#pragma once

#include "ButtonRowDelegate.h"

// Paints one task of the queue: status symbol, bold title with the playlist
// position, a progress bar while unfinished, the status line (in the error
// colour for a failed task) and the control buttons its status offers.
class TaskRowDelegate : public ButtonRowDelegate {
    Q_OBJECT

public:
    using ButtonRowDelegate::ButtonRowDelegate;

    QList<Button> buttons(const QModelIndex& index) const override;
    void paint(
        QPainter* painter, const QStyleOptionViewItem& option, const QModelIndex& index) const override;
    QSize sizeHint(const QStyleOptionViewItem& option, const QModelIndex& index) const override;
};
