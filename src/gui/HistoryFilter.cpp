#include "HistoryFilter.h"

#include "HistoryListModel.h"

#include <QLocale>

void HistoryFilter::setSearch(const QString& text)
{
    if (text == m_search)
        return;
    m_search = text;
    m_needle = QLocale().toLower(text);
    invalidateFilter();
}

bool HistoryFilter::filterAcceptsRow(int sourceRow, const QModelIndex& sourceParent) const
{
    if (m_needle.isEmpty())
        return true;
    const QModelIndex row = sourceModel()->index(sourceRow, 0, sourceParent);
    return row.data(HistoryListModel::SearchTextRole).toString().contains(m_needle);
}
