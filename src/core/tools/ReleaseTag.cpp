#include "ReleaseTag.h"

namespace ReleaseTag {

bool isNewer(const QString& tag, const std::optional<QString>& installed)
{
    QString stripped = tag;
    stripped.remove(QLatin1Char('v'));
    return !stripped.startsWith(installed.value_or(QString()));
}

} // namespace ReleaseTag
