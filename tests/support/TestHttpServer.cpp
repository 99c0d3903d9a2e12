#include "TestHttpServer.h"

#include <QBuffer>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QHash>
#include <QMutex>
#include <QMutexLocker>
#include <QTcpServer>
#include <QTcpSocket>
#include <QThread>
#include <QTimer>

#include <algorithm>

namespace {

enum class RouteKind { file, data, status, redirect, noLength, stall };

struct Route {
    RouteKind kind = RouteKind::status;
    QString filePath {};
    QByteArray body {};
    QByteArray contentType {};
    int status = 404;
    QString location {};
    qint64 announcedLength = 0;
    qint64 bytesBeforeStall = 0;
};

QByteArray contentTypeFor(const QString& fileName)
{
    static const QHash<QString, QByteArray> types {
        { QStringLiteral("mp4"), "video/mp4" },
        { QStringLiteral("m4a"), "audio/mp4" },
        { QStringLiteral("m4v"), "video/mp4" },
        { QStringLiteral("webm"), "video/webm" },
        { QStringLiteral("mp3"), "audio/mpeg" },
        { QStringLiteral("m3u8"), "application/vnd.apple.mpegurl" },
        { QStringLiteral("ts"), "video/mp2t" },
        { QStringLiteral("html"), "text/html; charset=utf-8" },
        { QStringLiteral("json"), "application/json" },
        { QStringLiteral("txt"), "text/plain; charset=utf-8" },
        { QStringLiteral("vtt"), "text/vtt" },
        { QStringLiteral("zip"), "application/zip" },
        { QStringLiteral("xz"), "application/x-xz" },
    };
    return types.value(QFileInfo(fileName).suffix().toLower(), "application/octet-stream");
}

QByteArray reasonPhrase(int status)
{
    switch (status) {
    case 200:
        return "OK";
    case 206:
        return "Partial Content";
    case 301:
        return "Moved Permanently";
    case 302:
        return "Found";
    case 303:
        return "See Other";
    case 307:
        return "Temporary Redirect";
    case 308:
        return "Permanent Redirect";
    case 403:
        return "Forbidden";
    case 404:
        return "Not Found";
    case 416:
        return "Range Not Satisfiable";
    case 500:
        return "Internal Server Error";
    case 503:
        return "Service Unavailable";
    default:
        return "Status";
    }
}

// Parses a single byte range against a body of `size` bytes into [first, last].
// Returns false for a range that cannot be satisfied.
bool parseRange(const QByteArray& header, qint64 size, qint64& first, qint64& last)
{
    if (!header.startsWith("bytes=") || header.contains(','))
        return false;
    const QByteArray spec = header.mid(6).trimmed();
    const qsizetype dash = spec.indexOf('-');
    if (dash < 0)
        return false;
    const QByteArray from = spec.left(dash).trimmed();
    const QByteArray to = spec.mid(dash + 1).trimmed();
    bool ok = true;
    if (from.isEmpty()) { // suffix range: the last N bytes
        const qint64 count = to.toLongLong(&ok);
        if (!ok || count <= 0 || size == 0)
            return false;
        first = std::max<qint64>(0, size - count);
        last = size - 1;
        return true;
    }
    first = from.toLongLong(&ok);
    if (!ok || first >= size)
        return false;
    last = size - 1;
    if (!to.isEmpty()) {
        last = std::min(size - 1, to.toLongLong(&ok));
        if (!ok || last < first)
            return false;
    }
    return true;
}

} // namespace

struct HttpServerState {
    mutable QMutex mutex;
    QHash<QString, Route> routes;
    QList<QPair<QString, QString>> directories; // prefix, folder
    qint64 bytesPerSecond = 0;
    QHash<QString, int> requestCounts;
    QHash<QString, QList<QByteArray>> ranges;
    QHash<QString, qint64> sent;

