#include "HistoryListModel.h"

#include "HistoryRow.h"
#include "HistoryStore.h"
#include "TaskRow.h"

HistoryListModel::HistoryListModel(HistoryStore* history, QObject* parent)
    : IdListModel(parent)
    , m_history(history)
{
    connect(history, &HistoryStore::itemsChanged, this, &HistoryListModel::followHistory);
    // A history still being read arrives through itemsChanged; waiting for it
    // here would hold up the first window.
    if (history->isLoaded())
        followHistory();
}

QVariant HistoryListModel::data(const QModelIndex& index, int role) const
{
    if (!isRow(index))
        return {};
    const auto found = m_entries.constFind(idAt(index.row()));
    if (found == m_entries.cend())
        return {};
    const HistoryItem& item = found->item;
    switch (role) {
    case Qt::DisplayRole:
        return item.title;
    case Qt::ToolTipRole:
        return item.sourceURL;
    case Qt::AccessibleTextRole: {
        QString text = item.title + QStringLiteral(", ") + HistoryRow::detailLine(item);
        if (item.error)
            text += QStringLiteral(", ") + *item.error;
        return text;
    }
    case IdRole:
        return item.id;
    case StatusRole:
        return int(item.status);
    case SymbolRole:
        return TaskRow::statusSymbol(item.status);
    case DetailRole:
        return HistoryRow::detailLine(item);
    case ErrorRole:
        return item.error.value_or(QString());
    case SearchTextRole:
        return found->searchText;
    case ActionsRole: {
        QVariantList actions;
        for (const HistoryRow::Action action : HistoryRow::actions(item))
            actions << int(action);
        return actions;
    }
    }
    return {};
}

std::optional<HistoryItem> HistoryListModel::item(const QModelIndex& index) const
{
    if (!isRow(index))
        return std::nullopt;
    const auto found = m_entries.constFind(idAt(index.row()));
    return found == m_entries.cend() ? std::nullopt : std::optional(found->item);
}

void HistoryListModel::followHistory()
{
    const QList<HistoryItem> items = m_history->items();
    const QLocale locale;
    QHash<QUuid, Entry> next;
    next.reserve(items.size());
    QList<QUuid> ids;
    ids.reserve(items.size());
    QList<QUuid> changed;
    for (const HistoryItem& item : items) {
        ids << item.id;
        const auto old = m_entries.constFind(item.id);
        if (old != m_entries.cend() && old->item == item) {
            next.insert(item.id, *old);
            continue;
        }
        next.insert(item.id, { item, locale.toLower(item.title + QLatin1Char('\n') + item.sourceURL) });
        if (old != m_entries.cend())
            changed << item.id;
    }
    // Old and new entries both answer while the rows move.
    for (auto it = next.cbegin(); it != next.cend(); ++it)
        m_entries.insert(it.key(), it.value());
    followIds(ids);
    m_entries = std::move(next);
    for (const QUuid& id : std::as_const(changed)) {
        const QModelIndex row = index(rowOf(id));
        emit dataChanged(row, row);
    }
}
