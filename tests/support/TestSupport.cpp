#include "TestSupport.h"

#include "LogManager.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

namespace TestSupport {

QString dataPath(const QString& relative)
{
    return QDir(QStringLiteral(KLIPWELL_TEST_DATA_DIR)).filePath(relative);
}

QString writeScript(const QString& path, const QByteArray& content)
{
    if (!writeFile(path, content))
        return {};
    QFile::setPermissions(path, QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner
        | QFileDevice::ReadGroup | QFileDevice::ExeGroup | QFileDevice::ReadOther | QFileDevice::ExeOther);
    return QFileInfo(path).absoluteFilePath();
}

bool writeFile(const QString& path, const QByteArray& content)
{
    QDir().mkpath(QFileInfo(path).absolutePath());
    QFile file(path);
    return file.open(QIODevice::WriteOnly | QIODevice::Truncate) && file.write(content) == content.size();
}

QByteArray readFile(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

QString appLog()
{
    LogManager::shared().read(QUuid::createUuid()); // a read waits for every earlier append
    return QString::fromUtf8(readFile(LogManager::shared().appLogPath()));
}

} // namespace TestSupport
