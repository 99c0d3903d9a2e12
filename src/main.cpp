#include "AppState.h"
#include "ClipboardPasteboard.h"
#include "InstanceChannel.h"
#include "KlipwellApp.h"
#include "MainWindow.h"
#include "QuitGuard.h"
#include "QuitOnSignal.h"

#include <QApplication>
#include <QIcon>

int main(int argc, char* argv[])
{
    QApplication app(argc, argv);
    QApplication::setOrganizationName(QStringLiteral("Klipwell"));
    QApplication::setApplicationName(QStringLiteral("Klipwell"));
    QApplication::setApplicationDisplayName(QStringLiteral("Klipwell"));
    QGuiApplication::setDesktopFileName(QStringLiteral("klipwell"));
    QApplication::setWindowIcon(
        QIcon::fromTheme(QStringLiteral("klipwell"), QIcon(QStringLiteral(":/klipwell.svg"))));

    // A running Klipwell takes the arguments (links, klipwell: URLs) and
    // comes to the front; this process has nothing more to do.
    const QStringList arguments = QApplication::arguments().mid(1);
    if (InstanceChannel::sendToRunningInstance(arguments))
        return 0;

    InstanceChannel channel;
    channel.listen();
    ClipboardPasteboard pasteboard;
    AppState::usePasteboard(&pasteboard);
    AppState& state = AppState::shared();
    state.listenTo(&channel);

    KlipwellApp shell(&state);
    // Whatever another start hands over (links, or nothing from a second
    // launch from the menu), the window comes back, also from the tray.
    QObject::connect(&channel, &InstanceChannel::argumentsReceived, &shell, &KlipwellApp::showMainWindow);
    // A logout or kill quits without asking, keeping running downloads queued
    // (a plain quit would close the window, which may ask).
    QuitOnSignal quitOnSignal([&shell] { shell.quitGuard()->terminate(); });
    for (const QString& argument : arguments)
        state.receiveArgument(argument);
    shell.showMainWindow();
    return QApplication::exec();
}
