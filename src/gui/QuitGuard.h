#pragma once

#include <QObject>

#include <functional>

class DownloadManager;
class QSessionManager;
class QWidget;

// Every way out of the program: asks before quitting while downloads run,
// and puts running downloads back in the queue before the process ends.
class QuitGuard : public QObject {
    Q_OBJECT

public:
    // True when the user wants to quit anyway.
    using Ask = std::function<bool(QWidget* parent)>;
    using Exit = std::function<void()>;

    explicit QuitGuard(DownloadManager* downloads, QObject* parent = nullptr);

    // Tests answer the alert and catch the exit in place of the real ones.
    void replaceForTesting(Ask ask, Exit exit);

    // The quit check: true at once when nothing downloads, otherwise the
    // user's answer to the alert.
    bool shouldTerminate(QWidget* parent = nullptr);
    // A quit request (menu, shortcut, tray): the check, then terminate().
    void requestQuit(QWidget* parent = nullptr);
    // Quits without asking (signals, a confirmed request).
    void terminate();
    // Saves the queue with running downloads queued again; only the first
    // call does anything.
    void prepare();
    // The session manager's question before a logout.
    void commitData(QSessionManager& manager);

private:
    static bool askUser(QWidget* parent);

    DownloadManager* m_downloads;
    Ask m_ask;
    Exit m_exit;
    bool m_prepared = false;
};
