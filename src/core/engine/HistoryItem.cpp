#include "HistoryItem.h"

#include "IsoDate.h"
#include "JsonReader.h"

QJsonObject toJson(const HistoryItem& item)
{
    QJsonObject json {
        { QStringLiteral("id"), uuidText(item.id) },
        { QStringLiteral("title"), item.title },
        { QStringLiteral("date"), IsoDate::toString(item.date) },
        { QStringLiteral("status"), rawValue(item.status) },
        { QStringLiteral("folder"), item.folder },
        { QStringLiteral("sourceURL"), item.sourceURL },
        { QStringLiteral("options"), toJson(item.options) },
    };
    if (item.thumbnail)
        json.insert(QStringLiteral("thumbnail"), *item.thumbnail);
    if (item.filePath)
        json.insert(QStringLiteral("filePath"), *item.filePath);
    if (item.size)
        json.insert(QStringLiteral("size"), *item.size);
    if (item.error)
        json.insert(QStringLiteral("error"), *item.error);
    return json;
}

std::optional<HistoryItem> historyItemFromJson(const QJsonObject& json)
{
    JsonReader reader(json);
    HistoryItem item;
    item.id = reader.uuid(QStringLiteral("id"));
    item.title = reader.string(QStringLiteral("title"));
    item.thumbnail = reader.optionalString(QStringLiteral("thumbnail"));
    item.date = reader.date(QStringLiteral("date"));
    const std::optional<TaskStatus> status = taskStatusFromRawValue(reader.string(QStringLiteral("status")));
    item.filePath = reader.optionalString(QStringLiteral("filePath"));
    item.folder = reader.string(QStringLiteral("folder"));
    item.sourceURL = reader.string(QStringLiteral("sourceURL"));
    item.size = reader.optionalInteger(QStringLiteral("size"));
    item.error = reader.optionalString(QStringLiteral("error"));
    const std::optional<DownloadOptions> options
        = downloadOptionsFromJson(reader.object(QStringLiteral("options")));
    if (!reader.ok() || !status || !options)
        return std::nullopt;
    item.status = *status;
    item.options = *options;
    return item;
}
