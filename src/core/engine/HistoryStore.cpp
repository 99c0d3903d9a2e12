#include "HistoryStore.h"

#include "AppPaths.h"
#include "DownloadTask.h"
#include "IsoDate.h"
#include "JsonArrayFile.h"
#include "LogManager.h"

#include <QDir>

HistoryStore::HistoryStore(QObject* parent)
    : QObject(parent)
{
    // The destructor waits for the read, so the worker never outlives the store.
    m_reading = std::async(std::launch::async, [this, file = path()] {
        QList<HistoryItem> items = JsonArrayFile::readRecords<HistoryItem>(file, &historyItemFromJson);
        // On the main thread. Also when a caller of items() took the entries
        // first: whoever waits for the signal has not seen them.
        QMetaObject::invokeMethod(
            this,
            [this] {
                finishReading();
                if (!m_items.isEmpty())
                    emit itemsChanged();
            },
            Qt::QueuedConnection);
        return items;
    });
}

HistoryStore::~HistoryStore()
{
    if (m_reading)
        m_reading->wait();
}

QList<HistoryItem> HistoryStore::items() const
{
    finishReading();
    return m_items;
}

void HistoryStore::finishReading() const
{
    if (!m_reading)
        return;
    m_items = m_reading->get();
    m_reading.reset();
}

QString HistoryStore::path()
{
    return QDir(AppPaths::support()).filePath(QStringLiteral("history.json"));
}

void HistoryStore::record(const DownloadTask* task)
{
    finishReading();
    const DownloadOptions& options = task->options();
    HistoryItem item;
    item.id = task->id();
    item.title = task->displayTitle();
    item.thumbnail = options.thumbnail;
    item.date = task->finishedAt().value_or(IsoDate::now());
    item.status = task->status();
    item.filePath = task->firstFile();
    item.folder = options.folder;
    item.sourceURL = options.url;
    item.size = task->finalSize();
    item.error = task->error();
    item.options = options;

    QList<HistoryItem> items = m_items;
    items.removeIf([&](const HistoryItem& existing) { return existing.id == item.id; });
    items.prepend(item);
    setItems(items);
    save();
}

void HistoryStore::remove(const QSet<QUuid>& ids)
{
    finishReading();
    QList<HistoryItem> items = m_items;
    items.removeIf([&](const HistoryItem& item) { return ids.contains(item.id); });
    // Logs go even for ids without an entry: nothing else would ever delete them.
    for (const QUuid& id : ids)
        LogManager::shared().remove(id);
    setItems(items);
    save();
}

void HistoryStore::clear()
{
    finishReading();
    for (const HistoryItem& item : std::as_const(m_items))
        LogManager::shared().remove(item.id);
    setItems({});
    save();
}

void HistoryStore::setItems(const QList<HistoryItem>& items)
{
    if (items == m_items)
        return;
    m_items = items;
    emit itemsChanged();
}

void HistoryStore::save() const
{
    QJsonArray array;
    for (const HistoryItem& item : m_items)
        array.append(toJson(item));
    JsonArrayFile::write(path(), array);
}
