#include "IdListModel.h"

#include <QSet>

int IdListModel::rowCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : int(m_ids.size());
}

bool IdListModel::isRow(const QModelIndex& index) const
{
    return index.isValid() && index.model() == this && index.row() < m_ids.size();
}

void IdListModel::followIds(const QList<QUuid>& ids)
{
    removeMissing(ids);
    QSet<QUuid> present(m_ids.cbegin(), m_ids.cend());
    for (int row = 0; row < ids.size(); ++row) {
        if (row < m_ids.size() && m_ids.at(row) == ids.at(row))
            continue;
        if (present.contains(ids.at(row))) {
            // Rows before this one already match, so the entry sits further down.
            const int from = int(m_ids.indexOf(ids.at(row), row + 1));
            beginMoveRows({}, from, from, {}, row);
            m_ids.move(from, row);
            endMoveRows();
            continue;
        }
        int last = row;
        while (last + 1 < ids.size() && !present.contains(ids.at(last + 1)))
            ++last;
        beginInsertRows({}, row, last);
        for (int i = row; i <= last; ++i) {
            m_ids.insert(i, ids.at(i));
            present.insert(ids.at(i));
        }
        endInsertRows();
        row = last;
    }
    reindex();
}

void IdListModel::removeMissing(const QList<QUuid>& ids)
{
    const QSet<QUuid> wanted(ids.cbegin(), ids.cend());
    // From the end, one remove per run of adjacent rows.
    for (int last = int(m_ids.size()) - 1; last >= 0;) {
        if (wanted.contains(m_ids.at(last))) {
            --last;
            continue;
        }
        int first = last;
        while (first > 0 && !wanted.contains(m_ids.at(first - 1)))
            --first;
        beginRemoveRows({}, first, last);
        m_ids.remove(first, last - first + 1);
        endRemoveRows();
        last = first - 1;
    }
}

void IdListModel::reindex()
{
    m_rows.clear();
    m_rows.reserve(m_ids.size());
    for (int row = 0; row < m_ids.size(); ++row)
        m_rows.insert(m_ids.at(row), row);
}
