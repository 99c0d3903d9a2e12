#pragma once

#include <QList>
#include <QString>
#include <QStringList>
#include <QUrl>

#include <optional>

// One downloadable format as yt-dlp lists it; `id` is its format ID.
struct FormatInfo {
    QString id = QStringLiteral("?");
    QString ext;
    std::optional<int> height, width;
    std::optional<double> fps;
    QString vcodec = QStringLiteral("none"), acodec = QStringLiteral("none");
    std::optional<qint64> filesize;
    std::optional<double> tbr; // kbit/s
    QString note, proto;

    // Display text such as "4540 · mp4 · 1080p · avc1" or "140 · m4a · mp4a · 129 kbps · 3.4 MB".
    QString label() const;
    // Has a picture, and is not a storyboard or an mhtml page of thumbnails.
    bool isVideo() const;
    // Has sound and no picture.
    bool isAudioOnly() const;

    bool operator==(const FormatInfo&) const = default;
};

// One item of a playlist; `id` is its 1-based position in the playlist.
struct PlaylistEntry {
    int id = 0;
    QString title;
    std::optional<QString> url;
    std::optional<double> duration;

    bool operator==(const PlaylistEntry&) const = default;
};

// What a link offers, as read from yt-dlp's "-J" document.
struct MediaInfo {
    QString id;
    QString title = QStringLiteral("Untitled");
    std::optional<double> duration;
    QString uploader;
    std::optional<QUrl> thumbnail;
    QString webpageURL, extractor;
    bool isPlaylist = false;
    QString playlistTitle;
    QList<PlaylistEntry> entries;
    QList<FormatInfo> formats;
    QStringList subtitleLangs, autoCaptionLangs;

    // Video formats, highest first (height, then bit rate; missing values count as 0).
    QList<FormatInfo> videoFormats() const;
    // Audio-only formats, highest bit rate first.
    QList<FormatInfo> audioFormats() const;
    // The distinct heights of the video formats, highest first.
    QList<int> heights() const;

    bool operator==(const MediaInfo&) const = default;
};

// Why media information could not be obtained: one sentence for the user.
struct InfoError {
    QString message;

    bool operator==(const InfoError&) const = default;
};

// What goes into a download's format options for a quality choice.
struct Selection {
    QString format; // yt-dlp format selector ("-f")
    std::optional<QString> sort; // yt-dlp format sort ("-S")
    bool audioOnly = false;

    bool operator==(const Selection&) const = default;
};
