#pragma once

#include <QFile>
#include <QJsonArray>
#include <QJsonObject>
#include <QList>
#include <QString>

#include <optional>

// A file holding one JSON array (the queue and the history), written
// atomically as a JsonFile.
namespace JsonArrayFile {

// The array, or none when the file is missing, unreadable or not an array.
std::optional<QJsonArray> read(const QString& path);
// Keeps a copy of a file that could not be decoded beside it, named
// "<name>.corrupt-<UTC timestamp>", before the next save replaces it.
// Returns the copy's path, or an empty string when nothing was copied.
QString keepCorruptCopy(const QString& path);
bool write(const QString& path, const QJsonArray& array);

// Decodes every element with `decode`. One element that does not decode
// makes the whole file undecodable: the result is then empty and the file
// is kept aside as a corrupt copy. A missing file gives an empty list.
template <typename T>
QList<T> readRecords(const QString& path, std::optional<T> (*decode)(const QJsonObject&))
{
    if (!QFile::exists(path))
        return {};
    const std::optional<QJsonArray> array = read(path);
    QList<T> records;
    if (array) {
        records.reserve(array->size());
        for (const QJsonValue value : *array) {
            std::optional<T> record = value.isObject() ? decode(value.toObject()) : std::nullopt;
            if (!record)
                break;
            records.append(std::move(*record));
        }
        if (records.size() == array->size())
            return records;
    }
    keepCorruptCopy(path);
    return {};
}

} // namespace JsonArrayFile
