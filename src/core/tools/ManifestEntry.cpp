#include "ManifestEntry.h"

#include "IsoDate.h"
#include "JsonReader.h"

QJsonObject toJson(const ManifestEntry& entry)
{
    return {
        { QStringLiteral("version"), entry.version },
        { QStringLiteral("installedAt"), IsoDate::toString(entry.installedAt) },
        { QStringLiteral("source"), entry.source },
        { QStringLiteral("verified"), entry.verified },
    };
}

std::optional<ManifestEntry> manifestEntryFromJson(const QJsonObject& object)
{
    JsonReader in(object);
    ManifestEntry entry;
    entry.version = in.string(QStringLiteral("version"));
    entry.installedAt = in.date(QStringLiteral("installedAt"));
    entry.source = in.string(QStringLiteral("source"));
    entry.verified = object.value(QStringLiteral("verified")).toBool();
    if (!in.ok())
        return std::nullopt;
    return entry;
}
