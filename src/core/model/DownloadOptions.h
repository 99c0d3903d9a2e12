#pragma once

#include <QJsonObject>
#include <QList>
#include <QString>

#include <optional>

// The network part of one download job.
struct NetworkOptions {
    QString cookiesBrowser = QStringLiteral("none");
    QString userAgent;
    QString proxy;
    QString rateLimit;
    qint64 retries = 10;
    qint64 fragments = 4;
    qint64 timeout = 30;
    QString extraArgs;

    bool operator==(const NetworkOptions&) const = default;
};

// Everything yt-dlp needs for one download job. A task keeps its options
// unchanged for its whole life.
struct DownloadOptions {
    QString url;
    QString title;
    QString uploader;
    std::optional<QString> thumbnail;
    bool isPlaylist = false;
    std::optional<QString> playlistItems, formatSelector, formatSort;
    bool audioOnly = false;
    QString audioFormat;
    QString container;
    QString folder;
    QString outputTemplate;
    bool embedThumbnail = false, embedMetadata = false, subtitles = false, autoSubs = false,
         embedSubs = false;
    QString subLangs;
    NetworkOptions network;
    QString presetName;

    bool operator==(const DownloadOptions&) const = default;
};

QJsonObject toJson(const NetworkOptions&);
std::optional<NetworkOptions> networkOptionsFromJson(const QJsonObject&);
QJsonObject toJson(const DownloadOptions&);
std::optional<DownloadOptions> downloadOptionsFromJson(const QJsonObject&);
