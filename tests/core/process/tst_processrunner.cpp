#include "CancelToken.h"
#include "ProcessRunner.h"
#include "TestSupport.h"

#include <QElapsedTimer>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

#include <qcoro/qcorotask.h>

class TestProcessRunner : public QObject {
    Q_OBJECT

private:
    QTemporaryDir m_dir;

    QString script(const QString& name, const QByteArray& body) { return TestSupport::writeScript(m_dir.filePath(name), "#!/bin/sh\n" + body + "\n"); }

private slots:
    void launchFailure_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<bool>("create");
        QTest::addColumn<QString>("message");
        QTest::newRow("missing") << QStringLiteral("yt-dlp") << false << QStringLiteral("Failed to launch yt-dlp: No such file or directory");
        QTest::newRow("not executable") << QStringLiteral("ffmpeg") << true << QStringLiteral("Failed to launch ffmpeg: Permission denied");
    }

    void launchFailure()
    {
        QFETCH(QString, name);
        QFETCH(bool, create);
        QFETCH(QString, message);
        const QString path = m_dir.filePath(QStringLiteral("bin/") + name);
        if (create) {
            QVERIFY(!TestSupport::writeScript(path, "#!/bin/sh\necho ran\n").isEmpty());
            QVERIFY(QFile::setPermissions(path, QFileDevice::ReadOwner | QFileDevice::WriteOwner));
        }
        const RunResult result = QCoro::waitFor(ProcessRunner::run(path, {}, 60));
        QCOMPARE(result.status, -1);
        QCOMPARE(result.stdOut, QString());
        QCOMPARE(result.stdErr, message);
        QVERIFY(!result.timedOut);
    }

    void collectsOutputAndStatus()
    {
        const QString path = script(QStringLiteral("print.sh"), "printf 'line 1\\nprogress\\rafter CR' \nprintf 'oops: %s' \"$1\" >&2\nexit 3");
        const RunResult result = QCoro::waitFor(ProcessRunner::run(path, { QStringLiteral("two words; $(not run)") }, 60));
        QCOMPARE(result.status, 3);
        QCOMPARE(result.stdOut, QStringLiteral("line 1\nprogress\rafter CR"));
        QCOMPARE(result.stdErr, QStringLiteral("oops: two words; $(not run)"));
        QVERIFY(!result.timedOut);
    }

    void killsAChildPastItsLimit()
    {
        const QString path = script(QStringLiteral("hang.sh"), "echo started\nexec sleep 60");
        QElapsedTimer clock;
        clock.start();
        const RunResult result = QCoro::waitFor(ProcessRunner::run(path, {}, 0.5));
        QVERIFY(result.timedOut);
        QCOMPARE(result.status, 137);
        QCOMPARE(result.stdOut, QStringLiteral("started\n"));
        QVERIFY(clock.elapsed() >= 500);
        QVERIFY2(clock.elapsed() < 30000, "the watchdog did not end the run");
    }

    void cancellingTerminatesTheChild()
    {
        CancelToken token;
        auto running = ProcessRunner::run(script(QStringLiteral("wait.sh"), "exec sleep 60"), {}, 120, &token);
        token.cancel();
        const RunResult result = QCoro::waitFor(std::move(running));
        QCOMPARE(result.status, 143);
        QVERIFY(!result.timedOut);
    }

    void runsSeveralChildrenAtOnce()
    {
        const QString path = script(QStringLiteral("echo.sh"), "sleep 0.2\necho \"$1\"");
        auto first = ProcessRunner::run(path, { QStringLiteral("one") }, 60);
        auto second = ProcessRunner::run(path, { QStringLiteral("two") }, 60);
        QCOMPARE(QCoro::waitFor(std::move(second)).stdOut, QStringLiteral("two\n"));
        QCOMPARE(QCoro::waitFor(std::move(first)).stdOut, QStringLiteral("one\n"));
    }
};

QTEST_GUILESS_MAIN(TestProcessRunner)
#include "tst_processrunner.moc"