    std::optional<Route> find(const QString& path) const
    {
        if (const auto it = routes.constFind(path); it != routes.constEnd())
            return *it;
        for (const auto& [prefix, folder] : directories) {
            if (!path.startsWith(prefix))
                continue;
            const QString relative = path.mid(prefix.size());
            if (relative.split(QLatin1Char('/')).contains(QStringLiteral("..")))
                continue;
            const QString candidate = QDir(folder).filePath(relative);
            if (QFileInfo(candidate).isFile()) {
                Route route;
                route.kind = RouteKind::file;
                route.filePath = candidate;
                return route;
            }
        }
        return std::nullopt;
    }
};

// One client connection: reads one request, answers it, closes.
class HttpConnection : public QObject {
public:
    HttpConnection(QTcpSocket* socket, std::shared_ptr<HttpServerState> state, QObject* parent)
        : QObject(parent)
        , m_socket(socket)
        , m_state(std::move(state))
    {
        socket->setParent(this);
        connect(socket, &QTcpSocket::readyRead, this, &HttpConnection::readRequest);
        connect(socket, &QTcpSocket::bytesWritten, this, &HttpConnection::pump);
        connect(socket, &QTcpSocket::disconnected, this, &QObject::deleteLater);
        connect(&m_throttle, &QTimer::timeout, this, &HttpConnection::onThrottleTick);
    }

private:
    static constexpr qint64 chunkSize = 64 * 1024;
    static constexpr int throttleIntervalMs = 20;

    void readRequest()
    {
        if (m_answered) {
            m_socket->readAll();
            return;
        }
        m_request += m_socket->readAll();
        const qsizetype end = m_request.indexOf("\r\n\r\n");
        if (end < 0) {
            if (m_request.size() > 64 * 1024)
                m_socket->abort();
            return;
        }
        m_answered = true;
        const QList<QByteArray> lines = m_request.left(end).split('\n');
        const QList<QByteArray> requestLine = lines.value(0).trimmed().split(' ');
        const QByteArray method = requestLine.value(0);
        QByteArray target = requestLine.value(1);
        if (const qsizetype q = target.indexOf('?'); q >= 0)
            target.truncate(q);
        QByteArray range;
        for (qsizetype i = 1; i < lines.size(); ++i) {
            const QByteArray line = lines[i].trimmed();
            const qsizetype colon = line.indexOf(':');
            if (colon > 0 && line.left(colon).trimmed().toLower() == "range")
                range = line.mid(colon + 1).trimmed();
        }
        m_path = QUrl::fromPercentEncoding(target);
        m_head = method == "HEAD";
        answer(range);
    }

    void answer(const QByteArray& range)
    {
        std::optional<Route> route;
        {
            QMutexLocker lock(&m_state->mutex);
            m_state->requestCounts[m_path] += 1;
            if (!range.isEmpty())
                m_state->ranges[m_path].append(range);
            route = m_state->find(m_path);
            m_rate = m_state->bytesPerSecond;
        }
        if (!route) {
            sendSimple(404);
            return;
        }
        switch (route->kind) {
        case RouteKind::status:
            sendSimple(route->status);
            return;
        case RouteKind::redirect: {
            sendHead(route->status, { { "Location", route->location.toUtf8() }, { "Content-Length", "0" } });
            finishBody();
            return;
        }
        case RouteKind::noLength:
            sendHead(200, { { "Content-Type", "application/octet-stream" } });
            startBody(std::make_unique<QBuffer>(), route->body, route->body.size());
            return;
        case RouteKind::stall:
            sendHead(200,
                { { "Content-Type", "application/octet-stream" },
                    { "Content-Length", QByteArray::number(route->announcedLength) } });
            m_stall = true;
            startBody(std::make_unique<QBuffer>(), QByteArray(route->bytesBeforeStall, 'x'),
                route->bytesBeforeStall);
            return;
        case RouteKind::data:
            sendRanged(
                std::make_unique<QBuffer>(), route->body, route->body.size(), route->contentType, range);
            return;
        case RouteKind::file: {
            auto file = std::make_unique<QFile>(route->filePath);
            if (!file->open(QIODevice::ReadOnly)) {
                sendSimple(403);
                return;
            }
            const qint64 size = file->size();
            sendRanged(std::move(file), {}, size, contentTypeFor(route->filePath), range);
            return;
        }
        }
    }

