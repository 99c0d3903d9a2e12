#include "ManagedProcess.h"

#include "LineBuffer.h"
#include "ProcessRunner.h"

#include <QFile>
#include <QFileInfo>
#include <QProcessEnvironment>
#include <QSocketNotifier>
#include <QStandardPaths>

#include <cerrno>
#include <csignal>
#include <fcntl.h>
#include <sys/prctl.h>
#include <unistd.h>

struct ManagedProcess::Stream {
    explicit Stream(StreamKind kind)
        : kind(kind)
    {
    }

    StreamKind kind;
    int fd = -1;
    QSocketNotifier* notifier = nullptr;
    LineBuffer lines;
    QByteArray collected;
};

class ManagedProcess::WaitAwaiter {
public:
    explicit WaitAwaiter(ManagedProcess* process)
        : m_process(process)
    {
    }

    bool await_ready()
    {
        m_result = m_process->m_status;
        return m_process->m_finished;
    }
    void await_suspend(std::coroutine_handle<> handle)
    {
        Q_ASSERT_X(!m_process->m_waiter, "ManagedProcess::wait", "only one pending wait is allowed");
        m_process->m_waiter = Waiter { handle, &m_result };
    }
    // Reads only its own copy: the process may be gone when the waiter resumes.
    int await_resume() const { return m_result; }

private:
    ManagedProcess* m_process;
    int m_result = -1;
};

namespace {

constexpr int drainLimitMs = 2000;
constexpr qsizetype readChunk = 64 * 1024;
// Bounds one readiness event so a child that writes without pause cannot starve the event loop.
constexpr int readsPerEvent = 16;

// A bare name is looked up in the child's own PATH; QProcess would use ours.
QString resolveProgram(const QString& executable, const QString& childPath)
{
    if (executable.contains(QLatin1Char('/')))
        return QFileInfo(executable).absoluteFilePath();
    return QStandardPaths::findExecutable(executable, childPath.split(QLatin1Char(':'), Qt::SkipEmptyParts));
}

// QProcess prefixes the failing call ("execvp: Permission denied").
QString launchErrorText(const QString& processError)
{
    const qsizetype colon = processError.indexOf(QLatin1String(": "));
    if (colon > 0 && processError.startsWith(QLatin1String("exec")))
        return processError.mid(colon + 2);
    return processError;
}

// What the child does between fork and exec: async-signal-safe calls only.
std::function<void()> childSetup(int outWrite, int errWrite, int deathSignal)
{
    const pid_t parent = ::getpid();
    return [=] {
        ::dup2(outWrite, STDOUT_FILENO);
        ::dup2(errWrite, STDERR_FILENO);
        // A program started in the background by a script inherits SIGINT
        // ignored; the child must still stop on SIGINT and SIGTERM.
        struct sigaction byDefault { };
        byDefault.sa_handler = SIG_DFL;
        sigemptyset(&byDefault.sa_mask);
        ::sigaction(SIGINT, &byDefault, nullptr);
        ::sigaction(SIGTERM, &byDefault, nullptr);
        sigset_t stopSignals;
        sigemptyset(&stopSignals);
        sigaddset(&stopSignals, SIGINT);
        sigaddset(&stopSignals, SIGTERM);
        ::sigprocmask(SIG_UNBLOCK, &stopSignals, nullptr);
        if (deathSignal != 0) {
            ::prctl(PR_SET_PDEATHSIG, deathSignal);
            if (::getppid() != parent) // the parent died before prctl took effect
                ::kill(::getpid(), deathSignal);
        }
    };
}

} // namespace

ManagedProcess::ManagedProcess(const QString& executable, const QStringList& arguments, QObject* parent)
    : QObject(parent)
    , m_executable(executable)
    , m_arguments(arguments)
    , m_out(std::make_unique<Stream>(StreamKind::out))
    , m_err(std::make_unique<Stream>(StreamKind::err))
{
    m_drainLimit.setSingleShot(true);
    m_drainLimit.setInterval(drainLimitMs);
    connect(&m_drainLimit, &QTimer::timeout, this, &ManagedProcess::finish);
    connect(&m_process, &QProcess::finished, this, &ManagedProcess::onExited);
}

ManagedProcess::~ManagedProcess()
{
    disconnect(&m_process, nullptr, this, nullptr);
    if (m_process.state() != QProcess::NotRunning) {
        m_process.kill();
        if (m_process.waitForFinished() && !m_exited)
            m_status = m_process.exitStatus() == QProcess::CrashExit ? 128 + m_process.exitCode()
                                                                     : m_process.exitCode();
    }
    closeStream(*m_out, false);
    closeStream(*m_err, false);
    resumeWaiter();
}

void ManagedProcess::setLineHandler(LineHandler handler)
{
    m_onLine = std::move(handler);
}

void ManagedProcess::setCollect(bool collect)
{
    m_collect = collect;
}

void ManagedProcess::setParentDeathSignal(int signal)
{
    m_deathSignal = signal;
}

std::optional<QString> ManagedProcess::start()
{
    Q_ASSERT_X(
        m_process.state() == QProcess::NotRunning && !m_exited, "ManagedProcess::start", "started twice");
    const std::optional<QString> error = launch();
    // A process that never ran counts as finished, so a wait() cannot hang.
    if (error)
        m_finished = true;
    return error;
}

