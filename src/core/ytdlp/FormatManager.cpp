#include "FormatManager.h"

#include "ErrorInterpreter.h"
#include "LinkRules.h"
#include "LogManager.h"
#include "ProcessRunner.h"
#include "Tool.h"
#include "YTDLPManager.h"

#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonValue>
#include <QPromise>
#include <QThreadPool>

#include <cmath>
#include <initializer_list>
#include <limits>
#include <memory>

#include <qcoro/qcorofuture.h>

namespace {

// The reading rules of the "-J" document: a value of another type than the
// one asked for counts as missing, numbers are read whatever their JSON form.

std::optional<QString> string(const QJsonValue& value)
{
    return value.isString() ? std::optional(value.toString()) : std::nullopt;
}

std::optional<double> number(const QJsonValue& value)
{
    return value.isDouble() ? std::optional(value.toDouble()) : std::nullopt;
}

// The whole part of a number, when the type can hold it.
template <typename T> std::optional<T> whole(const QJsonValue& value)
{
    if (!value.isDouble())
        return std::nullopt;
    const double truncated = std::trunc(value.toDouble());
    // Both limits are powers of two (or one less), so the comparisons are exact.
    if (!(truncated >= static_cast<double>(std::numeric_limits<T>::min())
            && truncated < -static_cast<double>(std::numeric_limits<T>::min())))
        return std::nullopt;
    // toInteger keeps all 64 bits of a large integer that a double would round.
    return static_cast<T>(value.toInteger(static_cast<qint64>(truncated)));
}

// The first of the keys that is present decides, even when its value then has
// the wrong type: a present null does not fall back to the next key.
QJsonValue firstPresent(const QJsonObject& json, std::initializer_list<QLatin1String> keys)
{
    for (const QLatin1String& key : keys) {
        const auto found = json.constFind(key);
        if (found != json.constEnd())
            return *found;
    }
    return QJsonValue(QJsonValue::Undefined);
}

// An array whose elements are all objects; anything else reads as none.
std::optional<QJsonArray> objectArray(const QJsonValue& value)
{
    if (!value.isArray())
        return std::nullopt;
    QJsonArray array = value.toArray();
    for (const QJsonValue& element : array) {
        if (!element.isObject())
            return std::nullopt;
    }
    return array;
}

std::optional<QUrl> url(const std::optional<QString>& text)
{
    if (!text || text->isEmpty())
        return std::nullopt;
    QUrl result(*text, QUrl::StrictMode);
    return result.isValid() ? std::optional(result) : std::nullopt;
}

// The "url" of the last element of a "thumbnails" array, the best one by yt-dlp's order.
std::optional<QUrl> lastThumbnail(const QJsonObject& json)
{
    const std::optional<QJsonArray> thumbnails = objectArray(json.value(QLatin1String("thumbnails")));
    if (!thumbnails || thumbnails->isEmpty())
        return std::nullopt;
    return url(string(thumbnails->last().toObject().value(QLatin1String("url"))));
}

QStringList sortedKeys(const QJsonValue& value)
{
    QStringList keys = value.toObject().keys();
    keys.sort();
    return keys;
}

FormatInfo readFormat(const QJsonObject& json)
{
    FormatInfo format;
    format.id = string(json.value(QLatin1String("format_id"))).value_or(format.id);
    format.ext = string(json.value(QLatin1String("ext"))).value_or(QString());
    format.height = whole<int>(json.value(QLatin1String("height")));
    format.width = whole<int>(json.value(QLatin1String("width")));
    format.fps = number(json.value(QLatin1String("fps")));
    format.vcodec = string(json.value(QLatin1String("vcodec"))).value_or(format.vcodec);
    format.acodec = string(json.value(QLatin1String("acodec"))).value_or(format.acodec);
    format.filesize
        = whole<qint64>(firstPresent(json, { QLatin1String("filesize"), QLatin1String("filesize_approx") }));
    format.tbr = number(json.value(QLatin1String("tbr")));
    format.note = string(json.value(QLatin1String("format_note"))).value_or(QString());
    format.proto = string(json.value(QLatin1String("protocol"))).value_or(QString());
    return format;
}

PlaylistEntry readEntry(const QJsonObject& json, int position)
{
    PlaylistEntry entry;
    entry.id = position;
    entry.title
        = string(json.value(QLatin1String("title"))).value_or(QStringLiteral("Item %1").arg(position));
    entry.url = string(firstPresent(json, { QLatin1String("url"), QLatin1String("webpage_url") }));
    entry.duration = number(json.value(QLatin1String("duration")));
    return entry;
}

// A playlist's uploader and thumbnail may only be known from its first entry.
void fillFromFirstEntry(MediaInfo& info, const QJsonObject& first)
{
    if (info.uploader.isEmpty()) {
        info.uploader = string(first.value(QLatin1String("uploader")))
                            .value_or(string(first.value(QLatin1String("channel"))).value_or(QString()));
    }
    if (!info.thumbnail)
        info.thumbnail = lastThumbnail(first);
}

void appLog(const QString& line)
{
    LogManager& log = LogManager::shared();
    log.append(line, log.appLogPath());
}

// yt-dlp ends with its reason on the last "ERROR" line; earlier lines are
// mostly warnings and progress.
QString errorText(const QString& stdErr)
{
    const QStringList lines = stdErr.split(QLatin1Char('\n'), Qt::SkipEmptyParts);
    for (auto line = lines.crbegin(); line != lines.crend(); ++line) {
        if (line->startsWith(QLatin1String("ERROR")))
            return *line;
    }
    return stdErr;
}

// The document of a long playlist runs to tens of megabytes and takes a
// fifth of a second to read for 50,000 entries: too long to hold up the
// user interface, so it is read on a worker thread.
QFuture<std::optional<MediaInfo>> readInBackground(const QString& output, const QString& link)
{
    auto promise = std::make_shared<QPromise<std::optional<MediaInfo>>>();
    QFuture<std::optional<MediaInfo>> future = promise->future();
    promise->start();
    QThreadPool::globalInstance()->start([promise, output, link] {
        const QJsonDocument document = QJsonDocument::fromJson(output.toUtf8());
        promise->addResult(document.isObject() ? std::optional(FormatManager::parse(document.object(), link))
                                               : std::nullopt);
        promise->finish();
    });
    return future;
}

} // namespace

