#include "JsonFile.h"

#include <QFile>
#include <QSaveFile>

namespace JsonFile {

std::optional<QJsonDocument> read(const QString& path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return std::nullopt;
    QJsonParseError error;
    QJsonDocument document = QJsonDocument::fromJson(file.readAll(), &error);
    if (error.error != QJsonParseError::NoError)
        return std::nullopt;
    return document;
}

bool write(const QString& path, const QJsonDocument& document)
{
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly))
        return false;
    file.write(document.toJson(QJsonDocument::Compact));
    return file.commit();
}

} // namespace JsonFile
