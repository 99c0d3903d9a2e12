#pragma once

#include "StreamKind.h"

#include <QByteArray>
#include <QObject>
#include <QProcess>
#include <QStringList>
#include <QTimer>

#include <qcoro/qcorotask.h>

#include <coroutine>
#include <functional>
#include <memory>
#include <optional>

class LineBuffer;
class QSocketNotifier;

// One child process started with an argument vector (never a shell), the
// fixed environment of ProcessRunner::baseEnvironment() and nothing of this
// program's own, standard input from the null device, and both output
// streams read incrementally as they arrive.
//
// Usage: construct, set the options, start(), then co_await wait() once.
//
//   auto* child = new ManagedProcess(path, arguments, this);
//   child->setCollect(false);                  // downloads: memory stays flat
//   child->setLineHandler([](const QString& line, StreamKind kind) { ... });
//   child->setParentDeathSignal(SIGINT);       // stop with us if we crash
//   if (auto error = child->start()) { ...; return; }  // never wait() then
//   auto waiting = child->wait();
//   const int status = co_await std::move(waiting);
//
// Threading: the object, its line handler and its signals all live on the
// thread that created it, which must run an event loop. Create downloads on
// the main thread: the parent-death signal fires when the thread that forked
// the child ends.
//
// Lines: each stream is split by a LineBuffer; the handler gets the lines of
// one stream in order (there is no order between the two streams). After the
// child exits, its streams are drained until end of file but for at most two
// seconds, so a grandchild that keeps the pipes open cannot hold the end back;
// output after that, and a partial line left at that moment, are dropped.
//
// Status: the exit code, or 128 + the signal number for a child ended by a
// signal (SIGINT 130, SIGKILL 137, SIGTERM 143); -1 until the end.
//
// Do not delete the object from inside the line handler or a slot of
// finished(); use deleteLater(). Deleting it while the child runs kills the
// child with SIGKILL and resumes a pending wait().
class ManagedProcess : public QObject {
    Q_OBJECT

public:
    using LineHandler = std::function<void(const QString& line, StreamKind kind)>;

    ManagedProcess(const QString& executable, const QStringList& arguments, QObject* parent = nullptr);
    ~ManagedProcess() override;

    // Called once per complete line. Set before start().
    void setLineHandler(LineHandler handler);
    // When on, the raw bytes of both streams are kept for stdOut()/stdErr(). Off by default.
    void setCollect(bool collect);
    // Signal the kernel sends the child when this thread ends without stopping
    // it first (crash, SIGKILL); 0, the default, sends none. Set before start().
    void setParentDeathSignal(int signal);

    // Launches the child. Returns nothing on success, or the reason the launch
    // failed as a short sentence ("No such file or directory"). A bare program
    // name is looked up in the child's PATH, not in this program's.
    std::optional<QString> start();

    // The exit status once the child has ended and its output has been
    // drained; returns at once when that has already happened. No time limit.
    // One pending wait at a time.
    QCoro::Task<int> wait();

    bool isFinished() const { return m_finished; }
    int status() const { return m_status; }
    // True while the child runs (started and not yet exited).
    bool isRunning() const;
    // The child's process identifier; 0 when it is not running.
    qint64 processId() const;
    // Sends a signal (SIGINT, SIGTERM, SIGKILL, ...) to a running child; false when it is not running.
    bool sendSignal(int signal);

    // Collected output decoded as UTF-8, invalid bytes as U+FFFD; empty unless collecting.
    QString stdOut() const;
    QString stdErr() const;

signals:
    // Emitted once, when wait() would return.
    void finished(int status);

private:
    struct Stream;
    struct Waiter {
        std::coroutine_handle<> handle;
        int* result = nullptr;
    };
    class WaitAwaiter;

    std::optional<QString> launch();
    void attach(Stream& stream, int fd);
    void readAvailable(Stream& stream);
    void deliver(Stream& stream, QByteArrayView bytes);
    void closeStream(Stream& stream, bool flush);
    void onExited(int exitCode, QProcess::ExitStatus exitStatus);
    void finishWhenDrained();
    void finish();
    void resumeWaiter();

    QString m_executable;
    QStringList m_arguments;
    QProcess m_process;
    LineHandler m_onLine;
    bool m_collect = false;
    int m_deathSignal = 0;
    std::unique_ptr<Stream> m_out;
    std::unique_ptr<Stream> m_err;
    QTimer m_drainLimit;
    bool m_exited = false;
    bool m_finished = false;
    int m_status = -1;
    std::optional<Waiter> m_waiter;
};
