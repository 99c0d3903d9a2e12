#pragma once

#include <QImage>
#include <QObject>
#include <QUrl>

class QNetworkAccessManager;
class QNetworkReply;

// Fetches one picture at a time for a media header. Only http and https are
// fetched, at most maxBytes of them; a newer request drops the older one, so
// a slow picture of the previous link never shows up under the next.
class ThumbnailLoader : public QObject {
    Q_OBJECT

public:
    static constexpr qint64 maxBytes = 10 * 1024 * 1024;

    explicit ThumbnailLoader(QObject* parent = nullptr);

    void load(const QUrl&);

signals:
    // The decoded picture of the latest request, or a null image when there
    // is none to be had (unsupported address, failed transfer, broken or
    // oversized image).
    void loaded(const QImage&);

private:
    void cancel();
    void finished(QNetworkReply*);

    QNetworkAccessManager* m_network;
    QNetworkReply* m_reply = nullptr;
};
