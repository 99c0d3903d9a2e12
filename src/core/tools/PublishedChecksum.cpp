#include "PublishedChecksum.h"

#include "ToolSources.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QRegularExpression>

namespace {

// A SHA-256 in hex, as every publisher writes it.
bool isSha256(const QByteArray& text)
{
    static const QRegularExpression hex(QStringLiteral("^[0-9a-fA-F]{64}$"));
    return hex.match(QString::fromLatin1(text)).hasMatch();
}

// "<hash>  <name>" or "<hash> *<name>" (binary mode), one asset a line; a
// file beside the asset may hold the bare hash.
std::optional<QByteArray> fromSumsFile(const QByteArray& document, const QString& asset)
{
    for (QByteArray line : document.split('\n')) {
        line = line.trimmed(); // also the '\r' of CRLF files
        const qsizetype gap = line.indexOf(' ');
        const QByteArray hash = gap < 0 ? line : line.left(gap);
        if (!isSha256(hash))
            continue;
        QByteArray name = gap < 0 ? QByteArray() : line.mid(gap).trimmed();
        if (name.startsWith('*'))
            name.remove(0, 1);
        if (name.isEmpty() || QString::fromUtf8(name) == asset)
            return hash.toLower();
    }
    return std::nullopt;
}

std::optional<QByteArray> fromReleaseJson(const QByteArray& document, const QString& asset)
{
    const QJsonArray assets
        = QJsonDocument::fromJson(document).object().value(QStringLiteral("assets")).toArray();
    for (const QJsonValue& entry : assets) {
        const QJsonObject object = entry.toObject();
        if (object.value(QStringLiteral("name")).toString() != asset)
            continue;
        const QString digest = object.value(QStringLiteral("digest")).toString();
        const QByteArray hash
            = digest.startsWith(QStringLiteral("sha256:")) ? digest.mid(7).toLatin1() : QByteArray();
        return isSha256(hash) ? std::optional(hash.toLower()) : std::nullopt;
    }
    return std::nullopt;
}

} // namespace

namespace PublishedChecksum {

std::optional<ChecksumSource> locate(const QUrl& download)
{
    // ".../releases/latest/download/<asset>" or ".../releases/download/<tag>/<asset>"
    static const QRegularExpression release(
        QStringLiteral("^/([^/]+/[^/]+)/releases/(?:latest/download|download/([^/]+))/([^/]+)$"));
    const QRegularExpressionMatch match = release.match(download.path());
    if (!match.hasMatch())
        return std::nullopt;
    const QString project = match.captured(1);
    const QString tag = match.captured(2);
    const QString asset = match.captured(3);
    if (project == QLatin1String("yt-dlp/yt-dlp")) {
        QUrl sums = download;
        sums.setPath(download.path().chopped(asset.size()) + QStringLiteral("SHA2-256SUMS"));
        return ChecksumSource { ChecksumSource::Kind::sumsFile, sums, asset };
    }
    if (project == QLatin1String("denoland/deno")) {
        QUrl sums = download;
        sums.setPath(download.path() + QStringLiteral(".sha256sum"));
        return ChecksumSource { ChecksumSource::Kind::sumsFile, sums, asset };
    }
    if (project == QLatin1String("BtbN/FFmpeg-Builds") && !tag.isEmpty()) {
        const QUrl api(QStringLiteral("https://api.github.com/repos/") + project
            + QStringLiteral("/releases/tags/") + tag);
        return ChecksumSource { ChecksumSource::Kind::releaseDigest, ToolSources::mirrored(api), asset };
    }
    return std::nullopt;
}

std::optional<QByteArray> parse(ChecksumSource::Kind kind, const QByteArray& document, const QString& asset)
{
    return kind == ChecksumSource::Kind::sumsFile ? fromSumsFile(document, asset)
                                                  : fromReleaseJson(document, asset);
}

} // namespace PublishedChecksum