    void sendRanged(std::unique_ptr<QIODevice> source, const QByteArray& data, qint64 size,
        const QByteArray& contentType, const QByteArray& range)
    {
        qint64 first = 0;
        qint64 last = size - 1;
        int status = 200;
        QList<QPair<QByteArray, QByteArray>> headers { { "Content-Type", contentType },
            { "Accept-Ranges", "bytes" } };
        if (!range.isEmpty()) {
            if (!parseRange(range, size, first, last)) {
                sendHead(416,
                    { { "Content-Range", "bytes */" + QByteArray::number(size) },
                        { "Content-Length", "0" } });
                finishBody();
                return;
            }
            status = 206;
            headers.append({ "Content-Range",
                "bytes " + QByteArray::number(first) + '-' + QByteArray::number(last) + '/'
                    + QByteArray::number(size) });
        }
        const qint64 length = size == 0 ? 0 : last - first + 1;
        headers.append({ "Content-Length", QByteArray::number(length) });
        sendHead(status, headers);
        if (m_head) {
            finishBody();
            return;
        }
        startBody(std::move(source), data, length, first);
    }

    void sendSimple(int status)
    {
        const QByteArray body = QByteArray::number(status) + ' ' + reasonPhrase(status) + '\n';
        sendHead(status,
            { { "Content-Type", "text/plain" }, { "Content-Length", QByteArray::number(body.size()) } });
        if (!m_head)
            m_socket->write(body);
        finishBody();
    }

    void sendHead(int status, const QList<QPair<QByteArray, QByteArray>>& headers)
    {
        QByteArray head = "HTTP/1.1 " + QByteArray::number(status) + ' ' + reasonPhrase(status) + "\r\n";
        for (const auto& [name, value] : headers)
            head += name + ": " + value + "\r\n";
        head += "Connection: close\r\n\r\n";
        m_socket->write(head);
    }

    void startBody(
        std::unique_ptr<QIODevice> source, const QByteArray& data, qint64 length, qint64 offset = 0)
    {
        m_source = std::move(source);
        if (auto* buffer = qobject_cast<QBuffer*>(m_source.get())) {
            buffer->setData(data);
            buffer->open(QIODevice::ReadOnly);
        }
        m_source->seek(offset);
        m_remaining = length;
        if (m_rate > 0) {
            m_budget = 0;
            m_throttle.start(throttleIntervalMs);
        }
        pump();
    }

    void onThrottleTick()
    {
        m_budget
            = std::min(m_budget + std::max<qint64>(1, m_rate * throttleIntervalMs / 1000), 4 * chunkSize);
        pump();
    }

    void pump()
    {
        if (!m_source)
            return;
        while (m_remaining > 0 && m_socket->bytesToWrite() < 4 * chunkSize) {
            qint64 want = std::min(chunkSize, m_remaining);
            if (m_rate > 0)
                want = std::min(want, m_budget);
            if (want <= 0)
                return;
            const QByteArray chunk = m_source->read(want);
            if (chunk.isEmpty()) {
                m_socket->abort();
                return;
            }
            m_socket->write(chunk);
            m_remaining -= chunk.size();
            if (m_rate > 0)
                m_budget -= chunk.size();
            QMutexLocker lock(&m_state->mutex);
            m_state->sent[m_path] += chunk.size();
        }
        if (m_remaining == 0 && !m_stall) {
            m_source.reset();
            m_throttle.stop();
            finishBody();
        }
    }

    void finishBody() { m_socket->disconnectFromHost(); }

    QTcpSocket* m_socket;
    std::shared_ptr<HttpServerState> m_state;
    QByteArray m_request;
    QString m_path;
    bool m_answered = false;
    bool m_head = false;
    bool m_stall = false;
    std::unique_ptr<QIODevice> m_source;
    qint64 m_remaining = 0;
    qint64 m_rate = 0;
    qint64 m_budget = 0;
    QTimer m_throttle;
};

