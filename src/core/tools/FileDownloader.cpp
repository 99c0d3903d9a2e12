#include "FileDownloader.h"

#include <QNetworkReply>
#include <QNetworkRequest>
#include <QSaveFile>
#include <QTimer>

#include <QCoroNetworkReply>

namespace {

constexpr qint64 readBufferSize = 1 << 20;

QNetworkRequest requestFor(const QUrl& url)
{
    QNetworkRequest request(url);
    request.setHeader(QNetworkRequest::UserAgentHeader, QByteArrayLiteral("Klipwell/1.0"));
    request.setAttribute(QNetworkRequest::RedirectPolicyAttribute, QNetworkRequest::NoLessSafeRedirectPolicy);
    request.setAttribute(QNetworkRequest::CookieLoadControlAttribute, QNetworkRequest::Manual);
    request.setAttribute(QNetworkRequest::CookieSaveControlAttribute, QNetworkRequest::Manual);
    request.setAttribute(QNetworkRequest::CacheLoadControlAttribute, QNetworkRequest::AlwaysNetwork);
    request.setAttribute(QNetworkRequest::CacheSaveControlAttribute, false);
    return request;
}

// The HTTP status of the final response, none for non-HTTP URLs or before the headers.
std::optional<int> httpStatus(const QNetworkReply* reply)
{
    const QVariant status = reply->attribute(QNetworkRequest::HttpStatusCodeAttribute);
    return status.isValid() ? std::optional(status.toInt()) : std::nullopt;
}

bool statusAccepted(const QNetworkReply* reply)
{
    const std::optional<int> status = httpStatus(reply);
    return !status || (*status >= 200 && *status <= 299);
}

// A redirect on the way to the file; its body is not part of the download.
bool isRedirect(const QNetworkReply* reply)
{
    const std::optional<int> status = httpStatus(reply);
    return status && *status >= 300 && *status <= 399;
}

} // namespace

FileDownloader::FileDownloader(std::chrono::milliseconds stallTimeout)
    : m_stallTimeout(stallTimeout)
{
    m_network.setCookieJar(nullptr);
}

QCoro::Task<std::optional<ToolError>> FileDownloader::download(
    const QUrl& url, const QString& destination, std::function<void(double)> onProgress)
{
    // The caller's references may not outlive the first suspension.
    const QString dest = destination;
    QSaveFile file(dest);
    file.setDirectWriteFallback(false);
    if (!file.open(QIODevice::WriteOnly))
        co_return ToolErrors::file(
            QStringLiteral("Could not write ") + dest + QStringLiteral(": ") + file.errorString());

    QNetworkReply* reply = m_network.get(requestFor(url));
    // Without a limit Qt's network thread buffers as fast as the peer sends.
    reply->setReadBufferSize(readBufferSize);
    m_reply = reply;

    bool stalled = false;
    std::optional<ToolError> writeError;
    QTimer stallTimer;
    stallTimer.setSingleShot(true);
    stallTimer.setInterval(m_stallTimeout);
    QObject::connect(&stallTimer, &QTimer::timeout, reply, [&stalled, reply] {
        stalled = true;
        reply->abort();
    });
    QObject::connect(reply, &QNetworkReply::readyRead, reply, [&, reply] {
        stallTimer.start();
        const QByteArray chunk = reply->readAll();
        // Redirect and error bodies are not the tool; the status decides the outcome below.
        if (!statusAccepted(reply))
            return;
        if (file.write(chunk) != chunk.size()) {
            writeError = ToolErrors::file(
                QStringLiteral("Could not write ") + dest + QStringLiteral(": ") + file.errorString());
            reply->abort();
        }
    });
    QObject::connect(reply, &QNetworkReply::downloadProgress, reply, [&](qint64 received, qint64 total) {
        stallTimer.start();
        // Qt reports the received count as the total at the end when no size was announced.
        const bool announced = reply->header(QNetworkRequest::ContentLengthHeader).isValid();
        if (announced && total >= 1 && onProgress && statusAccepted(reply))
            onProgress(qBound(0.0, double(received) / double(total), 1.0));
    });
    stallTimer.start();

    auto finished = qCoro(reply).waitForFinished();
    co_await std::move(finished);
    stallTimer.stop();
    reply->deleteLater();

    std::optional<ToolError> error;
    if (stalled) {
        error = ToolErrors::network(QNetworkReply::TimeoutError, QStringLiteral("The request timed out."));
    } else if (writeError) {
        error = writeError;
    } else if (!statusAccepted(reply) && !isRedirect(reply)) {
        error = ToolErrors::httpStatus(*httpStatus(reply));
    } else if (reply->error() != QNetworkReply::NoError) {
        error = ToolErrors::network(reply->error(), reply->errorString());
    } else if (isRedirect(reply)) {
        error = ToolErrors::httpStatus(*httpStatus(reply));
    } else if (!file.commit()) {
        error = ToolErrors::file(
            QStringLiteral("Could not write ") + dest + QStringLiteral(": ") + file.errorString());
    }
    co_return error;
}

void FileDownloader::cancel()
{
    if (m_reply)
        m_reply->abort();
}
