#include "ProcessRunner.h"

#include "AppPaths.h"
#include "CancelToken.h"
#include "ManagedProcess.h"
#include "Tool.h"

#include <QDir>
#include <QFileInfo>
#include <QTimer>

#include <algorithm>
#include <climits>
#include <csignal>
#include <memory>

namespace ProcessRunner {

QMap<QString, QString> baseEnvironment()
{
    return {
        { QStringLiteral("PATH"), toolsDirectory() + QStringLiteral(":/usr/bin:/bin:/usr/sbin:/sbin") },
        { QStringLiteral("HOME"), QDir::homePath() },
        { QStringLiteral("LANG"), QStringLiteral("en_US.UTF-8") },
        { QStringLiteral("LC_ALL"), QStringLiteral("en_US.UTF-8") },
        { QStringLiteral("PYTHONIOENCODING"), QStringLiteral("utf-8") },
        { QStringLiteral("TMPDIR"), QDir::tempPath() },
        { QStringLiteral("XDG_CACHE_HOME"), AppPaths::sub(QStringLiteral("Cache")) },
        { QStringLiteral("DENO_DIR"), AppPaths::sub(QStringLiteral("Cache/deno")) },
        { QStringLiteral("NO_COLOR"), QStringLiteral("1") },
    };
}

QCoro::Task<RunResult> run(const QString& executable, const QStringList& arguments, double timeoutSeconds)
{
    return run(executable, arguments, timeoutSeconds, nullptr);
}

QCoro::Task<RunResult> run(
    const QString& executable, const QStringList& arguments, double timeoutSeconds, const CancelToken* cancel)
{
    const auto process = std::make_unique<ManagedProcess>(executable, arguments);
    process->setCollect(true);
    if (const std::optional<QString> error = process->start()) {
        RunResult failed;
        failed.stdErr = QStringLiteral("Failed to launch ") + QFileInfo(executable).fileName()
            + QStringLiteral(": ") + *error;
        co_return failed;
    }

    bool timedOut = false;
    QTimer watchdog;
    watchdog.setSingleShot(true);
    watchdog.setTimerType(Qt::PreciseTimer);
    ManagedProcess* child = process.get();
    QObject::connect(&watchdog, &QTimer::timeout, child, [child, &timedOut] {
        // Set before the kill: a child exiting at this very moment may still count as timed out.
        timedOut = true;
        child->sendSignal(SIGKILL);
    });
    const double limitMs = timeoutSeconds > 0 ? std::min(timeoutSeconds * 1000.0, double(INT_MAX)) : 0.0;
    watchdog.start(int(limitMs));

    if (cancel) {
        const auto terminate = [child] { child->sendSignal(SIGTERM); };
        QObject::connect(cancel, &CancelToken::cancelled, child, terminate);
        QObject::connect(cancel, &QObject::destroyed, child, terminate);
        if (cancel->isCancelled())
            terminate();
    }

    auto waiting = process->wait();
    RunResult result;
    result.status = co_await std::move(waiting);
    watchdog.stop();
    result.stdOut = process->stdOut();
    result.stdErr = process->stdErr();
    result.timedOut = timedOut;
    co_return result;
}

} // namespace ProcessRunner
