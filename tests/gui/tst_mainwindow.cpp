// The main window as a user meets it: set-up, sidebar, drops and toasts.
#include "AppState.h"
#include "GuiFixture.h"
#include "MainWindow.h"

#include <QTest>

class TestMainWindow : public QObject {
    Q_OBJECT

private slots:
    void opensOnTheDownloadScreenOnceReady()
    {
        GuiFixture gui;
        QVERIFY(gui.state().setupDone());
        QCOMPARE(gui.state().selection(), SidebarItem::download);
    }
};

QTEST_MAIN(TestMainWindow)
#include "tst_mainwindow.moc"