std::optional<QString> ManagedProcess::launch()
{
    const QMap<QString, QString> environment = ProcessRunner::baseEnvironment();
    const QString program = resolveProgram(m_executable, environment.value(QStringLiteral("PATH")));
    if (program.isEmpty())
        return qt_error_string(ENOENT);
    if (::access(QFile::encodeName(program).constData(), X_OK) != 0)
        return qt_error_string(errno);

    int outFds[2];
    int errFds[2];
    if (::pipe2(outFds, O_CLOEXEC) != 0)
        return qt_error_string(errno);
    if (::pipe2(errFds, O_CLOEXEC) != 0) {
        const int pipeError = errno;
        ::close(outFds[0]);
        ::close(outFds[1]);
        return qt_error_string(pipeError);
    }

    QProcessEnvironment childEnvironment;
    for (auto it = environment.cbegin(); it != environment.cend(); ++it)
        childEnvironment.insert(it.key(), it.value());
    m_process.setProgram(program);
    m_process.setArguments(m_arguments);
    m_process.setProcessEnvironment(childEnvironment);
    m_process.setStandardInputFile(QProcess::nullDevice());
    // Our own pipes replace QProcess's: they stay readable after the child
    // exits, so output can be drained until end of file.
    m_process.setStandardOutputFile(QProcess::nullDevice());
    m_process.setStandardErrorFile(QProcess::nullDevice());
    m_process.setChildProcessModifier(childSetup(outFds[1], errFds[1], m_deathSignal));

    m_process.start();
    const bool started = m_process.waitForStarted();
    ::close(outFds[1]);
    ::close(errFds[1]);
    if (!started) {
        ::close(outFds[0]);
        ::close(errFds[0]);
        return launchErrorText(m_process.errorString());
    }
    attach(*m_out, outFds[0]);
    attach(*m_err, errFds[0]);
    return std::nullopt;
}

QCoro::Task<int> ManagedProcess::wait()
{
    WaitAwaiter awaiter(this);
    const int status = co_await awaiter;
    co_return status;
}

bool ManagedProcess::isRunning() const
{
    return m_process.state() == QProcess::Running && !m_exited;
}

qint64 ManagedProcess::processId() const
{
    return isRunning() ? m_process.processId() : 0;
}

bool ManagedProcess::sendSignal(int signal)
{
    // Until QProcess has seen the exit, the child is not reaped, so its pid cannot be reused.
    if (!isRunning())
        return false;
    return ::kill(static_cast<pid_t>(m_process.processId()), signal) == 0;
}

QString ManagedProcess::stdOut() const
{
    return QString::fromUtf8(m_out->collected);
}

QString ManagedProcess::stdErr() const
{
    return QString::fromUtf8(m_err->collected);
}

void ManagedProcess::attach(Stream& stream, int fd)
{
    ::fcntl(fd, F_SETFL, ::fcntl(fd, F_GETFL) | O_NONBLOCK);
    stream.fd = fd;
    stream.notifier = new QSocketNotifier(fd, QSocketNotifier::Read, this);
    connect(stream.notifier, &QSocketNotifier::activated, this, [this, &stream] { readAvailable(stream); });
}

void ManagedProcess::readAvailable(Stream& stream)
{
    char chunk[readChunk];
    for (int round = 0; round < readsPerEvent && stream.fd >= 0; ++round) {
        const ssize_t count = ::read(stream.fd, chunk, sizeof chunk);
        if (count > 0) {
            deliver(stream, QByteArrayView(chunk, count));
            if (count < readChunk)
                return;
            continue;
        }
        if (count < 0 && errno == EINTR)
            continue;
        if (count < 0 && (errno == EAGAIN || errno == EWOULDBLOCK))
            return;
        // End of file, or a read error that ends the stream all the same.
        closeStream(stream, true);
        finishWhenDrained();
        return;
    }
}

void ManagedProcess::deliver(Stream& stream, QByteArrayView bytes)
{
    if (m_collect)
        stream.collected.append(bytes);
    if (!m_onLine)
        return;
    for (const QString& line : stream.lines.feed(bytes))
        m_onLine(line, stream.kind);
}

void ManagedProcess::closeStream(Stream& stream, bool flush)
{
    if (stream.fd < 0)
        return;
    // This may run inside the notifier's own signal.
    stream.notifier->setEnabled(false);
    stream.notifier->deleteLater();
    stream.notifier = nullptr;
    ::close(stream.fd);
    stream.fd = -1;
    const QStringList rest = stream.lines.flush();
    if (flush && m_onLine) {
        for (const QString& line : rest)
            m_onLine(line, stream.kind);
    }
}

void ManagedProcess::onExited(int exitCode, QProcess::ExitStatus exitStatus)
{
    m_exited = true;
    m_status = exitStatus == QProcess::CrashExit ? 128 + exitCode : exitCode;
    m_drainLimit.start();
    finishWhenDrained();
}

void ManagedProcess::finishWhenDrained()
{
    if (m_exited && m_out->fd < 0 && m_err->fd < 0) {
        m_drainLimit.stop();
        // Queued, so that no QProcess or notifier signal is on the stack when owners react.
        QMetaObject::invokeMethod(this, &ManagedProcess::finish, Qt::QueuedConnection);
    }
}

void ManagedProcess::finish()
{
    if (m_finished)
        return;
    m_finished = true;
    m_drainLimit.stop();
    closeStream(*m_out, false);
    closeStream(*m_err, false);
    resumeWaiter();
    emit finished(m_status);
}

void ManagedProcess::resumeWaiter()
{
    if (!m_waiter)
        return;
    const Waiter waiter = *m_waiter;
    m_waiter.reset();
    *waiter.result = m_status;
    // Resumed from the event loop: the owner may delete this object as soon as it runs.
    QTimer::singleShot(0, [handle = waiter.handle] { handle.resume(); });
}
