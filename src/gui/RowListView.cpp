#include "RowListView.h"

#include <QAccessible>

RowListView::RowListView(QWidget* parent)
    : QListView(parent)
{
    setUniformItemSizes(true);
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
