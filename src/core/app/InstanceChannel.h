#pragma once

#include <QObject>
#include <QStringList>

class QLocalServer;

// The hand-off channel between Klipwell instances of one user: the first
// instance listens; `klipwell ARG…` started while it runs hands its arguments
// over and exits. Everything arriving here comes from other programs, so
// every connection is bounded in size, count and time.
class InstanceChannel : public QObject {
    Q_OBJECT

public:
    static constexpr int maxConnections = 16;
    static constexpr int connectionTimeoutMs = 10000;

    explicit InstanceChannel(QObject* parent = nullptr);

    // Socket path of this user's channel (one per application-data folder).
    static QString serverName();
    // Hands the arguments to a running instance and waits for its receipt.
    // False when no instance runs or it did not confirm in time.
    static bool sendToRunningInstance(const QStringList& arguments, int timeoutMs = 5000);

    // Starts listening; a socket left behind by a crashed instance is
    // replaced. False when another instance already listens.
    bool listen();

signals:
    // One client's message, complete and in its order.
    void argumentsReceived(const QStringList& arguments);

private:
    void acceptConnections();

    QLocalServer* m_server = nullptr;
    int m_open = 0;
};
