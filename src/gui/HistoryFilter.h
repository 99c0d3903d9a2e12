#pragma once

#include <QSortFilterProxyModel>

// The history entries whose title or source address contains the search
// text, compared without regard to letter case under the user's locale; all
// entries for an empty search. Keeps the history's order.
class HistoryFilter : public QSortFilterProxyModel {
    Q_OBJECT

public:
    using QSortFilterProxyModel::QSortFilterProxyModel;

    QString search() const { return m_search; }
    void setSearch(const QString& text);

protected:
    bool filterAcceptsRow(int sourceRow, const QModelIndex& sourceParent) const override;

private:
    QString m_search;
    QString m_needle;
};
