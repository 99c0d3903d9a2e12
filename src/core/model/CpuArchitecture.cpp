#include "CpuArchitecture.h"

#include <QSysInfo>

#ifdef Q_OS_MACOS
#include <sys/sysctl.h>
#include <sys/types.h>
#endif

CpuArchitecture currentArchitecture()
{
#ifdef Q_OS_MACOS
    // A translated (Rosetta) process still reports 1 here, so it gets native tools.
    int value = 0;
    size_t size = sizeof(value);
    if (sysctlbyname("hw.optional.arm64", &value, &size, nullptr, 0) == 0 && value == 1)
        return CpuArchitecture::arm64;
    return CpuArchitecture::x86_64;
#else
    return QSysInfo::currentCpuArchitecture() == QLatin1String("arm64") ? CpuArchitecture::arm64
                                                                        : CpuArchitecture::x86_64;
#endif
}

QString displayText(CpuArchitecture arch)
{
#ifdef Q_OS_MACOS
    return arch == CpuArchitecture::arm64 ? QStringLiteral("Apple Silicon (arm64)")
                                          : QStringLiteral("Intel (x86_64)");
#else
    return arch == CpuArchitecture::arm64 ? QStringLiteral("ARM64 (aarch64)")
                                          : QStringLiteral("x86-64 (x86_64)");
#endif
}
