#include "ManagedProcess.h"
#include "ProcessRunner.h"
#include "TestSupport.h"

#include <QElapsedTimer>
#include <QFile>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>
#include <QThread>

#include <qcoro/qcorotask.h>

#include <csignal>

class TestManagedProcess : public QObject {
    Q_OBJECT

private:
    QTemporaryDir m_dir;

    QString script(const QByteArray& body) { return TestSupport::writeScript(m_dir.filePath(QStringLiteral("child")), "#!/bin/sh\n" + body + "\n"); }

    // The state letter in /proc/<pid>/stat, after the parenthesised name.
    static QByteArray processState(qint64 pid)
    {
        const QByteArray stat = TestSupport::readFile(QStringLiteral("/proc/%1/stat").arg(pid));
        return stat.mid(stat.lastIndexOf(')') + 2, 1);
    }

private slots:
    void exitStatus_data()
    {
        QTest::addColumn<QByteArray>("body");
        QTest::addColumn<int>("signalFromOwner");
        QTest::addColumn<bool>("startedWithSigintIgnored"); // the child must still stop on SIGINT
        QTest::addColumn<int>("status");
        QTest::newRow("success") << QByteArray("exit 0") << 0 << false << 0;
        QTest::newRow("exit code 2") << QByteArray("exit 2") << 0 << false << 2;
        QTest::newRow("own SIGKILL") << QByteArray("kill -s KILL $$") << 0 << false << 137;
        QTest::newRow("owner sends SIGINT") << QByteArray("exec sleep 60") << SIGINT << false << 130;
        QTest::newRow("owner sends SIGINT, started with it ignored") << QByteArray("exec sleep 60") << SIGINT << true << 130;
        QTest::newRow("owner sends SIGKILL") << QByteArray("exec sleep 60") << SIGKILL << false << 137;
    }

    void exitStatus()
    {
        QFETCH(QByteArray, body);
        QFETCH(int, signalFromOwner);
        QFETCH(bool, startedWithSigintIgnored);
        QFETCH(int, status);
        ManagedProcess child(script(body), {});
        QSignalSpy finished(&child, &ManagedProcess::finished);
        const auto previous = std::signal(SIGINT, startedWithSigintIgnored ? SIG_IGN : SIG_DFL);
        const std::optional<QString> error = child.start();
        std::signal(SIGINT, previous);
        QCOMPARE(error, std::nullopt);
        if (signalFromOwner != 0)
            QVERIFY(child.sendSignal(signalFromOwner));
        QCOMPARE(QCoro::waitFor(child.wait()), status);
        QCOMPARE(finished.count(), 1);
        QCOMPARE(finished.first().first().toInt(), status);
        QVERIFY(!child.isRunning());
        QVERIFY(!child.sendSignal(SIGKILL));
        QCOMPARE(QCoro::waitFor(child.wait()), status); // a second wait returns the same status at once
    }

    void deliversLinesPerStreamInOrder()
    {
        // The pauses make the reads split inside a line and inside a character.
        const QString path = TestSupport::writeScript(m_dir.filePath(QStringLiteral("lines.py")), R"(#!/usr/bin/env python3
import os, time
def out(fd, data):
    os.write(fd, data)
    time.sleep(0.05)
out(1, b"first\nsec")
out(2, b"warning: caf\xc3")
out(1, b"ond\r\n 10%\r 20%\r")
out(2, b"\xa9\n\xff\n")
out(1, b"no newline at the end")
)");
        QStringList lines[2];
        ManagedProcess child(path, {});
        child.setCollect(true);
        child.setLineHandler([&](const QString& text, StreamKind kind) { lines[kind == StreamKind::err].append(text); });
        QCOMPARE(child.start(), std::nullopt);
        QCOMPARE(QCoro::waitFor(child.wait()), 0);
        QCOMPARE(lines[0], (QStringList { "first", "second", " 10%", " 20%", "no newline at the end" }));
        QCOMPARE(lines[1], (QStringList { QString::fromUtf8("warning: café"), QStringLiteral("\uFFFD") }));
        QCOMPARE(child.stdOut(), QStringLiteral("first\nsecond\r\n 10%\r 20%\rno newline at the end"));
        QCOMPARE(child.stdErr(), QString::fromUtf8("warning: café\n\uFFFD\n"));
    }

