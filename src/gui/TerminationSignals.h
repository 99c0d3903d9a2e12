#pragma once

#include <QObject>

class QSocketNotifier;

// SIGTERM and SIGINT (a logout, kill, Ctrl+C in a terminal) arrive as a
// Qt signal on the main thread instead of ending the process on the spot.
class TerminationSignals : public QObject {
    Q_OBJECT

public:
    explicit TerminationSignals(QObject* parent = nullptr);
    ~TerminationSignals() override;

signals:
    void received(int signalNumber);

private:
    void readSignal();

    QSocketNotifier* m_notifier = nullptr;
};