namespace FormatManager {

QCoro::Task<std::variant<MediaInfo, InfoError>> discover(const QString& url, const NetworkOptions& net)
{
    return discover(url, net, discoveryTimeoutSeconds);
}

QCoro::Task<std::variant<MediaInfo, InfoError>> discover(
    const QString& url, const NetworkOptions& net, double timeoutSeconds)
{
    return discover(url, net, timeoutSeconds, nullptr);
}

QCoro::Task<std::variant<MediaInfo, InfoError>> discover(
    const QString& url, const NetworkOptions& net, double timeoutSeconds, const CancelToken* cancel)
{
    // Everything taken from the caller's references is copied before the
    // first suspension, after which they may be gone.
    if (!validWebURL(url))
        co_return InfoError { QStringLiteral(
            "That doesn’t look like a valid web address. Enter a full http(s) URL.") };
    // The link as the user wrote it, not re-encoded: yt-dlp, the log and the
    // fallback page address all see the same text. Blanks around it go.
    const QString address = url.trimmed();

    const QString ytdlp = toolPath(Tool::ytdlp);
    const QFileInfo program(ytdlp);
    if (!program.isFile() || !program.isExecutable())
        co_return InfoError { QStringLiteral("yt-dlp isn’t installed yet.") };

    const QStringList arguments = YTDLPManager::baseArguments(net)
        + QStringList { QStringLiteral("-J"), QStringLiteral("--flat-playlist"),
              QStringLiteral("--no-warnings"), QStringLiteral("--"), address };
    auto run = ProcessRunner::run(ytdlp, arguments, timeoutSeconds, cancel);
    const RunResult result = co_await std::move(run);
    appLog(QStringLiteral("info ") + address + QStringLiteral(" -> exit ") + QString::number(result.status));

    if (result.timedOut)
        co_return InfoError { QStringLiteral(
            "Timed out while contacting the site. Check your connection and try again.") };
    if (result.status == 0) {
        auto reading = readInBackground(result.stdOut, address);
        std::optional<MediaInfo> info = co_await reading;
        if (info)
            co_return std::move(*info);
    }
    appLog(QStringLiteral("info error: ") + result.stdErr);
    co_return InfoError { ErrorInterpreter::explain(errorText(result.stdErr), result.status) };
}

MediaInfo parse(const QJsonObject& json, const QString& fallbackURL)
{
    MediaInfo info;
    info.id = string(json.value(QLatin1String("id"))).value_or(QString());
    info.title = string(json.value(QLatin1String("title"))).value_or(info.title);
    info.duration = number(json.value(QLatin1String("duration")));
    info.uploader
        = string(firstPresent(json,
                     { QLatin1String("uploader"), QLatin1String("channel"), QLatin1String("uploader_id") }))
              .value_or(QString());
    const QJsonValue thumbnail = json.value(QLatin1String("thumbnail"));
    info.thumbnail = thumbnail.isString() ? url(thumbnail.toString()) : lastThumbnail(json);
    info.webpageURL = string(json.value(QLatin1String("webpage_url"))).value_or(fallbackURL);
    info.extractor
        = string(firstPresent(json, { QLatin1String("extractor_key"), QLatin1String("extractor") }))
              .value_or(QString());

    info.isPlaylist = json.value(QLatin1String("_type")) == QLatin1String("playlist")
        || json.contains(QLatin1String("entries"));
    if (info.isPlaylist) {
        info.playlistTitle = info.title;
        const std::optional<QJsonArray> entries = objectArray(json.value(QLatin1String("entries")));
        if (entries) {
            info.entries.reserve(entries->size());
            for (qsizetype i = 0; i < entries->size(); ++i)
                info.entries << readEntry(entries->at(i).toObject(), static_cast<int>(i) + 1);
        }
        if (entries && !entries->isEmpty())
            fillFromFirstEntry(info, entries->first().toObject());
    }

    if (const std::optional<QJsonArray> formats = objectArray(json.value(QLatin1String("formats")))) {
        info.formats.reserve(formats->size());
        for (const QJsonValue& format : *formats)
            info.formats << readFormat(format.toObject());
    }

    info.subtitleLangs = sortedKeys(json.value(QLatin1String("subtitles")));
    const QStringList captions = sortedKeys(json.value(QLatin1String("automatic_captions")));
    for (const QString& lang : captions) {
        if (!lang.contains(QLatin1Char('-')) || lang.endsWith(QLatin1String("-orig")))
            info.autoCaptionLangs << lang;
    }
    return info;
}

Selection selection(Preset preset, bool compatible, const std::optional<QString>& videoID,
    const std::optional<QString>& audioID)
{
    const QString best = QStringLiteral("bv*+ba/b");
    const std::optional<QString> sort
        = compatible ? std::optional(QStringLiteral("res,vcodec:h264,acodec:aac")) : std::nullopt;

    switch (preset) {
    case Preset::best:
        return { best, sort, false };
    case Preset::uhd:
    case Preset::hd1080:
    case Preset::hd720: {
        const QString cap = QStringLiteral("[height<=%1]").arg(heightCap(preset).value_or(0));
        return { QStringLiteral("bv*") + cap + QStringLiteral("+ba/b") + cap + QLatin1Char('/') + best, sort,
            false };
    }
    case Preset::audio:
        return { QStringLiteral("ba/b"), std::nullopt, true };
    case Preset::custom:
        break;
    }

    const auto chosen = [](const std::optional<QString>& id) {
        return id && *id != QLatin1String("auto") ? id : std::nullopt;
    };
    const std::optional<QString> video = chosen(videoID), audio = chosen(audioID);
    const bool withAudio = audio && *audio != QLatin1String("none");
    if (!video)
        return withAudio ? Selection { *audio, std::nullopt, true } : Selection { best, std::nullopt, false };
    return { withAudio ? *video + QLatin1Char('+') + *audio : *video, std::nullopt, false };
}

} // namespace FormatManager
