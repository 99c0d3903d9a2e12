#include "PlaylistModel.h"

#include "Formatting.h"

PlaylistModel::PlaylistModel(QObject* parent)
    : QAbstractTableModel(parent)
{
}

void PlaylistModel::setEntries(const QList<PlaylistEntry>& entries)
{
    beginResetModel();
    m_entries = entries;
    endResetModel();
}

void PlaylistModel::setSelected(const QSet<int>& positions)
{
    if (positions == m_selected)
        return;
    m_selected = positions;
    if (!m_entries.isEmpty())
        emit dataChanged(index(0, PositionColumn), index(rowCount() - 1, PositionColumn), { Qt::CheckStateRole });
}

int PlaylistModel::rowCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : int(m_entries.size());
}

int PlaylistModel::columnCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : ColumnCount;
}

QVariant PlaylistModel::data(const QModelIndex& index, int role) const
{
    if (!checkIndex(index, CheckIndexOption::IndexIsValid | CheckIndexOption::ParentIsInvalid))
        return {};
    const PlaylistEntry& entry = m_entries.at(index.row());
    switch (role) {
    case Qt::DisplayRole:
    case Qt::AccessibleTextRole:
        switch (index.column()) {
        case PositionColumn:
            return QString::number(entry.id);
        case TitleColumn:
            return entry.title;
        default:
            return formatDuration(entry.duration);
        }
    case Qt::CheckStateRole:
        if (index.column() == PositionColumn)
            return m_selected.contains(entry.id) ? Qt::Checked : Qt::Unchecked;
        return {};
    case Qt::TextAlignmentRole:
        return index.column() == TitleColumn ? QVariant() : QVariant(Qt::AlignRight | Qt::AlignVCenter);
    case PositionRole:
        return entry.id;
    default:
        return {};
    }
}

bool PlaylistModel::setData(const QModelIndex& index, const QVariant& value, int role)
{
    if (role != Qt::CheckStateRole || index.column() != PositionColumn
        || !checkIndex(index, CheckIndexOption::IndexIsValid | CheckIndexOption::ParentIsInvalid))
        return false;
    QSet<int> positions = m_selected;
    const int position = m_entries.at(index.row()).id;
    if (value.value<Qt::CheckState>() == Qt::Checked)
        positions.insert(position);
    else
        positions.remove(position);
    if (positions == m_selected)
        return false;
    m_selected = positions;
    emit dataChanged(index, index, { Qt::CheckStateRole });
    emit selectionEdited(positions);
    return true;
}

Qt::ItemFlags PlaylistModel::flags(const QModelIndex& index) const
{
    if (!index.isValid())
        return Qt::NoItemFlags;
    Qt::ItemFlags flags = Qt::ItemIsEnabled | Qt::ItemIsSelectable | Qt::ItemNeverHasChildren;
    if (index.column() == PositionColumn)
        flags |= Qt::ItemIsUserCheckable;
    return flags;
}
