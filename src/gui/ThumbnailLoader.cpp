#include "ThumbnailLoader.h"

#include <QNetworkAccessManager>
#include <QNetworkReply>

ThumbnailLoader::ThumbnailLoader(QObject* parent)
    : QObject(parent)
    , m_network(new QNetworkAccessManager(this))
{
}

void ThumbnailLoader::load(const QUrl& url)
{
    cancel();
    const QString scheme = url.scheme().toLower();
    if (!url.isValid() || (scheme != QLatin1String("http") && scheme != QLatin1String("https"))) {
        emit loaded(QImage());
        return;
    }
    QNetworkRequest request(url);
    request.setAttribute(QNetworkRequest::RedirectPolicyAttribute, QNetworkRequest::NoLessSafeRedirectPolicy);
    request.setTransferTimeout(30'000);
    QNetworkReply* reply = m_network->get(request);
    m_reply = reply;
    connect(reply, &QNetworkReply::downloadProgress, this, [reply](qint64 received, qint64 total) {
        if (received > maxBytes || total > maxBytes)
            reply->abort();
    });
    connect(reply, &QNetworkReply::finished, this, [this, reply] { finished(reply); });
}

void ThumbnailLoader::cancel()
{
    if (!m_reply)
        return;
    QNetworkReply* reply = std::exchange(m_reply, nullptr);
    reply->disconnect(this);
    reply->abort();
    reply->deleteLater();
}

void ThumbnailLoader::finished(QNetworkReply* reply)
{
    reply->deleteLater();
    if (reply != m_reply)
        return;
    m_reply = nullptr;
    const QByteArray bytes = reply->error() == QNetworkReply::NoError ? reply->read(maxBytes + 1) : QByteArray();
    emit loaded(bytes.size() > maxBytes ? QImage() : QImage::fromData(bytes));
}
