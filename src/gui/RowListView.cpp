#include "RowListView.h"

#include <QAccessible>

RowListView::RowListView(QWidget* parent)
    : QListView(parent)
{
    setUniformItemSizes(true);
    // Rows of painted buttons: hover needs mouse tracking; rows are never
    // edited in place and open their own menu.
    setMouseTracking(true);
    setEditTriggers(QAbstractItemView::NoEditTriggers);
    setVerticalScrollMode(QAbstractItemView::ScrollPerPixel);
    setFrameShape(QFrame::NoFrame);
    setContextMenuPolicy(Qt::CustomContextMenu);
}

void RowListView::dataChanged(const QModelIndex& topLeft, const QModelIndex& bottomRight, const QList<int>&)
{
    for (int row = topLeft.row(); row <= bottomRight.row(); ++row)
        update(model()->index(row, 0, topLeft.parent()));
    if (QAccessible::isActive()) {
        QAccessibleTableModelChangeEvent event(this, QAccessibleTableModelChangeEvent::DataChanged);
        event.setFirstRow(topLeft.row());
        event.setLastRow(bottomRight.row());
        event.setFirstColumn(0);
        event.setLastColumn(0);
        QAccessible::updateAccessibility(&event);
    }
}
