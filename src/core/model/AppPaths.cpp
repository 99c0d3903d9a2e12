#include "AppPaths.h"

#include <QDir>
#include <QStandardPaths>

namespace AppPaths {

QString support()
{
    const QString base = QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation);
    const QString path = QDir(base).filePath(QStringLiteral("Klipwell"));
    QDir().mkpath(path);
    return path;
}

QString sub(const QString& name)
{
    const QString path = QDir(support()).filePath(name);
    QDir().mkpath(path);
    return path;
}

} // namespace AppPaths
