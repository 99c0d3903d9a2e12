#pragma once

#include <QWidget>

// The "Network" tab: cookies, user agent, proxy, limits and the user's own
// yt-dlp arguments.
class NetworkSettings : public QWidget {
    Q_OBJECT

public:
    explicit NetworkSettings(QWidget* parent = nullptr);
};
