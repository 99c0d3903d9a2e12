#include "ToolManifest.h"

#include "Tool.h"

#include <QDir>
#include <QFile>
#include <QJsonDocument>
#include <QSaveFile>

namespace ToolManifest {

QString path()
{
    return QDir(toolsDirectory()).filePath(QStringLiteral("manifest.json"));
}

QMap<QString, ManifestEntry> load(const QString& filePath)
{
    QMap<QString, ManifestEntry> manifest;
    QFile file(filePath);
    if (!file.open(QIODevice::ReadOnly))
        return manifest;
    const QJsonObject root = QJsonDocument::fromJson(file.readAll()).object();
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
    QSaveFile file(filePath);
    if (!file.open(QIODevice::WriteOnly))
        return false;
    file.write(QJsonDocument(root).toJson(QJsonDocument::Compact));
    return file.commit();
}

} // namespace ToolManifest
