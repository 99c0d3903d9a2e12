#include "ManifestEntry.h"

#include <QJsonValue>

QJsonObject toJson(const ManifestEntry& entry)
{
    return {
        { QStringLiteral("version"), entry.version },
        { QStringLiteral("installedAt"), entry.installedAt.toUTC().toString(Qt::ISODate) },
        { QStringLiteral("source"), entry.source },
    };
}

std::optional<ManifestEntry> manifestEntryFromJson(const QJsonObject& object)
{
    const QJsonValue version = object.value(QStringLiteral("version"));
    const QJsonValue installedAt = object.value(QStringLiteral("installedAt"));
    const QJsonValue source = object.value(QStringLiteral("source"));
    if (!version.isString() || !installedAt.isString() || !source.isString())
        return std::nullopt;
    const QDateTime date = QDateTime::fromString(installedAt.toString(), Qt::ISODate);
    if (!date.isValid())
        return std::nullopt;
    return ManifestEntry { version.toString(), date.toUTC(), source.toString() };
}
