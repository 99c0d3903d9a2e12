#include "FileDownloader.h"

#include "Sha256.h"

#include <QNetworkReply>
#include <QNetworkRequest>
#include <QSaveFile>
#include <QTimer>

#include <QCoroNetworkReply>

#include <variant>

namespace {

constexpr qint64 readBufferSize = 1 << 20;
// As many as Qt follows by default.
constexpr int maxRedirects = 50;

QNetworkRequest requestFor(const QUrl& url)
{
    QNetworkRequest request(url);
    request.setHeader(QNetworkRequest::UserAgentHeader, QByteArrayLiteral("Klipwell/1.0"));
    request.setAttribute(QNetworkRequest::RedirectPolicyAttribute, QNetworkRequest::ManualRedirectPolicy);
    request.setAttribute(QNetworkRequest::CookieLoadControlAttribute, QNetworkRequest::Manual);
    request.setAttribute(QNetworkRequest::CookieSaveControlAttribute, QNetworkRequest::Manual);
    request.setAttribute(QNetworkRequest::CacheLoadControlAttribute, QNetworkRequest::AlwaysNetwork);
    request.setAttribute(QNetworkRequest::CacheSaveControlAttribute, false);
    return request;
}

ToolError writeFailure(const QString& dest, const QSaveFile& file)
{
    return ToolErrors::file(
        QStringLiteral("Could not write ") + dest + QStringLiteral(": ") + file.errorString());
}

// The HTTP status of the response, none for non-HTTP URLs or before the headers.
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

// The redirects that lead on to another URL; any other 3xx is a final answer.
bool leadsOn(const QNetworkReply* reply)
{
    switch (httpStatus(reply).value_or(0)) {
    case 301:
    case 302:
    case 303:
    case 305:
    case 307:
    case 308:
        return true;
    default:
        return false;
    }
}

// Where a redirect leads, with the rules and messages of Qt's own redirect
// handling: no more than maxRedirects, only http and https, never from https
// down to http.
std::variant<QUrl, ToolError> redirectTarget(const QNetworkReply* reply, int followed)
{
    const QUrl location = QUrl::fromEncoded(reply->rawHeader("Location"));
    const ToolError unknownProtocol = ToolErrors::network(
        QNetworkReply::ProtocolUnknownError, QStringLiteral("Unknown protocol specified"));
    if (!location.isValid())
        return unknownProtocol;
    if (followed >= maxRedirects)
        return ToolErrors::network(
            QNetworkReply::TooManyRedirectsError, QStringLiteral("Too many redirects"));
    const QUrl from = reply->url();
    const QUrl target = from.resolved(location);
    if (target.scheme() != QLatin1String("http") && target.scheme() != QLatin1String("https"))
        return unknownProtocol;
    if (from.scheme() == QLatin1String("https") && target.scheme() == QLatin1String("http"))
        return ToolErrors::network(QNetworkReply::InsecureRedirectError, QStringLiteral("Insecure redirect"));
    return target;
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
    m_sha256.clear();
    std::optional<Sha256> hash;
    if (m_hashing)
        hash.emplace();
    QSaveFile file(dest);
    file.setDirectWriteFallback(false);
    if (!file.open(QIODevice::WriteOnly))
        co_return writeFailure(dest, file);

    // Each request gets a reply of its own: when Qt follows redirects itself,
    // every response lands in one reply, and a redirect answered twice (Qt
    // resends a request whose connection closed as the answer arrived) merges
    // its headers into the file's, leaving "Content-Length: 0, 307200".
    QUrl current = url;
    for (int followed = 0;; ++followed) {
        QNetworkReply* reply = m_network.get(requestFor(current));
        // Without a limit Qt's network thread buffers as fast as the peer sends.
        reply->setReadBufferSize(readBufferSize);
        m_reply = reply;

        // Ends this request's handlers with the request.
        const QObject scope;
        bool stalled = false;
        std::optional<ToolError> writeError;
        QTimer stallTimer;
        stallTimer.setSingleShot(true);
        stallTimer.setInterval(m_stallTimeout);
        QObject::connect(&stallTimer, &QTimer::timeout, &scope, [&stalled, reply] {
            stalled = true;
            reply->abort();
        });
        QObject::connect(reply, &QNetworkReply::readyRead, &scope, [&, reply] {
            stallTimer.start();
            const QByteArray chunk = reply->readAll();
            // Redirect and error bodies are not the tool; the status decides the outcome below.
            if (!statusAccepted(reply))
                return;
            if (file.write(chunk) != chunk.size()) {
                writeError = writeFailure(dest, file);
                reply->abort();
                return;
            }
            if (hash)
                hash->add(chunk);
        });
        QObject::connect(reply, &QNetworkReply::downloadProgress, &scope, [&](qint64 received, qint64 total) {
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

        if (stalled)
            co_return ToolErrors::network(
                QNetworkReply::TimeoutError, QStringLiteral("The request timed out."));
        if (writeError)
            co_return writeError;
        if (!statusAccepted(reply) && !isRedirect(reply))
            co_return ToolErrors::httpStatus(*httpStatus(reply));
        if (reply->error() != QNetworkReply::NoError)
            co_return ToolErrors::network(reply->error(), reply->errorString());
        if (!isRedirect(reply))
            break;
        if (!leadsOn(reply))
            co_return ToolErrors::httpStatus(*httpStatus(reply));
        const std::variant<QUrl, ToolError> target = redirectTarget(reply, followed);
        if (const ToolError* error = std::get_if<ToolError>(&target))
            co_return *error;
        current = std::get<QUrl>(target);
    }

    if (!file.commit())
        co_return writeFailure(dest, file);
    m_sha256 = hash ? hash->hex() : QByteArray();
    co_return std::nullopt;
}

void FileDownloader::cancel()
{
    if (m_reply)
        m_reply->abort();
}
