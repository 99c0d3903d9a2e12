#include "EngineTools.h"

#include "AppPaths.h"
#include "SettingsStore.h"

#include <QDir>
#include <QFile>
#include <QRandomGenerator>
#include <QStandardPaths>

namespace EngineTools {

QString useSystemTools()
{
    SettingsStore::registerDefaults();
    SettingsStore::set(QStringLiteral("remoteEJS"), false);
    const QDir tools(AppPaths::sub(QStringLiteral("Tools")));
    for (const QString& tool :
        { QStringLiteral("yt-dlp"), QStringLiteral("ffmpeg"), QStringLiteral("ffprobe") }) {
        const QString found = QStandardPaths::findExecutable(tool);
        if (found.isEmpty())
            return tool + QStringLiteral(" is not installed");
        QFile::remove(tools.filePath(tool));
        if (!QFile::link(found, tools.filePath(tool)))
            return QStringLiteral("cannot link ") + tool;
    }
    return {};
}

QByteArray writeNoise(const QString& path, qint64 size, quint32 seed)
{
    QRandomGenerator random(seed);
    QByteArray data(size, Qt::Uninitialized);
    random.fillRange(reinterpret_cast<quint32*>(data.data()), size / 4);
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate) || file.write(data) != size)
        return {};
    return data;
}

QByteArray readFile(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

} // namespace EngineTools
