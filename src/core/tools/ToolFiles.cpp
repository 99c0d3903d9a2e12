#include "ToolFiles.h"

#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QFileInfo>
#include <QUuid>

#include <cerrno>
#include <cstdio>
#include <cstring>

namespace ToolFiles {

namespace {

const QFileDevice::Permissions executableMode = QFileDevice::ReadOwner | QFileDevice::WriteOwner
    | QFileDevice::ExeOwner | QFileDevice::ReadGroup | QFileDevice::ExeGroup | QFileDevice::ReadOther
    | QFileDevice::ExeOther;

QString systemError(const QString& action, int error)
{
    return action + QStringLiteral(": ") + QString::fromLocal8Bit(std::strerror(error));
}

} // namespace

QString newWorkDirectory()
{
    return QDir(QDir::tempPath())
        .filePath(QStringLiteral("kw-") + QUuid::createUuid().toString(QUuid::WithoutBraces).toUpper());
}

std::optional<QString> findExecutable(const QString& root, const QString& name)
{
    std::optional<QString> best;
    QDirIterator it(
        root, QDir::Files | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot, QDirIterator::Subdirectories);
    while (it.hasNext()) {
        const QString path = it.next();
        const QFileInfo info = it.fileInfo();
        if (info.fileName() != name || info.isSymLink())
            continue;
        if (!best || path.count(QLatin1Char('/')) < best->count(QLatin1Char('/'))
            || (path.count(QLatin1Char('/')) == best->count(QLatin1Char('/')) && path < *best))
            best = path;
    }
    return best;
}

bool makeExecutable(const QString& path)
{
    return QFile::setPermissions(path, executableMode);
}

// Across file systems rename fails; then the copy goes next to target first.
std::optional<ToolError> moveIntoPlace(const QString& candidate, const QString& target)
{
    const QByteArray to = QFile::encodeName(target);
    if (std::rename(QFile::encodeName(candidate).constData(), to.constData()) == 0)
        return std::nullopt;
    if (errno != EXDEV)
        return ToolErrors::file(systemError(QStringLiteral("Could not move the tool into place"), errno));

    const QFileInfo targetInfo(target);
    const QString staging = targetInfo.dir().filePath(QLatin1Char('.') + targetInfo.fileName()
        + QStringLiteral(".kw-") + QUuid::createUuid().toString(QUuid::WithoutBraces));
    QFile source(candidate);
    if (!source.copy(staging)) {
        QFile::remove(staging);
        return ToolErrors::file(
            QStringLiteral("Could not copy the tool into place: ") + source.errorString());
    }
    QFile::setPermissions(staging, executableMode);
    if (std::rename(QFile::encodeName(staging).constData(), to.constData()) != 0) {
        const int error = errno;
        QFile::remove(staging);
        return ToolErrors::file(systemError(QStringLiteral("Could not move the tool into place"), error));
    }
    return std::nullopt;
}

} // namespace ToolFiles
