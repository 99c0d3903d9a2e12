#pragma once

#include <QListView>

// A list of rows of one fixed height whose changed rows repaint alone:
// QListView repaints its whole viewport on every data change, which a
// queue with several live rows would pay for many times a second.
class RowListView : public QListView {
    Q_OBJECT

public:
    explicit RowListView(QWidget* parent = nullptr);

protected:
    void dataChanged(const QModelIndex& topLeft, const QModelIndex& bottomRight,
        const QList<int>& roles = QList<int>()) override;
};
