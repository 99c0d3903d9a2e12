// The installed desktop entry as the desktop uses it: registered as the
// handler of klipwell: links, `xdg-open` hands such a link to the running
// Klipwell.
#include "AppState.h"
#include "FakePasteboard.h"
#include "InstanceChannel.h"
#include "TestHttpServer.h"

#include <QProcess>
#include <QStandardPaths>
#include <QTest>

class TestLinkHandler : public QObject {
    Q_OBJECT

    TestHttpServer m_server;

    // The desktop's environment, with the installed tree in front.
    QProcessEnvironment desktopEnvironment() const
    {
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        // xdg-open asks handlers only on a display; the programs themselves draw offscreen.
        if (!env.contains(QStringLiteral("DISPLAY")) && !env.contains(QStringLiteral("WAYLAND_DISPLAY")))
            env.insert(QStringLiteral("DISPLAY"), QStringLiteral(":0"));
        // Should the hand-off fail, the started Klipwell sets up from here, not the internet.
        env.insert(QStringLiteral("KLIPWELL_TOOL_MIRROR"), m_server.origin());
        const QString prefix = QStringLiteral(KLIPWELL_INSTALLED_PREFIX);
        env.insert(
            QStringLiteral("PATH"), prefix + QStringLiteral("/bin:") + env.value(QStringLiteral("PATH")));
        env.insert(
            QStringLiteral("XDG_DATA_DIRS"), prefix + QStringLiteral("/share:/usr/local/share:/usr/share"));
        // No desktop environment: xdg-utils' own lookup, not a session's.
        for (const char* name : { "XDG_CURRENT_DESKTOP", "DESKTOP_SESSION", "KDE_FULL_SESSION",
                 "GNOME_DESKTOP_SESSION_ID", "BROWSER" })
            env.remove(QString::fromLatin1(name));
        return env;
    }

    int run(const QString& program, const QStringList& arguments)
    {
        QProcess process;
        process.setProcessEnvironment(desktopEnvironment());
        process.setProcessChannelMode(QProcess::ForwardedChannels);
        process.start(program, arguments);
        if (!process.waitForFinished(120000))
            return -1;
        return process.exitCode();
    }

private slots:
    void xdgOpenHandsTheLinkToTheRunningKlipwell()
    {
        if (QStandardPaths::findExecutable(QStringLiteral("xdg-open")).isEmpty())
            QSKIP("xdg-utils is not installed");
        m_server.serveData(QStringLiteral("/page/"), "<html></html>", "text/html");
        FakePasteboard pasteboard;
        AppState state(&pasteboard);
        InstanceChannel channel;
        QVERIFY(channel.listen());
        state.listenTo(&channel);

        QCOMPARE(run(QStringLiteral("xdg-mime"),
                     { QStringLiteral("default"), QStringLiteral("klipwell.desktop"),
                         QStringLiteral("x-scheme-handler/klipwell") }),
            0);
        const QString page = m_server.origin() + QStringLiteral("/page/");
        const QString link
            = QStringLiteral("klipwell://download?url=") + QString::fromLatin1(QUrl::toPercentEncoding(page));
        QProcess open;
        open.setProcessEnvironment(desktopEnvironment());
        open.setProcessChannelMode(QProcess::ForwardedChannels);
        open.start(QStringLiteral("xdg-open"), { link });
        // The running instance answers while the second one waits for it.
        QTRY_VERIFY_WITH_TIMEOUT(state.urlText() == page || open.state() == QProcess::NotRunning, 60000);
        QCOMPARE(state.urlText(), page);
        if (!open.waitForFinished(30000))
            open.kill();
        QCOMPARE(open.exitCode(), 0);
    }
};

QTEST_MAIN(TestLinkHandler)
#include "tst_linkhandler.moc"
