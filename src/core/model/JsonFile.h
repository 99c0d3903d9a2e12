#pragma once

#include <QJsonDocument>
#include <QString>

#include <optional>

// A file holding one JSON document, written compactly. Writes replace the
// whole file atomically, so a crash leaves either the old or the new
// content, never a mixture.
namespace JsonFile {
// The document, or none when the file is missing, unreadable or not JSON.
std::optional<QJsonDocument> read(const QString& path);
bool write(const QString& path, const QJsonDocument& document);
} // namespace JsonFile
