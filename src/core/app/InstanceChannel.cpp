#include "InstanceChannel.h"

#include "AppPaths.h"
#include "HandOffMessage.h"

#include <QCryptographicHash>
#include <QDir>
#include <QLocalServer>
#include <QLocalSocket>
#include <QTimer>

#include <functional>

#include <unistd.h>

// The receiver answers one byte once it has taken the whole message.
namespace {

constexpr char receipt = '\x06';

// Reads one client's message as it arrives; anything malformed, too large or
// too slow ends the connection without delivering anything.
class MessageReader : public QObject {
public:
    MessageReader(QLocalSocket* socket, QObject* parent, std::function<void(const QStringList&)> deliver)
        : QObject(parent)
        , m_socket(socket)
        , m_deliver(std::move(deliver))
    {
        socket->setParent(this);
        connect(socket, &QLocalSocket::readyRead, this, &MessageReader::read);
        connect(socket, &QLocalSocket::disconnected, this, &QObject::deleteLater);
        m_deadline.setSingleShot(true);
        connect(&m_deadline, &QTimer::timeout, this, &MessageReader::reject);
        m_deadline.start(InstanceChannel::connectionTimeoutMs);
    }

private:
    using Step = HandOffMessage::Decoder::Step;

    void read()
    {
        while (m_socket->bytesAvailable() > 0) {
            const Step step = m_decoder.feed(m_socket->read(64 * 1024));
            if (step == Step::bad) {
                reject();
                return;
            }
            if (step == Step::done) {
                finish();
                return;
            }
        }
    }

    void finish()
    {
        m_deadline.stop();
        m_socket->write(&receipt, 1);
        m_socket->flush();
        m_socket->disconnectFromServer();
        m_deliver(m_decoder.arguments());
        deleteLater();
    }

    void reject()
    {
        m_deadline.stop();
        m_socket->abort();
        deleteLater();
    }

    QLocalSocket* m_socket;
    std::function<void(const QStringList&)> m_deliver;
    QTimer m_deadline;
    HandOffMessage::Decoder m_decoder;
};

} // namespace

InstanceChannel::InstanceChannel(QObject* parent)
    : QObject(parent)
{
}

QString InstanceChannel::serverName()
{
    const QByteArray folder = QDir(AppPaths::support()).canonicalPath().toUtf8();
    const QByteArray digest = QCryptographicHash::hash(folder, QCryptographicHash::Sha1).toHex().left(12);
    return QDir(QDir::tempPath())
        .filePath(QStringLiteral("klipwell-%1-%2.sock").arg(::getuid()).arg(QString::fromLatin1(digest)));
}

bool InstanceChannel::sendToRunningInstance(const QStringList& arguments, int timeoutMs)
{
    QLocalSocket socket;
    socket.connectToServer(serverName());
    if (!socket.waitForConnected(timeoutMs))
        return false;
    socket.write(HandOffMessage::encode(arguments));
    while (socket.bytesToWrite() > 0) {
        if (!socket.waitForBytesWritten(timeoutMs))
            return false;
    }
    if (socket.bytesAvailable() == 0 && !socket.waitForReadyRead(timeoutMs))
        return false;
    return socket.read(1) == QByteArray(1, receipt);
}

bool InstanceChannel::listen()
{
    if (m_server)
        return true;
    const QString name = serverName();
    // An answer means another instance runs; silence means any socket file
    // there was left behind by an instance that died. (Listening with access
    // options replaces an existing socket file, so the probe must come first.)
    QLocalSocket probe;
    probe.connectToServer(name);
    if (probe.waitForConnected(1000))
        return false;
    QLocalServer::removeServer(name);
    auto* server = new QLocalServer(this);
    server->setSocketOptions(QLocalServer::UserAccessOption);
    if (!server->listen(name)) {
        delete server;
        return false;
    }
    m_server = server;
    connect(m_server, &QLocalServer::newConnection, this, &InstanceChannel::acceptConnections);
    return true;
}

void InstanceChannel::acceptConnections()
{
    while (QLocalSocket* socket = m_server->nextPendingConnection()) {
        if (m_open >= maxConnections) {
            socket->abort();
            socket->deleteLater();
            continue;
        }
        ++m_open;
        auto* reader = new MessageReader(
            socket, this, [this](const QStringList& arguments) { emit argumentsReceived(arguments); });
        connect(reader, &QObject::destroyed, this, [this] { --m_open; });
    }
}
