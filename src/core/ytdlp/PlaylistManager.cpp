#include "PlaylistManager.h"

#include <QList>
#include <QStringList>

#include <algorithm>

namespace PlaylistManager {

std::optional<QString> itemsString(const QSet<int>& selected, int total)
{
    if (selected.isEmpty() || selected.size() == total)
        return std::nullopt;

    QList<int> positions(selected.begin(), selected.end());
    std::sort(positions.begin(), positions.end());

    QStringList runs;
    qsizetype first = 0;
    for (qsizetype i = 1; i <= positions.size(); ++i) {
        // 64-bit arithmetic so a run ending at the largest int cannot overflow.
        const bool runContinues
            = i < positions.size() && qint64(positions[i]) == qint64(positions[i - 1]) + 1;
        if (runContinues)
            continue;
        const int start = positions[first];
        const int end = positions[i - 1];
        runs << (start == end ? QString::number(start)
                              : QString::number(start) + QLatin1Char('-') + QString::number(end));
        first = i;
    }
    return runs.join(QLatin1Char(','));
}

} // namespace PlaylistManager
