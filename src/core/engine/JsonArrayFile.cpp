#include "JsonArrayFile.h"

#include <QDateTime>
#include <QFile>
#include <QJsonDocument>
#include <QSaveFile>

namespace JsonArrayFile {

std::optional<QJsonArray> read(const QString& path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return std::nullopt;
    QJsonParseError error;
    const QJsonDocument document = QJsonDocument::fromJson(file.readAll(), &error);
    if (error.error != QJsonParseError::NoError || !document.isArray())
        return std::nullopt;
    return document.array();
}

QString keepCorruptCopy(const QString& path)
{
    if (!QFile::exists(path))
        return {};
    const QString stamp = QDateTime::currentDateTimeUtc().toString(QStringLiteral("yyyyMMdd'T'HHmmss'Z'"));
    QString copy = path + QStringLiteral(".corrupt-") + stamp;
    // Two bad files within one second must not overwrite each other's copy.
    for (int n = 2; QFile::exists(copy); ++n)
        copy = path + QStringLiteral(".corrupt-") + stamp + QLatin1Char('-') + QString::number(n);
    return QFile::copy(path, copy) ? copy : QString();
}

bool write(const QString& path, const QJsonArray& array)
{
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly))
        return false;
    file.write(QJsonDocument(array).toJson(QJsonDocument::Compact));
    return file.commit();
}

} // namespace JsonArrayFile
