#pragma once

#include <QObject>

#include <functional>

class QSocketNotifier;

// Turns SIGTERM, SIGINT and SIGHUP (log-out, shutdown, Ctrl+C in a terminal)
// into a call of `quit` on the main thread, which ends the program in order,
// so running downloads are put back in the queue instead of the process
// dying mid-write.
class QuitOnSignal : public QObject {
    Q_OBJECT

public:
    explicit QuitOnSignal(std::function<void()> quit, QObject* parent = nullptr);
    ~QuitOnSignal() override;

private:
    QSocketNotifier* m_notifier = nullptr;
};
