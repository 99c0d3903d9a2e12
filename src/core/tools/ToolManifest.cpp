#include "ToolManifest.h"

#include "JsonFile.h"
#include "Tool.h"

#include <QDir>

namespace ToolManifest {

QString path()
{
    return QDir(toolsDirectory()).filePath(QStringLiteral("manifest.json"));
}

QMap<QString, ManifestEntry> load(const QString& filePath)
{
    QMap<QString, ManifestEntry> manifest;
    const QJsonObject root = JsonFile::read(filePath).value_or(QJsonDocument()).object();
    for (auto it = root.begin(); it != root.end(); ++it) {
        if (const auto entry = manifestEntryFromJson(it.value().toObject()))
            manifest.insert(it.key(), *entry);
    }
    return manifest;
}

bool save(const QMap<QString, ManifestEntry>& manifest, const QString& filePath)
{
    QJsonObject root;
    for (auto it = manifest.begin(); it != manifest.end(); ++it)
        root.insert(it.key(), toJson(it.value()));
    return JsonFile::write(filePath, QJsonDocument(root));
}

} // namespace ToolManifest
