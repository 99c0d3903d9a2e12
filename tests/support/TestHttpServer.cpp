#include "TestHttpServer.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QHash>
#include <QMutex>
#include <QRegularExpression>
#include <QTcpServer>
#include <QTcpSocket>
#include <QThread>
#include <QTimer>

#include <algorithm>

namespace {

// What a path answers. A file is read at each request; anything else sends body.
struct Route {
    int status = 200;
    QByteArray body {};
    QString file {};
    QByteArray contentType = "application/octet-stream";
    QByteArray location {};
    bool ranges = false; // Range requests answered 206 or 416
    bool length = true; // false: the end of the body is the end of the connection
    qint64 stallAfter = -1; // >= 0: sends this much of the body, then holds the connection
};

// yt-dlp's generic extractor tells direct media, playlists and pages apart by their type.
Route fileRoute(const QString& file)
{
    static const QHash<QString, QByteArray> types { { "mp4", "video/mp4" }, { "m4a", "audio/mp4" },
        { "m3u8", "application/vnd.apple.mpegurl" }, { "ts", "video/mp2t" },
        { "html", "text/html; charset=utf-8" }, { "json", "application/json" } };
    return { .file = file,
        .contentType = types.value(QFileInfo(file).suffix().toLower(), "application/octet-stream"),
        .ranges = true };
}

// yt-dlp quotes the reason in its errors ("HTTP Error 404: Not Found").
QByteArray reason(int status)
{
    static const QHash<int, QByteArray> reasons { { 200, "OK" }, { 206, "Partial Content" },
        { 301, "Moved Permanently" }, { 302, "Found" }, { 307, "Temporary Redirect" }, { 403, "Forbidden" },
        { 404, "Not Found" }, { 416, "Range Not Satisfiable" }, { 500, "Internal Server Error" },
        { 503, "Service Unavailable" } };
    return reasons.value(status, "Status");
}

Route statusRoute(int status)
{
    return { .status = status,
        .body = QByteArray::number(status) + ' ' + reason(status) + '\n',
        .contentType = "text/plain" };
}

} // namespace

struct HttpServerState {
    mutable QMutex mutex;
    QHash<QString, Route> routes;
    QList<QPair<QString, QString>> directories; // URL prefix, folder
    qint64 bytesPerSecond = 0;
    QHash<QString, int> requests;
    QHash<QString, QList<QByteArray>> ranges;
    QHash<QString, qint64> sent;

    Route find(const QString& path) const
    {
        if (const auto it = routes.constFind(path); it != routes.constEnd())
            return *it;
        for (const auto& [prefix, folder] : directories) {
            const QString relative = path.mid(prefix.size());
            const QString file = QDir(folder).filePath(relative);
            if (path.startsWith(prefix) && !relative.split(u'/').contains(u"..") && QFileInfo(file).isFile())
                return fileRoute(file);
        }
        return statusRoute(404);
    }

    void set(const QString& path, const Route& route)
    {
        QMutexLocker lock(&mutex);
        routes.insert(path, route);
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
        connect(socket, &QTcpSocket::readyRead, this, &HttpConnection::read);
        connect(socket, &QTcpSocket::bytesWritten, this, &HttpConnection::pump);
        connect(socket, &QTcpSocket::disconnected, this, &QObject::deleteLater);
        connect(&m_tick, &QTimer::timeout, this, [this] {
            m_budget = std::min(m_budget + std::max<qint64>(1, m_rate * tickMs / 1000), 4 * chunk);
            pump();
        });
    }

private:
    static constexpr qint64 chunk = 64 * 1024;
    static constexpr int tickMs = 20;

    void read()
    {
        m_request += m_socket->readAll();
        const qsizetype end = m_request.indexOf("\r\n\r\n");
        if (m_answered || end < 0)
            return;
        m_answered = true;
        const QList<QByteArray> lines = m_request.left(end).split('\n');
        const QList<QByteArray> requestLine = lines.value(0).trimmed().split(' ');
        m_path = QUrl::fromPercentEncoding(requestLine.value(1).split('?').value(0));
        QByteArray range;
        for (const QByteArray& line : lines.mid(1))
            range = line.toLower().startsWith("range:") ? line.mid(6).trimmed() : range;
        Route route;
        {
            QMutexLocker lock(&m_state->mutex);
            m_state->requests[m_path] += 1;
            if (!range.isEmpty())
                m_state->ranges[m_path].append(range);
            route = m_state->find(m_path);
            m_rate = m_state->bytesPerSecond;
        }
        QFile file(route.file);
        if (!route.file.isEmpty() && file.open(QIODevice::ReadOnly))
            route.body = file.readAll();
        else if (!route.file.isEmpty())
            route = statusRoute(403);

        const qint64 size = route.body.size();
        qint64 last = size - 1;
        QByteArray headers = "Content-Type: " + route.contentType + "\r\n";
        if (!route.location.isEmpty())
            headers += "Location: " + route.location + "\r\n";
        if (route.ranges)
            headers += "Accept-Ranges: bytes\r\n";
        if (route.ranges && !range.isEmpty()) {
            static const QRegularExpression spec(QStringLiteral("^bytes=(\\d+)-(\\d*)$"));
            const QRegularExpressionMatch match = spec.match(QString::fromLatin1(range));
            m_offset = match.captured(1).toLongLong();
            if (!match.captured(2).isEmpty())
                last = std::min(last, match.captured(2).toLongLong());
            const bool satisfiable = match.hasMatch() && m_offset <= last;
            route.status = satisfiable ? 206 : 416;
            const QByteArray span = satisfiable
                ? QByteArray::number(m_offset) + '-' + QByteArray::number(last)
                : QByteArray("*");
            headers += "Content-Range: bytes " + span + '/' + QByteArray::number(size) + "\r\n";
            if (!satisfiable)
                last = m_offset - 1;
        }
        m_end = std::max(m_offset, last + 1);
        if (route.length)
            headers += "Content-Length: " + QByteArray::number(m_end - m_offset) + "\r\n";
        m_hold = route.stallAfter >= 0;
        if (m_hold)
            m_end = route.stallAfter;
        if (requestLine.value(0) == "HEAD")
            m_end = m_offset;
        m_body = route.body;
        m_socket->write("HTTP/1.1 " + QByteArray::number(route.status) + ' ' + reason(route.status) + "\r\n"
            + headers + "Connection: close\r\n\r\n");
        if (m_rate > 0)
            m_tick.start(tickMs);
        pump();
    }