    void childSeesOnlyTheFixedEnvironment()
    {
        qputenv("KLIPWELL_PARENT_ONLY", "secret");
        ManagedProcess child(QStringLiteral("env"), {}); // a bare name, found through the child's PATH
        child.setCollect(true);
        QCOMPARE(child.start(), std::nullopt);
        QCOMPARE(QCoro::waitFor(child.wait()), 0);
        QStringList expected;
        const QMap<QString, QString> environment = ProcessRunner::baseEnvironment();
        for (auto it = environment.cbegin(); it != environment.cend(); ++it)
            expected.append(it.key() + QLatin1Char('=') + it.value());
        QStringList seen = child.stdOut().split(QLatin1Char('\n'), Qt::SkipEmptyParts);
        seen.sort();
        QCOMPARE(seen, expected);
    }

    void grandchildHoldingThePipesDoesNotHoldTheEnd()
    {
        QStringList lines;
        ManagedProcess child(script("sleep 60 &\necho $!\necho done"), {});
        child.setLineHandler([&](const QString& line, StreamKind) { lines.append(line); });
        QElapsedTimer clock;
        clock.start();
        QCOMPARE(child.start(), std::nullopt);
        QCOMPARE(QCoro::waitFor(child.wait()), 0);
        const qint64 elapsed = clock.elapsed();
        QCOMPARE(lines.size(), 2);
        ::kill(pid_t(lines.first().toLongLong()), SIGKILL);
        QCOMPARE(lines.last(), QStringLiteral("done"));
        QVERIFY(child.stdOut().isEmpty()); // lines are handed on, not kept, unless collecting
        // The drain gives up about two seconds after the exit, long before the grandchild ends.
        QVERIFY2(elapsed < 30000, qPrintable(QString::number(elapsed)));
    }

    void parentDeathSignalStopsTheChild()
    {
        // The signal fires when the thread that started the child ends.
        ManagedProcess* child = nullptr;
        qint64 pid = 0;
        QThread* thread = QThread::create([&] {
            child = new ManagedProcess(QStringLiteral("/bin/sleep"), { QStringLiteral("60") });
            child->setParentDeathSignal(SIGINT);
            if (!child->start())
                pid = child->processId();
        });
        thread->start();
        QVERIFY(thread->wait(60000));
        delete thread;
        QVERIFY(pid > 0);
        QTRY_COMPARE_WITH_TIMEOUT(processState(pid), QByteArray("Z"), 30000); // dead but not yet reaped: nobody watches it any more
        delete child;
    }

    void launchFailure_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<bool>("create");
        QTest::addColumn<QString>("reason");
        QTest::newRow("missing") << QStringLiteral("yt-dlp") << false << QStringLiteral("No such file or directory");
        QTest::newRow("not executable") << QStringLiteral("ffmpeg") << true << QStringLiteral("Permission denied");
    }

    void launchFailure()
    {
        QFETCH(QString, name);
        QFETCH(bool, create);
        QFETCH(QString, reason);
        const QString path = m_dir.filePath(QStringLiteral("bin/") + name);
        if (create) {
            QVERIFY(!TestSupport::writeScript(path, "#!/bin/sh\necho ran\n").isEmpty());
            QVERIFY(QFile::setPermissions(path, QFileDevice::ReadOwner | QFileDevice::WriteOwner));
        }
        ManagedProcess child(path, {});
        QCOMPARE(child.start(), reason);
        QVERIFY(!child.isRunning());
        QCOMPARE(QCoro::waitFor(child.wait()), -1); // at once
        const RunResult result = QCoro::waitFor(ProcessRunner::run(path, {}, 60));
        QCOMPARE(result.status, -1);
        QCOMPARE(result.stdOut, QString());
        QCOMPARE(result.stdErr, QStringLiteral("Failed to launch %1: %2").arg(name, reason));
        QVERIFY(!result.timedOut);
    }

    void runnerKillsAChildPastItsLimit()
    {
        const QString path = script("echo started\nexec sleep 60");
        QElapsedTimer clock;
        clock.start();
        const RunResult result = QCoro::waitFor(ProcessRunner::run(path, {}, 0.5));
        QVERIFY(result.timedOut);
        QCOMPARE(result.status, 137);
        QCOMPARE(result.stdOut, QStringLiteral("started\n"));
        QVERIFY(clock.elapsed() >= 500);
        QVERIFY2(clock.elapsed() < 30000, "the watchdog did not end the run");
    }
};

QTEST_GUILESS_MAIN(TestManagedProcess)
#include "tst_managedprocess.moc"
