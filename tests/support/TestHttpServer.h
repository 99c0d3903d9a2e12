#pragma once

#include <QByteArray>
#include <QList>
#include <QString>
#include <QUrl>

#include <memory>

class QThread;
class QTcpServer;
struct HttpServerState;

// An HTTP/1.1 server on a free port of 127.0.0.1, in a thread of its own so it
// answers while the test thread blocks. Routes match the path without the
// query; others answer 404. Every response closes its connection.
class TestHttpServer {
public:
    TestHttpServer();
    ~TestHttpServer();
    Q_DISABLE_COPY(TestHttpServer)

    quint16 port() const { return m_port; }
    QString origin() const { return QStringLiteral("http://127.0.0.1:%1").arg(m_port); }
    QUrl url(const QString& path) const { return QUrl(origin() + path); }

    // GET and HEAD; a range "bytes=a-" or "bytes=a-b" is answered 206 (416
    // when it starts past the end), for data as for files.
    void serveFile(const QString& path, const QString& filePath);
    void serveDirectory(const QString& prefix, const QString& dirPath); // every file below dirPath
    void serveData(const QString& path, const QByteArray& body,
        const QByteArray& contentType = "application/octet-stream");
    void serveStatus(const QString& path, int status);
    void serveRedirect(const QString& path, const QString& location, int status = 302);
    // No Content-Length: the end of the body is the end of the connection.
    void serveWithoutLength(const QString& path, const QByteArray& body);
    // Announces announcedLength, sends bytesBeforeStall bytes, then nothing more.
    void serveStall(const QString& path, qint64 announcedLength, qint64 bytesBeforeStall);
    // Throttles every body to this many bytes per second (0: unlimited).
    void setBytesPerSecond(qint64 rate);

    int requestCount(const QString& path) const;
    QList<QByteArray> rangeHeaders(const QString& path) const;
    qint64 bytesSent(const QString& path) const;

private:
    std::shared_ptr<HttpServerState> m_state;
    QThread* m_thread = nullptr;
    QTcpServer* m_server = nullptr;
    quint16 m_port = 0;
};
