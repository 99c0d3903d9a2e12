#include "DownloadOptions.h"

#include "JsonReader.h"

namespace {

void insertOptional(QJsonObject& object, const QString& key, const std::optional<QString>& value)
{
    if (value)
        object.insert(key, *value);
}

} // namespace

QJsonObject toJson(const NetworkOptions& net)
{
    return QJsonObject {
        { QStringLiteral("cookiesBrowser"), net.cookiesBrowser },
        { QStringLiteral("userAgent"), net.userAgent },
        { QStringLiteral("proxy"), net.proxy },
        { QStringLiteral("rateLimit"), net.rateLimit },
        { QStringLiteral("retries"), net.retries },
        { QStringLiteral("fragments"), net.fragments },
        { QStringLiteral("timeout"), net.timeout },
        { QStringLiteral("extraArgs"), net.extraArgs },
    };
}

std::optional<NetworkOptions> networkOptionsFromJson(const QJsonObject& object)
{
    JsonReader in(object);
    NetworkOptions net;
    net.cookiesBrowser = in.string(QStringLiteral("cookiesBrowser"));
    net.userAgent = in.string(QStringLiteral("userAgent"));
    net.proxy = in.string(QStringLiteral("proxy"));
    net.rateLimit = in.string(QStringLiteral("rateLimit"));
    net.retries = in.integer(QStringLiteral("retries"));
    net.fragments = in.integer(QStringLiteral("fragments"));
    net.timeout = in.integer(QStringLiteral("timeout"));
    net.extraArgs = in.string(QStringLiteral("extraArgs"));
    if (!in.ok())
        return std::nullopt;
    return net;
}

QJsonObject toJson(const DownloadOptions& options)
{
    QJsonObject object {
        { QStringLiteral("url"), options.url },
        { QStringLiteral("title"), options.title },
        { QStringLiteral("uploader"), options.uploader },
        { QStringLiteral("isPlaylist"), options.isPlaylist },
        { QStringLiteral("audioOnly"), options.audioOnly },
        { QStringLiteral("audioFormat"), options.audioFormat },
        { QStringLiteral("container"), options.container },
        { QStringLiteral("folder"), options.folder },
        { QStringLiteral("outputTemplate"), options.outputTemplate },
        { QStringLiteral("embedThumbnail"), options.embedThumbnail },
        { QStringLiteral("embedMetadata"), options.embedMetadata },
        { QStringLiteral("subtitles"), options.subtitles },
        { QStringLiteral("autoSubs"), options.autoSubs },
        { QStringLiteral("embedSubs"), options.embedSubs },
        { QStringLiteral("subLangs"), options.subLangs },
        { QStringLiteral("network"), toJson(options.network) },
        { QStringLiteral("presetName"), options.presetName },
    };
    insertOptional(object, QStringLiteral("thumbnail"), options.thumbnail);
    insertOptional(object, QStringLiteral("playlistItems"), options.playlistItems);
    insertOptional(object, QStringLiteral("formatSelector"), options.formatSelector);
    insertOptional(object, QStringLiteral("formatSort"), options.formatSort);
    return object;
}

std::optional<DownloadOptions> downloadOptionsFromJson(const QJsonObject& object)
{
    JsonReader in(object);
    DownloadOptions options;
    options.url = in.string(QStringLiteral("url"));
    options.title = in.string(QStringLiteral("title"));
    options.uploader = in.string(QStringLiteral("uploader"));
    options.thumbnail = in.optionalString(QStringLiteral("thumbnail"));
    options.isPlaylist = in.boolean(QStringLiteral("isPlaylist"));
    options.playlistItems = in.optionalString(QStringLiteral("playlistItems"));
    options.formatSelector = in.optionalString(QStringLiteral("formatSelector"));
    options.formatSort = in.optionalString(QStringLiteral("formatSort"));
    options.audioOnly = in.boolean(QStringLiteral("audioOnly"));
    options.audioFormat = in.string(QStringLiteral("audioFormat"));
    options.container = in.string(QStringLiteral("container"));
    options.folder = in.string(QStringLiteral("folder"));
    options.outputTemplate = in.string(QStringLiteral("outputTemplate"));
    options.embedThumbnail = in.boolean(QStringLiteral("embedThumbnail"));
    options.embedMetadata = in.boolean(QStringLiteral("embedMetadata"));
    options.subtitles = in.boolean(QStringLiteral("subtitles"));
    options.autoSubs = in.boolean(QStringLiteral("autoSubs"));
    options.embedSubs = in.boolean(QStringLiteral("embedSubs"));
    options.subLangs = in.string(QStringLiteral("subLangs"));
    const std::optional<NetworkOptions> net = networkOptionsFromJson(in.object(QStringLiteral("network")));
    in.require(net.has_value());
    options.presetName = in.string(QStringLiteral("presetName"));
    if (!in.ok())
        return std::nullopt;
    options.network = *net;
    return options;
}
