#include "StartupRecord.h"

#include "JsonFile.h"
#include "Tool.h"

#include <QDir>
#include <QFile>
#include <QJsonObject>

#include <sys/stat.h>

namespace StartupRecord {

namespace {

// The executable's identity; empty when it is not there.
QJsonObject fingerprint(const QString& file)
{
    struct stat info = {};
    if (::stat(QFile::encodeName(file).constData(), &info) != 0 || !S_ISREG(info.st_mode))
        return {};
    return { { QStringLiteral("size"), QString::number(info.st_size) },
        { QStringLiteral("inode"), QString::number(info.st_ino) },
        { QStringLiteral("modified"),
            QString::number(qint64(info.st_mtim.tv_sec) * 1'000'000'000 + info.st_mtim.tv_nsec) } };
}

} // namespace

QString path()
{
    return QDir(toolsDirectory()).filePath(QStringLiteral("startup-check.json"));
}

void save()
{
    QJsonObject tools;
    for (Tool tool : installableTools())
        tools.insert(rawValue(tool), fingerprint(toolPath(tool)));
    JsonFile::write(path(), QJsonDocument(QJsonObject { { QStringLiteral("tools"), tools } }));
}

void clear()
{
    QFile::remove(path());
}

bool stillHolds()
{
    const std::optional<QJsonDocument> record = JsonFile::read(path());
    if (!record)
        return false;
    const QJsonObject tools = record->object().value(QLatin1String("tools")).toObject();
    for (Tool tool : installableTools()) {
        const QJsonObject now = fingerprint(toolPath(tool));
        if (now.isEmpty() || tools.value(rawValue(tool)).toObject() != now)
            return false;
    }
    return true;
}

} // namespace StartupRecord