namespace {

void insertRoute(HttpServerState& state, const QString& path, const Route& route)
{
    QMutexLocker lock(&state.mutex);
    state.routes.insert(path, route);
}

} // namespace

class HttpServerWorker : public QObject {
public:
    explicit HttpServerWorker(std::shared_ptr<HttpServerState> state)
        : m_state(std::move(state))
    {
    }

    quint16 listen()
    {
        m_server = new QTcpServer(this);
        connect(m_server, &QTcpServer::newConnection, this, [this] {
            while (QTcpSocket* socket = m_server->nextPendingConnection())
                new HttpConnection(socket, m_state, this);
        });
        if (!m_server->listen(QHostAddress::LocalHost, 0))
            qFatal("TestHttpServer: cannot listen on 127.0.0.1: %s", qPrintable(m_server->errorString()));
        return m_server->serverPort();
    }

private:
    std::shared_ptr<HttpServerState> m_state;
    QTcpServer* m_server = nullptr;
};

TestHttpServer::TestHttpServer()
    : m_state(std::make_shared<HttpServerState>())
    , m_thread(new QThread)
    , m_worker(new HttpServerWorker(m_state))
{
    m_thread->setObjectName(QStringLiteral("TestHttpServer"));
    m_worker->moveToThread(m_thread);
    m_thread->start();
    QMetaObject::invokeMethod(
        m_worker, [this] { m_port = m_worker->listen(); }, Qt::BlockingQueuedConnection);
}

TestHttpServer::~TestHttpServer()
{
    QMetaObject::invokeMethod(
        m_worker, [this] { delete m_worker; }, Qt::BlockingQueuedConnection);
    m_thread->quit();
    m_thread->wait();
    delete m_thread;
}

quint16 TestHttpServer::port() const
{
    return m_port;
}

QString TestHttpServer::origin() const
{
    return QStringLiteral("http://127.0.0.1:%1").arg(m_port);
}

QUrl TestHttpServer::url(const QString& path) const
{
    return QUrl(origin() + path);
}

void TestHttpServer::serveFile(const QString& path, const QString& filePath)
{
    insertRoute(*m_state, path, Route { .kind = RouteKind::file, .filePath = filePath });
}

void TestHttpServer::serveDirectory(const QString& prefix, const QString& dirPath)
{
    QMutexLocker lock(&m_state->mutex);
    m_state->directories.append({ prefix, dirPath });
}

void TestHttpServer::serveData(const QString& path, const QByteArray& body, const QByteArray& contentType)
{
    insertRoute(*m_state, path, Route { .kind = RouteKind::data, .body = body, .contentType = contentType });
}

void TestHttpServer::serveStatus(const QString& path, int status)
{
    insertRoute(*m_state, path, Route { .kind = RouteKind::status, .status = status });
}

void TestHttpServer::serveRedirect(const QString& path, const QString& location, int status)
{
    insertRoute(
        *m_state, path, Route { .kind = RouteKind::redirect, .status = status, .location = location });
}

void TestHttpServer::serveWithoutLength(const QString& path, const QByteArray& body)
{
    insertRoute(*m_state, path, Route { .kind = RouteKind::noLength, .body = body });
}

void TestHttpServer::serveStall(const QString& path, qint64 announcedLength, qint64 bytesBeforeStall)
{
    insertRoute(*m_state, path,
        Route { .kind = RouteKind::stall,
            .announcedLength = announcedLength,
            .bytesBeforeStall = bytesBeforeStall });
}

void TestHttpServer::setBytesPerSecond(qint64 rate)
{
    QMutexLocker lock(&m_state->mutex);
    m_state->bytesPerSecond = rate;
}

int TestHttpServer::requestCount(const QString& path) const
{
    QMutexLocker lock(&m_state->mutex);
    return m_state->requestCounts.value(path);
}

QList<QByteArray> TestHttpServer::rangeHeaders(const QString& path) const
{
    QMutexLocker lock(&m_state->mutex);
    return m_state->ranges.value(path);
}

qint64 TestHttpServer::bytesSent(const QString& path) const
{
    QMutexLocker lock(&m_state->mutex);
    return m_state->sent.value(path);
}
