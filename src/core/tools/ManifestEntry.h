#pragma once

#include <QDateTime>
#include <QJsonObject>
#include <QString>

#include <optional>

// What was installed for one tool, and from where.
struct ManifestEntry {
    QString version;
    QDateTime installedAt;
    // Absolute URL of the source that worked.
    QString source;
    // The download matched the checksum its publisher published.
    bool verified = false;
    bool operator==(const ManifestEntry&) const = default;
};

QJsonObject toJson(const ManifestEntry&);
// None unless every member is present with the right type and a valid date;
// "verified" may be missing (manifests written before it existed).
std::optional<ManifestEntry> manifestEntryFromJson(const QJsonObject&);
