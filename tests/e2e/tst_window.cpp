// The klipwell executable in a real window on an X display: it sets up from
// the local mirror of the real tools, and a second start hands it a sentence
// with two links, which the first downloads with the real yt-dlp.
#include "DemoSite.h"
#include "HistoryStore.h"
#include "InstanceChannel.h"
#include "TestMedia.h"
#include "TestSupport.h"

#include <QFileInfo>
#include <QGuiApplication>
#include <QLocalSocket>
#include <QProcess>
#include <QTest>

class TestWindow : public QObject {
    Q_OBJECT

private slots:
    void initTestCase()
    {
        if (QGuiApplication::platformName() != QLatin1String("xcb"))
            QSKIP("needs an X display (the suite runs under xvfb-run)");
        // The same data and settings folders as the klipwell executable.
        QCoreApplication::setOrganizationName(QStringLiteral("Klipwell"));
        QCoreApplication::setApplicationName(QStringLiteral("Klipwell"));
    }

    void setsUpAndDownloadsWhatASecondStartHandsOver()
    {
        DemoSite site;
        QVERIFY2(site.error().isEmpty(), qPrintable(site.error()));
        qputenv("KLIPWELL_TOOL_MIRROR", site.origin().toUtf8());
        QProcess first;
        first.setProcessChannelMode(QProcess::ForwardedChannels);
        first.start(QStringLiteral(KLIPWELL_EXECUTABLE), {});
        QVERIFY(first.waitForStarted());
        const auto ready = [] {
            QLocalSocket probe;
            probe.connectToServer(InstanceChannel::serverName());
            return probe.waitForConnected(200)
                && TestSupport::appLog().contains(QStringLiteral("Dependency verification: ready=true"));
        };
        QTRY_VERIFY_WITH_TIMEOUT(ready(), 300'000);

        const QString links = QStringLiteral("Take %1 and %2.")
                                  .arg(site.link(TestMedia::directVideo), site.link(TestMedia::secondVideo));
        QProcess second;
        second.setProcessChannelMode(QProcess::ForwardedChannels);
        second.start(QStringLiteral(KLIPWELL_EXECUTABLE), { links });
        QVERIFY(second.waitForFinished(30'000));
        QCOMPARE(second.exitStatus(), QProcess::NormalExit);
        QCOMPARE(second.exitCode(), 0);

        QTRY_COMPARE_WITH_TIMEOUT(HistoryStore().items().size(), 2, 300'000);
        for (const HistoryItem& item : HistoryStore().items()) {
            QCOMPARE(item.status, TaskStatus::completed);
            QVERIFY2(item.filePath && QFileInfo(*item.filePath).size() > 0, qPrintable(item.title));
        }
        first.terminate();
        QVERIFY(first.waitForFinished(30'000));
        QCOMPARE(first.exitCode(), 0);
    }
};

QTEST_MAIN(TestWindow)
#include "tst_window.moc"
