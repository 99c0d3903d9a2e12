#pragma once

#include "HistoryItem.h"

#include <QList>
#include <QObject>
#include <QSet>
#include <QUuid>

#include <future>
#include <optional>

class DownloadTask;

// The persisted list of finished downloads, newest first, in "history.json".
// Deleting an entry deletes its task log too, never the downloaded media.
// Main thread only. The file is read on a worker thread, so a long history
// never holds up the first window; whoever needs the entries before the read
// ends waits for it.
class HistoryStore : public QObject {
    Q_OBJECT
    Q_PROPERTY(QList<HistoryItem> items READ items NOTIFY itemsChanged)

public:
    // Starts reading the history file; a file that does not decode gives an
    // empty history and is kept aside as a corrupt copy.
    explicit HistoryStore(QObject* parent = nullptr);
    ~HistoryStore() override;

    static QString path();

    // Waits for the file's entries when they are still being read.
    QList<HistoryItem> items() const;
    // False while the file is being read; itemsChanged follows the read.
    bool isLoaded() const { return !m_reading.has_value(); }
    // Puts the task's entry at the front, replacing an earlier one of the same task.
    void record(const DownloadTask* task);
    void remove(const QSet<QUuid>& ids);
    void clear();

signals:
    void itemsChanged();

private:
    // Takes the read's result, waiting for it if need be.
    void finishReading() const;
    void setItems(const QList<HistoryItem>& items);
    void save() const;

    mutable QList<HistoryItem> m_items;
    mutable std::optional<std::future<QList<HistoryItem>>> m_reading;
};
