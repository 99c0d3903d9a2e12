#pragma once

#include "ManifestEntry.h"

#include <QMap>
#include <QString>

// The install record "manifest.json" in the tools folder, keyed by tool raw value.
namespace ToolManifest {
QString path();
// A missing or malformed file gives an empty map; a malformed entry is left out.
QMap<QString, ManifestEntry> load(const QString& filePath);
// Replaces the file as a whole; false when it could not be written.
bool save(const QMap<QString, ManifestEntry>& manifest, const QString& filePath);
} // namespace ToolManifest
