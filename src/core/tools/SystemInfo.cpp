#include "SystemInfo.h"

#include <QSysInfo>

#ifdef Q_OS_MACOS
#include <sys/sysctl.h>
#endif

namespace SystemInfo {

QString name()
{
#ifdef Q_OS_MACOS
    return QStringLiteral("macOS");
#else
    return QStringLiteral("Linux");
#endif
}

QString versionText()
{
#ifdef Q_OS_MACOS
    const QString version = QStringLiteral("Version ") + QSysInfo::productVersion();
    char build[64] = {};
    size_t size = sizeof(build) - 1;
    if (sysctlbyname("kern.osversion", build, &size, nullptr, 0) != 0)
        return version;
    return version + QStringLiteral(" (Build ") + QString::fromLatin1(build) + QLatin1Char(')');
#else
    return QSysInfo::prettyProductName() + QStringLiteral(", kernel ") + QSysInfo::kernelVersion();
#endif
}

} // namespace SystemInfo
