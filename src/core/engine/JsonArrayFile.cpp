#include "JsonArrayFile.h"

#include "JsonFile.h"

#include <QDateTime>
#include <QFile>

namespace JsonArrayFile {

std::optional<QJsonArray> read(const QString& path)
{
    const std::optional<QJsonDocument> document = JsonFile::read(path);
    if (!document || !document->isArray())
        return std::nullopt;
    return document->array();
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
    return JsonFile::write(path, QJsonDocument(array));
}

} // namespace JsonArrayFile
