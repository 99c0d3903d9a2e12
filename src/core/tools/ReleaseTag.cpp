#include "ReleaseTag.h"

namespace ReleaseTag {

bool isNewer(const QString& tag, const std::optional<QString>& installed)
{
    QString stripped = tag;
    stripped.remove(QLatin1Char('v'));
    const QString current = installed.value_or(QString());
    if (!stripped.startsWith(current))
        return true;
    const bool cutsANumber = !current.isEmpty() && current.back().isDigit() && stripped.size() > current.size()
        && stripped.at(current.size()).isDigit();
    return cutsANumber;
}

} // namespace ReleaseTag
