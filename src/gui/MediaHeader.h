#pragma once

#include <QWidget>

class IconLabel;
class QLabel;
class ThumbnailLoader;
struct MediaInfo;

// The top of a loaded link: thumbnail, title and the facts yt-dlp found.
class MediaHeader : public QWidget {
    Q_OBJECT

public:
    static constexpr QSize thumbnailSize { 240, 135 };

    explicit MediaHeader(QWidget* parent = nullptr);

    void show(const MediaInfo&);

private:
    void showThumbnail(const QImage&);

    ThumbnailLoader* m_loader;
    QLabel* m_thumbnail;
    QLabel* m_title;
    IconLabel* m_uploader;
    IconLabel* m_duration;
    IconLabel* m_formats;
    IconLabel* m_playlist;
    QLabel* m_extractor;
};
