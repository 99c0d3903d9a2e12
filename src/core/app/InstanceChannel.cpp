#include "InstanceChannel.h"

#include "AppPaths.h"

#include <QCryptographicHash>
#include <QDir>
#include <QLocalServer>
#include <QLocalSocket>
#include <QTimer>
#include <QtEndian>

#include <functional>

#include <unistd.h>

// A message is the magic line, a 32-bit big-endian argument count, then each
// argument as a 32-bit big-endian byte length and its UTF-8 bytes. The
// receiver answers one byte once it has taken the whole message.
namespace {

const QByteArray magic = QByteArrayLiteral("KLIPWELL-ARGS-1\n");
constexpr char receipt = '\x06';

void appendNumber(QByteArray& out, quint32 value)
{
    char bytes[4];
    qToBigEndian(value, bytes);
    out.append(bytes, 4);
}

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
    enum class Step { more, done, bad };

    void read()
    {
        while (m_socket->bytesAvailable() > 0) {
            m_buffer += m_socket->read(64 * 1024);
            const Step step = advance();
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

    Step advance()
    {
        if (!m_magicSeen) {
            if (m_buffer.size() < magic.size())
                return magic.startsWith(m_buffer) ? Step::more : Step::bad;
            if (!m_buffer.startsWith(magic))
                return Step::bad;
            m_buffer.remove(0, magic.size());
            m_magicSeen = true;
        }
        if (m_expected < 0) {
            if (m_buffer.size() < 4)
                return Step::more;
            const quint32 count = qFromBigEndian<quint32>(m_buffer.constData());
            if (count > quint32(InstanceChannel::maxArguments))
                return Step::bad;
            m_expected = int(count);
            m_buffer.remove(0, 4);
        }
        while (m_arguments.size() < m_expected) {
            if (m_buffer.size() < 4)
                return Step::more;
            const quint32 length = qFromBigEndian<quint32>(m_buffer.constData());
            if (length > quint32(InstanceChannel::maxArgumentBytes)
                || m_total + length > quint64(InstanceChannel::maxMessageBytes))
                return Step::bad;
            if (m_buffer.size() < 4 + qsizetype(length))
                return Step::more;
            m_total += length;
            m_arguments.append(QString::fromUtf8(m_buffer.constData() + 4, length));
            m_buffer.remove(0, 4 + length);
        }
        return m_buffer.isEmpty() ? Step::done : Step::bad;
    }

    void finish()
    {
        m_deadline.stop();
        m_socket->write(&receipt, 1);
        m_socket->flush();
        m_socket->disconnectFromServer();
        m_deliver(m_arguments);
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
    QByteArray m_buffer;
    QStringList m_arguments;
    int m_expected = -1;
    quint64 m_total = 0;
    bool m_magicSeen = false;
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
    QByteArray message = magic;
    appendNumber(message, quint32(arguments.size()));
    for (const QString& argument : arguments) {
        const QByteArray bytes = argument.toUtf8();
        appendNumber(message, quint32(bytes.size()));
        message += bytes;
    }
    socket.write(message);
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
