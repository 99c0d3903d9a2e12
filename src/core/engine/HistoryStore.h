#pragma once

#include "HistoryItem.h"

#include <QList>
#include <QObject>
#include <QSet>
#include <QUuid>

class DownloadTask;

// The persisted list of finished downloads, newest first, in "history.json".
// Deleting an entry deletes its task log too, never the downloaded media.
// Main thread only.
class HistoryStore : public QObject {
    Q_OBJECT
    Q_PROPERTY(QList<HistoryItem> items READ items NOTIFY itemsChanged)

public:
    // Loads the history file; a file that does not decode gives an empty
    // history and is kept aside as a corrupt copy.
    explicit HistoryStore(QObject* parent = nullptr);

    static QString path();

    QList<HistoryItem> items() const { return m_items; }
    // Puts the task's entry at the front, replacing an earlier one of the same task.
    void record(const DownloadTask* task);
    void remove(const QSet<QUuid>& ids);
    void clear();

signals:
    void itemsChanged();

private:
    void setItems(const QList<HistoryItem>& items);
    void save() const;

    QList<HistoryItem> m_items;
};
