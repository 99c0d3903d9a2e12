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

// Runs this test program as a second instance ("--send ARG…" or "--listen").
struct Peer {
    QProcess process;

    explicit Peer(const QStringList& arguments) { process.start(QCoreApplication::applicationFilePath(), arguments); }

    int finish()
    {
        if (process.state() != QProcess::NotRunning)
            QSignalSpy(&process, &QProcess::finished).wait(60000);
        return process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1;
    }
};

static QByteArray number(quint32 value)
{
    char bytes[4];
    qToBigEndian(value, bytes);
    return QByteArray(bytes, 4);
}

class TestInstanceChannel : public QObject {
    Q_OBJECT

private slots:
    // The running instance gets exactly what a well-behaved peer sends, also over the
    // socket a killed instance left, while any other client is cut off without delivering anything.
    void handsArgumentsToTheRunningInstance_data()
    {
        QTest::addColumn<bool>("afterAKill"); // of the instance that listened before
        QTest::addColumn<QByteArray>("hostile"); // what another client sends meanwhile; null: none
        QTest::addColumn<QStringList>("arguments");
        const QStringList next { "https://example.com/next" };
        QStringList thousand;
        for (int i = 0; i < 1000; ++i)
            thousand << QString("https://example.com/watch/%1").arg(i);
        const QByteArray magic("KLIPWELL-ARGS-1\n");
        QByteArray huge = magic + number(5);
        for (const char c : QByteArray("abcde"))
            huge += number(1000 * 1000) + QByteArray(1000 * 1000, c);
        QTest::newRow("after a killed instance") << true << QByteArray() << next;
        QTest::newRow("scheme link, text and an empty one") << false << QByteArray() << QStringList { "klipwell://open?url=https%3A%2F%2Fexample.com%2Fv%3Fa%3D1", "see https://example.org/x and ünïcödé", "" };
        QTest::newRow("a thousand in one message") << false << QByteArray() << thousand;
        QTest::newRow("binary garbage") << false << QByteArray("\x00\xff\xfe garbage \x01\x02", 14) << next;
        QTest::newRow("too many arguments") << false << magic + number(5000) << next;
        QTest::newRow("complete, one argument over the count limit") << false << magic + number(1025) + number(0).repeated(1025) << next;
        QTest::newRow("argument over the limit") << false << magic + number(1) + number(10 * 1024 * 1024) + QByteArray(4096, 'a') << next;
        QTest::newRow("message over the limit") << false << huge << next;
        QTest::newRow("trailing bytes") << false << magic + number(1) + number(1) + "x" + "junk" << next;
        QTest::newRow("argument that is no UTF-8") << false << magic + number(1) + number(2) + "\xff\xfe" << next;
        QTest::newRow("silent until the deadline") << false << QByteArray("") << next;
    }
    void handsArgumentsToTheRunningInstance()
    {
        QFETCH(bool, afterAKill);
        QFETCH(QByteArray, hostile);
        QFETCH(QStringList, arguments);
        if (afterAKill) {
            Peer crashed({ "--listen" });
            QVERIFY(crashed.process.waitForReadyRead(60000)); // it says it listens
            ::kill(pid_t(crashed.process.processId()), SIGKILL);
            crashed.finish();
            QVERIFY(!InstanceChannel::sendToRunningInstance({ "https://example.com/lost" }, 2000)); // nobody listens
        }
        InstanceChannel channel;
        QVERIFY(channel.listen());
        QVERIFY(!InstanceChannel().listen()); // only one instance listens
        QSignalSpy received(&channel, &InstanceChannel::argumentsReceived);
        QLocalSocket client;
        QSignalSpy closed(&client, &QLocalSocket::disconnected);
        if (!hostile.isNull()) {
            client.connectToServer(InstanceChannel::serverName());
            QVERIFY(client.waitForConnected(5000));
            client.write(hostile);
        }
        QCOMPARE(Peer(QStringList { "--send" } + arguments).finish(), 0);
        QVERIFY(hostile.isNull() || closed.count() == 1 || closed.wait(InstanceChannel::connectionTimeoutMs * 3));
        QTRY_COMPARE(received.count(), 1);
        QCOMPARE(received.first().first().toStringList(), arguments);
    }

};

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    const QStringList arguments = app.arguments();
    const QString mode = arguments.value(1);
    if (mode == "--send")
        return InstanceChannel::sendToRunningInstance(arguments.mid(2), 30000) ? 0 : 1;
    if (mode == "--listen") {
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
