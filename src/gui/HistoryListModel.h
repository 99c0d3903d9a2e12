#pragma once

#include "HistoryItem.h"
#include "IdListModel.h"

#include <QHash>

class HistoryStore;

// The history's entries, one row each, newest first, following every change
// of the store with real row inserts, moves and removes.
class HistoryListModel : public IdListModel {
    Q_OBJECT

public:
    enum Role {
        IdRole = Qt::UserRole + 1,
        StatusRole, // TaskStatus as int
        SymbolRole,
        DetailRole,
        ErrorRole,
        // Title and source address in the locale's lower case, for searching.
        SearchTextRole,
        ActionsRole, // QVariantList of HistoryRow::Action as int
    };

    explicit HistoryListModel(HistoryStore* history, QObject* parent = nullptr);

    QVariant data(const QModelIndex& index, int role) const override;
    // The entry of a row of this model; nothing for another model's index.
    std::optional<HistoryItem> item(const QModelIndex& index) const;

private:
    struct Entry {
        HistoryItem item;
        QString searchText;
    };

    void followHistory();

    HistoryStore* m_history;
    QHash<QUuid, Entry> m_entries;
};
