#include "EngineTools.h"

#include "SettingsStore.h"
#include "Tool.h"

#include <QFile>
#include <QRandomGenerator>
#include <QStandardPaths>

QString EngineTools::useSystemTools()
{
    SettingsStore::registerDefaults();
    SettingsStore::set(QStringLiteral("remoteEJS"), false);
    for (const Tool tool : { Tool::ytdlp, Tool::ffmpeg, Tool::ffprobe }) {
        const QString found = QStandardPaths::findExecutable(fileName(tool));
        if (found.isEmpty())
            return fileName(tool) + QStringLiteral(" is not installed");
        QFile::remove(toolPath(tool));
        if (!QFile::link(found, toolPath(tool)))
            return QStringLiteral("cannot link ") + fileName(tool);
    }
    return {};
}

QByteArray EngineTools::writeNoise(const QString& path, qint64 size, quint32 seed)
{
    QByteArray data(size, Qt::Uninitialized);
    QRandomGenerator(seed).fillRange(reinterpret_cast<quint32*>(data.data()), size / 4);
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate) || file.write(data) != size)
        return {};
    return data;
}
