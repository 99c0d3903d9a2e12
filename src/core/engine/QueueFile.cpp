#include "QueueFile.h"

#include "AppPaths.h"
#include "JsonArrayFile.h"

#include <QDir>

namespace QueueFile {

QString path()
{
    return QDir(AppPaths::support()).filePath(QStringLiteral("queue.json"));
}

QList<TaskRecord> load()
{
    return JsonArrayFile::readRecords<TaskRecord>(path(), &taskRecordFromJson);
}

bool save(const QList<TaskRecord>& records)
{
    QJsonArray array;
    for (const TaskRecord& record : records)
        array.append(toJson(record));
    return JsonArrayFile::write(path(), array);
}

} // namespace QueueFile
