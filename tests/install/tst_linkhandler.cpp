// The installed desktop entry as the desktop uses it: registered for klipwell:
// links, `xdg-open` hands such a link to the running Klipwell.
#include "AppState.h"
#include "FakePasteboard.h"
#include "InstanceChannel.h"
#include "TestHttpServer.h"

#include <QProcess>
#include <QTest>

class TestLinkHandler : public QObject {
    Q_OBJECT

    TestHttpServer m_server;

    // Starts a program in the desktop's environment, with the installed tree in front.
    void start(QProcess& process, const QString& program, const QStringList& arguments) const
    {
        const QString prefix = QStringLiteral(KLIPWELL_INSTALLED_PREFIX);
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        // xdg-open asks handlers only on a display; the programs themselves draw offscreen.
        if (!env.contains("DISPLAY") && !env.contains("WAYLAND_DISPLAY"))
            env.insert("DISPLAY", ":0");
        // Should the hand-off fail, the started Klipwell sets up from here, not the internet.
        env.insert("KLIPWELL_TOOL_MIRROR", m_server.origin());
        env.insert("PATH", prefix + "/bin:" + env.value("PATH"));
        env.insert("XDG_DATA_DIRS", prefix + "/share:/usr/local/share:/usr/share");
        // No desktop environment: xdg-utils' own lookup, not a session's.
        for (const char* name : { "XDG_CURRENT_DESKTOP", "DESKTOP_SESSION", "KDE_FULL_SESSION",
                 "GNOME_DESKTOP_SESSION_ID", "BROWSER" })
            env.remove(name);
        process.setProcessEnvironment(env);
        process.setProcessChannelMode(QProcess::ForwardedChannels);
        process.start(program, arguments);
    }

private slots:
    void xdgOpenHandsTheLinkToTheRunningKlipwell()
    {
        m_server.serveData(QStringLiteral("/page/"), "<html></html>", "text/html");
        FakePasteboard pasteboard;
        AppState state(&pasteboard);
        InstanceChannel channel;
        QVERIFY(channel.listen());
        state.listenTo(&channel);

        QProcess mime;
        start(mime, "xdg-mime", { "default", "klipwell.desktop", "x-scheme-handler/klipwell" });
        QVERIFY(mime.waitForFinished(120'000));
        QCOMPARE(mime.exitCode(), 0);
        const QString page = m_server.origin() + QStringLiteral("/page/");
        QProcess open;
        start(open, "xdg-open",
            { "klipwell://download?url=" + QString::fromLatin1(QUrl::toPercentEncoding(page)) });
        // The running instance answers while the second one waits for it.
        QTRY_VERIFY_WITH_TIMEOUT(state.urlText() == page || open.state() == QProcess::NotRunning, 60'000);
        QCOMPARE(state.urlText(), page);
        QTRY_COMPARE_WITH_TIMEOUT(open.state(), QProcess::NotRunning, 30'000);
        QCOMPARE(open.exitCode(), 0);
    }
};

QTEST_MAIN(TestLinkHandler)
#include "tst_linkhandler.moc"
