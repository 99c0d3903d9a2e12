#include "MediaInfo.h"

#include "Formatting.h"

#include <algorithm>
#include <cmath>
#include <limits>

namespace {

bool hasCodec(const QString& codec)
{
    return !codec.isEmpty() && codec != QLatin1String("none");
}

// "avc1.64002a" -> "avc1", "mp4a.40.2" -> "mp4a".
QString shortCodec(const QString& codec)
{
    const QStringList pieces = codec.split(QLatin1Char('.'), Qt::SkipEmptyParts);
    return pieces.isEmpty() ? codec : pieces.first();
}

// Whole part of a display number; values no int can hold are shown as they come.
QString truncated(double value)
{
    const double whole = std::trunc(value);
    if (whole > std::numeric_limits<int>::min() && whole < std::numeric_limits<int>::max())
        return QString::number(static_cast<int>(whole));
    return QString::number(whole, 'f', 0);
}

} // namespace

QString FormatInfo::label() const
{
    QStringList parts { id, ext };
    if (height) {
        QString resolution = QString::number(*height) + QLatin1Char('p');
        if (fps && *fps > 30)
            resolution += truncated(*fps);
        parts << resolution;
    }
    if (hasCodec(vcodec))
        parts << shortCodec(vcodec);
    if (hasCodec(acodec))
        parts << shortCodec(acodec);
    if (tbr && !hasCodec(vcodec))
        parts << truncated(*tbr) + QStringLiteral(" kbps");
    if (filesize)
        parts << (*filesize >= 1 ? formatBytes(*filesize) : QStringLiteral("—"));
    if (!note.isEmpty())
        parts << note;
    return parts.join(QStringLiteral(" · "));
}

bool FormatInfo::isVideo() const
{
    return hasCodec(vcodec) && !note.contains(QLatin1String("storyboard"), Qt::CaseInsensitive)
        && ext != QLatin1String("mhtml");
}

bool FormatInfo::isAudioOnly() const
{
    return hasCodec(acodec) && !hasCodec(vcodec);
}

QList<FormatInfo> MediaInfo::videoFormats() const
{
    QList<FormatInfo> result;
    std::copy_if(formats.cbegin(), formats.cend(), std::back_inserter(result),
        [](const FormatInfo& format) { return format.isVideo(); });
    std::stable_sort(result.begin(), result.end(), [](const FormatInfo& a, const FormatInfo& b) {
        const int heightA = a.height.value_or(0), heightB = b.height.value_or(0);
        if (heightA != heightB)
            return heightA > heightB;
        return a.tbr.value_or(0) > b.tbr.value_or(0);
    });
    return result;
}

QList<FormatInfo> MediaInfo::audioFormats() const
{
    QList<FormatInfo> result;
    std::copy_if(formats.cbegin(), formats.cend(), std::back_inserter(result),
        [](const FormatInfo& format) { return format.isAudioOnly(); });
    std::stable_sort(result.begin(), result.end(),
        [](const FormatInfo& a, const FormatInfo& b) { return a.tbr.value_or(0) > b.tbr.value_or(0); });
    return result;
}

QList<int> MediaInfo::heights() const
{
    QList<int> result;
    for (const FormatInfo& format : formats) {
        if (format.isVideo() && format.height && !result.contains(*format.height))
            result << *format.height;
    }
    std::sort(result.begin(), result.end(), std::greater<>());
    return result;
}
