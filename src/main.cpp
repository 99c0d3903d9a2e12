#include "AppState.h"
#include "ClipboardPasteboard.h"
#include "DownloadManager.h"
#include "InstanceChannel.h"
#include "MainWindow.h"
#include "QuitOnSignal.h"

#include <QApplication>
#include <QPointer>

int main(int argc, char* argv[])
{
    QApplication app(argc, argv);
    QApplication::setOrganizationName(QStringLiteral("Klipwell"));
    QApplication::setApplicationName(QStringLiteral("Klipwell"));
    QApplication::setApplicationDisplayName(QStringLiteral("Klipwell"));
    QGuiApplication::setDesktopFileName(QStringLiteral("klipwell"));

    // A running Klipwell takes the arguments (links, klipwell: URLs) and
    // comes to the front; this process has nothing more to do.
    const QStringList arguments = QApplication::arguments().mid(1);
    if (InstanceChannel::sendToRunningInstance(arguments))
        return 0;

    QuitOnSignal quitOnSignal;
    InstanceChannel channel;
    channel.listen();
    ClipboardPasteboard pasteboard;
    AppState::usePasteboard(&pasteboard);
    AppState& state = AppState::shared();
    state.listenTo(&channel);

    QPointer<MainWindow> window = new MainWindow(&state);
    window->setAttribute(Qt::WA_DeleteOnClose);
    QObject::connect(&state, &AppState::activationRequested, &app, [&] {
        if (!window)
            return;
        window->show();
        window->setWindowState(window->windowState() & ~Qt::WindowMinimized);
        window->raise();
        window->activateWindow();
    });
    // However the program ends, running downloads go back to the queue.
    QObject::connect(&app, &QCoreApplication::aboutToQuit, &state,
        [&state] { state.downloads()->prepareForTermination(); });
    for (const QString& argument : arguments)
        state.receiveArgument(argument);
    window->show();
    return QApplication::exec();
}
