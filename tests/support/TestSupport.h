#pragma once

#include "LogManager.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QString>

namespace TestSupport {

// A file below tests/data in the source tree.
inline QString dataPath(const QString& relative)
{
    return QDir(QStringLiteral(KLIPWELL_TEST_DATA_DIR)).filePath(relative);
}

// Writes a file (creating its folder), replacing what was there; false on failure.
inline bool writeFile(const QString& path, const QByteArray& content)
{
    QDir().mkpath(QFileInfo(path).absolutePath());
    QFile file(path);
    return file.open(QIODevice::WriteOnly | QIODevice::Truncate) && file.write(content) == content.size();
}

// Writes an executable script (mode 0755) and returns its absolute path.
inline QString writeScript(const QString& path, const QByteArray& content)
{
    if (!writeFile(path, content))
        return {};
    QFile::setPermissions(path,
        QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner | QFile::ReadGroup | QFile::ExeGroup
            | QFile::ReadOther | QFile::ExeOther);
    return QFileInfo(path).absoluteFilePath();
}

// The whole file, or nothing when it cannot be read.
inline QByteArray readFile(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

// The application log once every line queued before the call is written.
inline QString appLog()
{
    LogManager::shared().read(QUuid::createUuid()); // a read waits for every earlier append
    return QString::fromUtf8(readFile(LogManager::shared().appLogPath()));
}

} // namespace TestSupport
