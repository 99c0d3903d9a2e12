// The hand-off channel between two real processes, and what it does with
// hostile clients.
#include "InstanceChannel.h"

#include <QCoreApplication>
#include <QLocalSocket>
#include <QProcess>
#include <QSignalSpy>
#include <QTest>
#include <QtEndian>

#include <csignal>
#include <cstdio>

namespace {

// Runs this test program as a second Klipwell-style process.
struct Peer {
    QProcess process;

    explicit Peer(const QStringList& arguments)
    {
        process.setProgram(QCoreApplication::applicationFilePath());
        process.setArguments(arguments);
        process.start();
    }

    int finish()
    {
        if (process.state() != QProcess::NotRunning) {
            QSignalSpy finished(&process, &QProcess::finished);
            finished.wait(60000);
        }
        return process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1;
    }
};

QByteArray number(quint32 value)
{
    char bytes[4];
    qToBigEndian(value, bytes);
    return QByteArray(bytes, 4);
}

} // namespace

class TestInstanceChannel : public QObject {
    Q_OBJECT

private slots:
    void handsArgumentsToTheRunningInstance()
    {
        InstanceChannel channel;
        QVERIFY(channel.listen());
        QSignalSpy received(&channel, &InstanceChannel::argumentsReceived);
        const QStringList arguments { QStringLiteral(
                                          "klipwell://open?url=https%3A%2F%2Fexample.com%2Fv%3Fa%3D1"),
            QStringLiteral("see https://example.org/x and ünïcödé"), QString() };
        Peer peer(QStringList { QStringLiteral("--send") } + arguments);
        QCOMPARE(peer.finish(), 0);
        QTRY_COMPARE(received.count(), 1);
        QCOMPARE(received.first().first().toStringList(), arguments);
    }

    void aThousandArgumentsArriveInOneMessage()
    {
        InstanceChannel channel;
        QVERIFY(channel.listen());
        QSignalSpy received(&channel, &InstanceChannel::argumentsReceived);
        QStringList links;
        for (int i = 0; i < 1000; ++i)
            links << QStringLiteral("https://example.com/watch/%1").arg(i);
        Peer peer(QStringList { QStringLiteral("--send") } + links);
        QCOMPARE(peer.finish(), 0);
        QTRY_COMPARE(received.count(), 1);
        QCOMPARE(received.first().first().toStringList(), links);
    }

    void withoutARunningInstanceSendingFails()
    {
        QVERIFY(!InstanceChannel::sendToRunningInstance({ QStringLiteral("https://example.com") }, 2000));
    }

    void onlyOneInstanceListens()
    {
        InstanceChannel first;
        QVERIFY(first.listen());
        InstanceChannel second;
        QVERIFY(!second.listen());
    }

    void socketOfAKilledInstanceIsReplaced()
    {
        Peer crashed({ QStringLiteral("--listen") });
        QVERIFY(crashed.process.waitForReadyRead(60000));
        QCOMPARE(crashed.process.readLine().trimmed(), QByteArray("listening"));
        ::kill(pid_t(crashed.process.processId()), SIGKILL);
        crashed.finish();

        InstanceChannel channel;
        QVERIFY(channel.listen());
        QSignalSpy received(&channel, &InstanceChannel::argumentsReceived);
        Peer peer({ QStringLiteral("--send"), QStringLiteral("https://example.com/after-crash") });
        QCOMPARE(peer.finish(), 0);
        QTRY_COMPARE(received.count(), 1);
    }

    void hostileClientsAreCutOff_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        const QByteArray magic("KLIPWELL-ARGS-1\n");
        QTest::newRow("binary garbage") << QByteArray("\x00\xff\xfe garbage \x01\x02", 14);
        QTest::newRow("too many arguments") << magic + number(5000);
        QTest::newRow("argument over the limit")
            << magic + number(1) + number(10 * 1024 * 1024) + QByteArray(4096, 'a');
        QTest::newRow("message over the limit") << magic + number(5) + number(1000 * 1000)
                + QByteArray(1000 * 1000, 'a') + number(1000 * 1000) + QByteArray(1000 * 1000, 'b')
                + number(1000 * 1000) + QByteArray(1000 * 1000, 'c') + number(1000 * 1000)
                + QByteArray(1000 * 1000, 'd') + number(1000 * 1000) + QByteArray(1000 * 1000, 'e');
        QTest::newRow("trailing bytes") << magic + number(1) + number(1) + "x" + "junk";
        QTest::newRow("argument that is no UTF-8") << magic + number(1) + number(2) + "\xff\xfe";
    }

    void hostileClientsAreCutOff()
    {
        QFETCH(QByteArray, bytes);
        InstanceChannel channel;
        QVERIFY(channel.listen());
        QSignalSpy received(&channel, &InstanceChannel::argumentsReceived);

        QLocalSocket hostile;
        hostile.connectToServer(InstanceChannel::serverName());
        QVERIFY(hostile.waitForConnected(5000));
        QSignalSpy closed(&hostile, &QLocalSocket::disconnected);
        hostile.write(bytes);
        QVERIFY(closed.wait(30000));
        QCOMPARE(received.count(), 0);

        // The running instance still serves well-behaved clients.
        Peer peer({ QStringLiteral("--send"), QStringLiteral("https://example.com/next") });
        QCOMPARE(peer.finish(), 0);
        QTRY_COMPARE(received.count(), 1);
    }

    void aTenMegabyteArgumentIsRefusedWhole()
    {
        InstanceChannel channel;
        QVERIFY(channel.listen());
        QSignalSpy received(&channel, &InstanceChannel::argumentsReceived);
        Peer peer({ QStringLiteral("--send-huge") });
        QCOMPARE(peer.finish(), 1);
        QCOMPARE(received.count(), 0);
    }

    void aSilentClientNeitherBlocksOthersNorStaysForever()
    {
        InstanceChannel channel;
        QVERIFY(channel.listen());
        QSignalSpy received(&channel, &InstanceChannel::argumentsReceived);
        QLocalSocket silent;
        silent.connectToServer(InstanceChannel::serverName());
        QVERIFY(silent.waitForConnected(5000));
        QSignalSpy closed(&silent, &QLocalSocket::disconnected);

        Peer peer({ QStringLiteral("--send"), QStringLiteral("https://example.com/while-silent") });
        QCOMPARE(peer.finish(), 0);
        QTRY_COMPARE(received.count(), 1);
        QVERIFY(closed.wait(InstanceChannel::connectionTimeoutMs * 3));
    }
};

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    const QStringList arguments = app.arguments();
    const QString mode = arguments.value(1);
    if (mode == QStringLiteral("--send"))
        return InstanceChannel::sendToRunningInstance(arguments.mid(2), 30000) ? 0 : 1;
    if (mode == QStringLiteral("--send-huge"))
        return InstanceChannel::sendToRunningInstance({ QString(10 * 1024 * 1024, QLatin1Char('h')) }, 30000)
            ? 0
            : 1;
    if (mode == QStringLiteral("--listen")) {
        InstanceChannel channel;
        if (!channel.listen())
            return 2;
        std::puts("listening");
        std::fflush(stdout);
        return app.exec();
    }
    TestInstanceChannel suite;
    return QTest::qExec(&suite, argc, argv);
}

#include "tst_instancechannel.moc"