    // Also after the end, as the socket drains: closing twice is harmless.
    void pump()
    {
        while (m_offset < m_end && m_socket->bytesToWrite() < 4 * chunk) {
            const qint64 want = std::min({ chunk, m_end - m_offset, m_rate > 0 ? m_budget : chunk });
            if (want <= 0)
                return;
            m_socket->write(m_body.constData() + m_offset, want);
            m_offset += want;
            m_budget -= want;
            QMutexLocker lock(&m_state->mutex);
            m_state->sent[m_path] += want;
        }
        if (m_offset == m_end && !m_hold) {
            m_tick.stop();
            m_socket->disconnectFromHost();
        }
    }

    QTcpSocket* m_socket;
    std::shared_ptr<HttpServerState> m_state;
    QByteArray m_request;
    QString m_path;
    QByteArray m_body;
    bool m_answered = false;
    bool m_hold = false;
    qint64 m_offset = 0;
    qint64 m_end = 0;
    qint64 m_rate = 0;
    qint64 m_budget = 0;
    QTimer m_tick;
};

TestHttpServer::TestHttpServer()
    : m_state(std::make_shared<HttpServerState>())
    , m_thread(new QThread)
    , m_server(new QTcpServer)
{
    m_thread->setObjectName(QStringLiteral("TestHttpServer"));
    m_server->moveToThread(m_thread);
    m_thread->start();
    QMetaObject::invokeMethod(
        m_server,
        [this] {
            QObject::connect(m_server, &QTcpServer::newConnection, m_server, [this] {
                while (QTcpSocket* socket = m_server->nextPendingConnection())
                    new HttpConnection(socket, m_state, m_server);
            });
            if (!m_server->listen(QHostAddress::LocalHost, 0))
                qFatal("TestHttpServer: cannot listen on 127.0.0.1: %s", qPrintable(m_server->errorString()));
            m_port = m_server->serverPort();
        },
        Qt::BlockingQueuedConnection);
}

TestHttpServer::~TestHttpServer()
{
    QMetaObject::invokeMethod(
        m_server, [this] { delete m_server; }, Qt::BlockingQueuedConnection);
    m_thread->quit();
    m_thread->wait();
    delete m_thread;
}

void TestHttpServer::serveFile(const QString& path, const QString& filePath)
{
    m_state->set(path, fileRoute(filePath));
}

void TestHttpServer::serveDirectory(const QString& prefix, const QString& dirPath)
{
    QMutexLocker lock(&m_state->mutex);
    m_state->directories.append({ prefix, dirPath });
}

void TestHttpServer::serveData(const QString& path, const QByteArray& body, const QByteArray& contentType)
{
    m_state->set(path, { .body = body, .contentType = contentType, .ranges = true });
}

void TestHttpServer::serveStatus(const QString& path, int status)
{
    m_state->set(path, statusRoute(status));
}

void TestHttpServer::serveRedirect(const QString& path, const QString& location, int status)
{
    m_state->set(path, { .status = status, .location = location.toUtf8() });
}

void TestHttpServer::serveWithoutLength(const QString& path, const QByteArray& body)
{
    m_state->set(path, { .body = body, .length = false });
}

void TestHttpServer::serveStall(const QString& path, qint64 announcedLength, qint64 bytesBeforeStall)
{
    m_state->set(path, { .body = QByteArray(announcedLength, 'x'), .stallAfter = bytesBeforeStall });
}

void TestHttpServer::setBytesPerSecond(qint64 rate)
{
    QMutexLocker lock(&m_state->mutex);
    m_state->bytesPerSecond = rate;
}

int TestHttpServer::requestCount(const QString& path) const
{
    QMutexLocker lock(&m_state->mutex);
    return m_state->requests.value(path);
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
