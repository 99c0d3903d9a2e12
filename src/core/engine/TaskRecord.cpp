#include "TaskRecord.h"

#include "IsoDate.h"
#include "JsonReader.h"

#include <QJsonArray>

#include <algorithm>

QJsonObject toJson(const TaskRecord& record)
{
    QJsonObject json {
        { QStringLiteral("id"), uuidText(record.id) },
        { QStringLiteral("options"), toJson(record.options) },
        { QStringLiteral("status"), rawValue(record.status) },
        { QStringLiteral("progress"), record.progress },
        { QStringLiteral("createdAt"), IsoDate::toString(record.createdAt) },
        { QStringLiteral("outputFiles"), QJsonArray::fromStringList(record.outputFiles) },
    };
    if (record.finishedAt)
        json.insert(QStringLiteral("finishedAt"), IsoDate::toString(*record.finishedAt));
    if (record.finalSize)
        json.insert(QStringLiteral("finalSize"), *record.finalSize);
    if (record.error)
        json.insert(QStringLiteral("error"), *record.error);
    return json;
}

std::optional<TaskRecord> taskRecordFromJson(const QJsonObject& json)
{
    JsonReader reader(json);
    TaskRecord record;
    record.id = reader.uuid(QStringLiteral("id"));
    const std::optional<DownloadOptions> options
        = downloadOptionsFromJson(reader.object(QStringLiteral("options")));
    const std::optional<TaskStatus> status = taskStatusFromRawValue(reader.string(QStringLiteral("status")));
    record.progress = std::clamp(reader.number(QStringLiteral("progress")), 0.0, 1.0);
    record.createdAt = reader.date(QStringLiteral("createdAt"));
    record.finishedAt = reader.optionalDate(QStringLiteral("finishedAt"));
    record.outputFiles = reader.stringList(QStringLiteral("outputFiles"));
    record.finalSize = reader.optionalInteger(QStringLiteral("finalSize"));
    record.error = reader.optionalString(QStringLiteral("error"));
    if (!reader.ok() || !options || !status)
        return std::nullopt;
    record.options = *options;
    record.status = *status;
    return record;
}
