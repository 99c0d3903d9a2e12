#include "Formatting.h"

#include <array>
#include <cmath>

QString formatDuration(std::optional<double> seconds)
{
    // Also keeps NaN, infinities and values beyond 64 bits away from the integer conversion.
    if (!seconds || !(*seconds > 0) || !(*seconds < 9.2e18))
        return QStringLiteral("—");
    const qint64 whole = static_cast<qint64>(*seconds);
    const qint64 h = whole / 3600;
    const qint64 m = whole / 60 % 60;
    const qint64 s = whole % 60;
    if (h == 0)
        return QStringLiteral("%1:%2").arg(m).arg(s, 2, 10, QLatin1Char('0'));
    return QStringLiteral("%1:%2:%3").arg(h).arg(m, 2, 10, QLatin1Char('0')).arg(s, 2, 10, QLatin1Char('0'));
}

namespace {

struct ByteUnit {
    const char* name;
    quint64 size;
    int decimals;
};

constexpr std::array<ByteUnit, 6> byteUnits { {
    { "KB", 1000ULL, 0 },
    { "MB", 1000ULL * 1000, 1 },
    { "GB", 1000ULL * 1000 * 1000, 2 },
    { "TB", 1000ULL * 1000 * 1000 * 1000, 2 },
    { "PB", 1000ULL * 1000 * 1000 * 1000 * 1000, 2 },
    { "EB", 1000ULL * 1000 * 1000 * 1000 * 1000 * 1000, 2 },
} };

quint64 powerOfTen(int exponent)
{
    quint64 result = 1;
    while (exponent-- > 0)
        result *= 10;
    return result;
}

// "12.30" with two decimals becomes "12.3", "1.00" becomes "1".
QString fixedPoint(quint64 scaled, int decimals)
{
    const quint64 one = powerOfTen(decimals);
    QString text = QString::number(scaled / one);
    QString fraction = QStringLiteral("%1").arg(scaled % one, decimals, 10, QLatin1Char('0'));
    while (fraction.endsWith(QLatin1Char('0')))
        fraction.chop(1);
    if (!fraction.isEmpty())
        text += QLatin1Char('.') + fraction;
    return text;
}

} // namespace

QString formatBytes(qint64 bytes)
{
    const QString sign = bytes < 0 ? QStringLiteral("-") : QString();
    // Magnitude computed without negating the most negative value.
    const quint64 magnitude = bytes < 0 ? quint64(-(bytes + 1)) + 1 : quint64(bytes);
    if (magnitude < 1000)
        return sign + QString::number(magnitude)
            + (magnitude == 1 ? QStringLiteral(" byte") : QStringLiteral(" bytes"));

    for (const ByteUnit& unit : byteUnits) {
        // Integer rounding, half away from zero, at the unit's last shown decimal.
        const quint64 step = unit.size / powerOfTen(unit.decimals);
        const quint64 scaled = magnitude / step + (2 * (magnitude % step) >= step ? 1 : 0);
        if (scaled < 1000 * powerOfTen(unit.decimals) || &unit == &byteUnits.back())
            return sign + fixedPoint(scaled, unit.decimals) + QLatin1Char(' ') + QLatin1String(unit.name);
    }
    Q_UNREACHABLE();
    return {};
}
