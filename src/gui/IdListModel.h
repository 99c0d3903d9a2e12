#pragma once

#include <QAbstractListModel>
#include <QHash>
#include <QList>
#include <QUuid>

// A flat list model whose rows are entries named by ids. Following a new
// order of ids becomes real row removes, moves and inserts, so views keep
// their selection, current row and scroll position across every change.
class IdListModel : public QAbstractListModel {
    Q_OBJECT

public:
    using QAbstractListModel::QAbstractListModel;

    int rowCount(const QModelIndex& parent = {}) const override;
    // -1 when no row has this id.
    int rowOf(const QUuid& id) const { return m_rows.value(id, -1); }

protected:
    QUuid idAt(int row) const { return m_ids.at(row); }
    bool isRow(const QModelIndex& index) const;
    // Changes the rows to the given order; the subclass answers data() for
    // every id of the old and the new order while this runs.
    void followIds(const QList<QUuid>& ids);

private:
    void removeMissing(const QList<QUuid>& ids);
    void reindex();

    QList<QUuid> m_ids;
    QHash<QUuid, int> m_rows;
};
