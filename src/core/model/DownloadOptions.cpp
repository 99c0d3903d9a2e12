#include "DownloadOptions.h"

#include <QJsonValue>

namespace {

// Reads the fields of one JSON object strictly: a required key that is
// missing, null or of the wrong type marks the whole record as unreadable.
class StrictReader {
public:
    explicit StrictReader(const QJsonObject& object)
        : m_object(object)
    {
    }

    bool ok() const { return m_ok; }

    QString string(const QString& key)
    {
        const QJsonValue value = m_object.value(key);
        if (!value.isString())
            return fail<QString>();
        return value.toString();
    }

    // Missing or null reads as absent; any other non-string is a fault.
    std::optional<QString> optionalString(const QString& key)
    {
        const QJsonValue value = m_object.value(key);
        if (value.isUndefined() || value.isNull())
            return std::nullopt;
        if (!value.isString())
            return fail<std::optional<QString>>();
        return value.toString();
    }

    bool boolean(const QString& key)
    {
        const QJsonValue value = m_object.value(key);
        if (!value.isBool())
            return fail<bool>();
        return value.toBool();
    }

    // Whole numbers only: 2.5 or 1e300 must not silently become a count.
    qint64 integer(const QString& key)
    {
        const QJsonValue value = m_object.value(key);
        if (!value.isDouble())
            return fail<qint64>();
        const qint64 number = value.toInteger();
        // toInteger() yields 0 for anything it cannot represent exactly.
        if (number == 0 && value.toDouble() != 0)
            return fail<qint64>();
        return number;
    }

    QJsonObject object(const QString& key)
    {
        const QJsonValue value = m_object.value(key);
        if (!value.isObject())
            return fail<QJsonObject>();
        return value.toObject();
    }

    void require(bool condition) { m_ok = m_ok && condition; }

private:
    template <typename T> T fail()
    {
        m_ok = false;
        return T();
    }

    const QJsonObject& m_object;
    bool m_ok = true;
};

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
    StrictReader in(object);
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
    StrictReader in(object);
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
