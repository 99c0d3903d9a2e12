#include "QuitGuard.h"

#include "DownloadManager.h"

#include <QCoreApplication>
#include <QMessageBox>
#include <QPushButton>
#include <QSessionManager>

QuitGuard::QuitGuard(DownloadManager* downloads, QObject* parent)
    : QObject(parent)
    , m_downloads(downloads)
    , m_ask(&QuitGuard::askUser)
    // exit, not quit: quit would close the windows first, and closing the
    // main window may itself ask to quit.
    , m_exit([] { QCoreApplication::exit(0); })
{
}

void QuitGuard::replaceForTesting(Ask ask, Exit exit)
{
    m_ask = std::move(ask);
    m_exit = std::move(exit);
}

bool QuitGuard::shouldTerminate(QWidget* parent)
{
    if (m_downloads->activeCount() < 1)
        return true;
    return m_ask(parent);
}

void QuitGuard::requestQuit(QWidget* parent)
{
    if (shouldTerminate(parent))
        terminate();
}

void QuitGuard::terminate()
{
    prepare();
    m_exit();
}

void QuitGuard::prepare()
{
    if (m_prepared)
        return;
    m_prepared = true;
    m_downloads->prepareForTermination();
}

void QuitGuard::commitData(QSessionManager& manager)
{
    if (m_downloads->activeCount() < 1)
        return;
    if (!manager.allowsInteraction()) {
        prepare(); // no time to ask: keep what is running for the next start
        return;
    }
    const bool quit = m_ask(nullptr);
    manager.release();
    if (quit)
        prepare();
    else
        manager.cancel();
}

bool QuitGuard::askUser(QWidget* parent)
{
    QMessageBox alert(parent);
    alert.setIcon(QMessageBox::Warning);
    alert.setWindowTitle(QStringLiteral("Klipwell"));
    alert.setText(tr("Downloads are in progress"));
    alert.setInformativeText(
        tr("Quit anyway? Unfinished downloads will resume the next time you open Klipwell."));
    QPushButton* quit = alert.addButton(tr("Quit"), QMessageBox::AcceptRole);
    alert.addButton(tr("Cancel"), QMessageBox::RejectRole);
    alert.setDefaultButton(quit);
    alert.exec();
    return alert.clickedButton() == quit;
}
