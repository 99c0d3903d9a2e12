#include "DownloadManager.h"

#include "DownloadTask.h"
#include "ErrorInterpreter.h"
#include "Formatting.h"
#include "HistoryStore.h"
#include "IsoDate.h"
#include "LogManager.h"
#include "ManagedProcess.h"
#include "NotificationManager.h"
#include "ProgressParser.h"
#include "QueueFile.h"
#include "SettingsStore.h"
#include "Tool.h"
#include "UpdateHint.h"
#include "YTDLPManager.h"

#include <QDir>
#include <QFileInfo>
#include <QStorageInfo>
#include <QThread>
#include <QTimer>

#include <csignal>

namespace {

constexpr qint64 minimumFreeSpace = 300'000'000;
// The stop sequence: SIGINT, SIGTERM after this long, SIGKILL after as long again.
constexpr int interruptGraceMs = 5000;
constexpr int terminateGraceMs = 3000;
constexpr unsigned long terminationPauseMs = 400;

// The command line as the task log shows it; the child gets the arguments unquoted.
QString commandLine(const QStringList& arguments)
{
    QStringList shown;
    shown.reserve(arguments.size());
    for (const QString& argument : arguments)
        shown.append(argument.contains(QLatin1Char(' ')) ? QLatin1Char('\'') + argument + QLatin1Char('\'')
                                                         : argument);
    return QStringLiteral("$ yt-dlp ") + shown.join(QLatin1Char(' '));
}

std::optional<qint64> volumeFreeSpace(const QString& folder)
{
    const QStorageInfo storage(folder);
    if (!storage.isValid())
        return std::nullopt;
    const qint64 free = storage.bytesAvailable();
    return free < 0 ? std::nullopt : std::optional<qint64>(free);
}

QString nameOf(const DownloadOptions& options)
{
    return options.title.isEmpty() ? options.url : options.title;
}

} // namespace

DownloadManager::DownloadManager(HistoryStore* history, QObject* parent)
    : QObject(parent)
    , m_history(history)
    , m_freeSpace(&volumeFreeSpace)
{
    loadQueue();
}

DownloadManager::~DownloadManager()
{
    *m_alive = false;
    if (m_saveScheduled && !m_terminating)
        saveQueue();
    // Deleting a process stops its child and resumes its run, which sees the
    // cleared flag and returns.
    for (DownloadTask* task : findChildren<DownloadTask*>(Qt::FindDirectChildrenOnly)) {
        ManagedProcess* process = task->process();
        task->setProcess(nullptr);
        delete process;
    }
}

void DownloadManager::setStarted(bool started)
{
    if (m_started == started)
        return;
    m_started = started;
    emit startedChanged();
    pump();
}

DownloadTask* DownloadManager::enqueue(const DownloadOptions& options)
{
    auto* task = new DownloadTask(options, this);
    QList<DownloadTask*> tasks = m_tasks;
    tasks.append(task);
    setTasks(tasks);
    log(task, QStringLiteral("Queued: ") + options.url + QStringLiteral(" preset=") + options.presetName);
    requestSave();
    pump();
    return task;
}

void DownloadManager::pause(DownloadTask* task)
{
    pauseActiveOrQueued(task);
}

void DownloadManager::pauseActiveOrQueued(DownloadTask* task)
{
    if (isActive(task->status())) {
        task->setPauseRequested(true);
        stopProcess(task);
        task->setStage(QStringLiteral("Pausing…"));
    } else if (task->status() == TaskStatus::queued) {
        task->setStatus(TaskStatus::paused);
        requestSave();
    }
}

void DownloadManager::resume(DownloadTask* task)
{
    if (task->status() != TaskStatus::paused)
        return;
    requeue(task);
}

void DownloadManager::requeue(DownloadTask* task)
{
    task->setStatus(TaskStatus::queued);
    task->setStage(QStringLiteral("Waiting"));
    requestSave();
    pump();
}

void DownloadManager::cancel(DownloadTask* task)
{
    const TaskStatus status = task->status();
    if (isActive(status)) {
        task->setCancelRequested(true);
        stopProcess(task);
    } else if (!isFinished(status)) {
        task->setStatus(TaskStatus::cancelled);
        task->setFinishedAt(IsoDate::now());
        if (m_history)
            m_history->record(task);
        requestSave();
    }
}

void DownloadManager::retry(DownloadTask* task)
{
    if (task->status() != TaskStatus::failed && task->status() != TaskStatus::cancelled)
        return;
    task->resetRuntime();
    task->setError(std::nullopt);
    task->setProgress(0);
    task->setOutputFiles({});
    task->setFinalSize(std::nullopt);
    requeue(task);
}

void DownloadManager::remove(DownloadTask* task)
{
    const bool running = isActive(task->status());
    if (running) {
        task->setRemoveRequested(true);
        task->setCancelRequested(true);
        stopProcess(task);
    }
    QList<DownloadTask*> tasks = m_tasks;
    if (!tasks.removeOne(task))
        return;
    setTasks(tasks);
    requestSave();
    // An active task's run still refers to it; the run deletes it when its child has exited.
    if (!running)
        task->deleteLater();
}

void DownloadManager::moveUp(DownloadTask* task)
{
    move(task, -1);
}

void DownloadManager::moveDown(DownloadTask* task)
{
    move(task, +1);
}

void DownloadManager::move(DownloadTask* task, int offset)
{
    const QUuid id = task->id();
    const auto found = std::find_if(
        m_tasks.cbegin(), m_tasks.cend(), [&](const DownloadTask* t) { return t->id() == id; });
    if (found == m_tasks.cend())
        return;
    const qsizetype from = found - m_tasks.cbegin();
    const qsizetype to = from + offset;
    if (to >= 0 && to < m_tasks.size()) {
        QList<DownloadTask*> tasks = m_tasks;
        tasks.swapItemsAt(from, to);
        setTasks(tasks);
    }
    requestSave();
}

void DownloadManager::pauseAll()
{
    for (DownloadTask* task : m_tasks)
        pauseActiveOrQueued(task);
}

void DownloadManager::resumeAll()
{
    for (DownloadTask* task : m_tasks) {
        if (task->status() == TaskStatus::paused)
            requeue(task);
    }
}

void DownloadManager::clearFinished()
{
    QList<DownloadTask*> kept;
    for (DownloadTask* task : std::as_const(m_tasks)) {
        if (isFinished(task->status()))
            task->deleteLater();
        else
            kept.append(task);
    }
    setTasks(kept);
    requestSave();
}

int DownloadManager::activeCount() const
{
    return int(std::count_if(
        m_tasks.cbegin(), m_tasks.cend(), [](const DownloadTask* t) { return isActive(t->status()); }));
}

int DownloadManager::pendingCount() const
{
    return int(std::count_if(
        m_tasks.cbegin(), m_tasks.cend(), [](const DownloadTask* t) { return !isFinished(t->status()); }));
}

void DownloadManager::prepareForTermination()
{
    for (DownloadTask* task : std::as_const(m_tasks)) {
        if (isActive(task->status()))
            task->setStatus(TaskStatus::queued);
    }
    saveQueue();
    // From here on nothing may overwrite the queue file just written.
    m_terminating = true;
    QList<ManagedProcess*> children;
    for (DownloadTask* task : std::as_const(m_tasks)) {
        if (ManagedProcess* process = task->process(); process && process->isRunning()) {
            process->sendSignal(SIGINT);
            children.append(process);
        }
    }
    if (children.isEmpty())
        return;
    QThread::msleep(terminationPauseMs);
    for (ManagedProcess* process : std::as_const(children))
        process->sendSignal(SIGTERM);
}

void DownloadManager::pump()
{
    if (!m_started || m_terminating)
        return;
    const int limit = int(std::max<qint64>(1, SettingsStore::integer(QStringLiteral("maxConcurrent"))));
    int active = activeCount();
    for (DownloadTask* task : std::as_const(m_tasks)) {
        if (active >= limit)
            break;
        if (task->status() != TaskStatus::queued)
            continue;
        ++active;
        task->resetRuntime();
        task->setStatus(TaskStatus::downloading);
        task->setStage(QStringLiteral("Starting"));
        task->setError(std::nullopt);
        requestSave();
        startRun(task);
    }
}

void DownloadManager::startRun(DownloadTask* task)
{
    // Started on the next turn of the event loop: a run that fails at once
    // must not re-enter the scheduler while it is still counting.
    QTimer::singleShot(0, this, [this, task = QPointer<DownloadTask>(task)] {
        if (!task)
            return;
        QCoro::Task<> job = run(task);
        Q_UNUSED(job) // the run keeps itself alive until it ends
    });
}

void DownloadManager::setFreeSpaceProbe(FreeSpaceProbe probe)
{
    m_freeSpace = std::move(probe);
}

void DownloadManager::setYtdlpUpdater(YtdlpUpdater updater)
{
    m_updater = std::move(updater);
}

QCoro::Task<> DownloadManager::run(QPointer<DownloadTask> task)
{
    const std::shared_ptr<bool> alive = m_alive;
    // The program is quitting: the task is back in the saved queue and starts at the next launch.
    if (m_terminating)
        co_return;
    // A pause, cancel or remove that came before the launch is honoured now
    // instead of after a whole download.
    if (task->pauseRequested() || task->cancelRequested() || task->removeRequested()) {
        decideOutcome(task, std::nullopt);
        co_return;
    }
    if (const std::optional<QString> failure = preflight(task->options())) {
        finish(task, TaskStatus::failed, failure);
        co_return;
    }

    m_generationOfRun.insert(task->id(), m_ytdlpGeneration);
    const QStringList arguments = YTDLPManager::downloadArguments(task->options());
    log(task, QStringLiteral("—— start ——"));
    log(task, commandLine(arguments));

    auto* process = new ManagedProcess(toolPath(Tool::ytdlp), arguments, this);
    process->setCollect(false);
    // Should this program die without stopping its children, the child stops
    // too (SIGINT keeps its partial file), so a restart never runs two
    // yt-dlp processes on one partial file.
    process->setParentDeathSignal(SIGINT);
    process->setLineHandler([this, task](const QString& line, StreamKind kind) {
        if (task)
            handleLine(task, line, kind);
    });
    if (const std::optional<QString> error = process->start()) {
        delete process;
        finish(task, TaskStatus::failed, QStringLiteral("Couldn’t launch yt-dlp: ") + *error);
        co_return;
    }
    task->setProcess(process);
    const auto pid = qint32(process->processId());
    m_childPIDs.insert(pid);
    emit childPIDsChanged();

    QCoro::Task<int> waiting = process->wait();
    const int status = co_await std::move(waiting);
    if (!*alive)
        co_return;

    m_childPIDs.remove(pid);
    emit childPIDsChanged();
    process->deleteLater();
    if (!task)
        co_return;
    task->setProcess(nullptr);
    log(task, QStringLiteral("—— exit %1 ——").arg(status));
    if (m_terminating)
        co_return;
    decideOutcome(task, status);
}

std::optional<QString> DownloadManager::preflight(const DownloadOptions& options) const
{
    const QFileInfo ytdlp(toolPath(Tool::ytdlp));
    if (!ytdlp.isFile() || !ytdlp.isExecutable())
        return QStringLiteral("yt-dlp isn’t installed. Open Settings › Tools and run Repair.");
    if (options.folder.isEmpty() || !QDir().mkpath(options.folder))
        return QStringLiteral("Can’t create the download folder. Choose a different folder in Settings.");
    if (!QFileInfo(options.folder).isWritable())
        return QStringLiteral(
            "Klipwell can’t write to the download folder. Choose a different folder in Settings.");
    if (const std::optional<qint64> free = m_freeSpace ? m_freeSpace(options.folder) : std::nullopt;
        free && *free < minimumFreeSpace) {
        const QString shown = *free < 1 ? QStringLiteral("—") : formatBytes(*free);
        return QStringLiteral("Not enough free disk space (") + shown + QStringLiteral(" available).");
    }
    return std::nullopt;
}

void DownloadManager::handleLine(DownloadTask* task, const QString& line, StreamKind kind)
{
    // The log keeps the raw line. Older yt-dlp releases run several marker
    // lines together on standard error, so those lines are split first.
    if (kind == StreamKind::err) {
        log(task, QStringLiteral("[stderr] ") + line);
        for (const QString& piece : ProgressParser::splitMarkers(line)) {
            if (const std::optional<ProgressEvent> event = ProgressParser::parse(piece))
                task->apply(*event);
        }
        return;
    }
    log(task, line);
    if (const std::optional<ProgressEvent> event = ProgressParser::parse(line))
        task->apply(*event);
}

void DownloadManager::decideOutcome(DownloadTask* task, std::optional<int> exitStatus)
{
    if (task->removeRequested()) {
        task->deleteLater();
        pump();
        return;
    }
    if (task->pauseRequested()) {
        task->setStatus(TaskStatus::paused);
        task->setStage(QStringLiteral("Paused"));
        task->setSpeed(std::nullopt);
        task->setEta(std::nullopt);
        requestSave();
        pump();
        return;
    }
    if (task->cancelRequested() || !exitStatus) {
        finish(task, TaskStatus::cancelled, std::nullopt);
        return;
    }
    const int status = *exitStatus;
    const QStringList files = task->outputFiles();
    if (status == 0 || (task->options().isPlaylist && !files.isEmpty())) {
        task->setProgress(1.0);
        qint64 size = 0;
        for (const QString& file : files)
            size += std::max<qint64>(0, QFileInfo(file).size());
        task->setFinalSize(size > 0 ? std::optional<qint64>(size) : std::nullopt);
        finish(task, TaskStatus::completed,
            status == 0
                ? std::nullopt
                : std::optional<QString>(QStringLiteral("Some playlist items failed — see the log.")));
        return;
    }
    QString text = task->errorLines().join(QLatin1Char('\n'));
    if (text.isEmpty())
        text = QStringLiteral("exit code %1").arg(status);
    const QString error = ErrorInterpreter::explain(text, status);
    if (awaitUpdate(task, text, error))
        return;
    finish(task, TaskStatus::failed, error);
}

bool DownloadManager::awaitUpdate(DownloadTask* task, const QString& errorText, const QString& error)
{
    if (!m_updater || m_retriedAfterUpdate.contains(task->id())
        || !UpdateHint::suggestsUpdate(errorText, error))
        return false;
    // This run used a yt-dlp that an update has replaced since.
    if (m_generationOfRun.value(task->id()) < m_ytdlpGeneration) {
        retryAfterUpdate(task);
        return true;
    }
    // The task keeps its slot while it waits, as it goes on right after.
    task->setStage(QStringLiteral("Checking for a newer yt-dlp…"));
    m_awaitingUpdate.append({ task, error });
    if (!m_checkingForUpdate) {
        m_checkingForUpdate = true;
        QTimer::singleShot(0, this, [this] {
            QCoro::Task<> job = checkForUpdate();
            Q_UNUSED(job) // keeps itself alive until it ends
        });
    }
    return true;
}

QCoro::Task<> DownloadManager::checkForUpdate()
{
    const std::shared_ptr<bool> alive = m_alive;
    auto checking = m_updater();
    const std::optional<QString> version = co_await std::move(checking);
    if (!*alive)
        co_return;
    m_checkingForUpdate = false;
    if (version) {
        ++m_ytdlpGeneration;
        m_updatedVersion = *version;
    }
    const QList<AwaitingUpdate> waiting = std::exchange(m_awaitingUpdate, {});
    for (const AwaitingUpdate& entry : waiting) {
        DownloadTask* task = entry.task;
        // A quitting program has put the task back in the saved queue.
        if (!task || m_terminating)
            continue;
        if (task->removeRequested() || task->pauseRequested() || task->cancelRequested())
            decideOutcome(task, std::nullopt);
        else if (version)
            retryAfterUpdate(task);
        else
            finish(task, TaskStatus::failed, entry.error);
    }
}

void DownloadManager::retryAfterUpdate(DownloadTask* task)
{
    m_retriedAfterUpdate.insert(task->id());
    log(task,
        QStringLiteral("—— retrying after yt-dlp was updated to ") + m_updatedVersion
            + QStringLiteral(" ——"));
    task->resetRuntime();
    task->setProgress(0);
    task->setOutputFiles({});
    task->setStage(QStringLiteral("Retrying with the updated yt-dlp…"));
    startRun(task);
}

void DownloadManager::finish(DownloadTask* task, TaskStatus status, const std::optional<QString>& error)
{
    task->setStatus(status);
    task->setError(error);
    task->setFinishedAt(IsoDate::now());
    task->setSpeed(std::nullopt);
    task->setEta(std::nullopt);
    task->setStage(displayLabel(status));
    if (m_history)
        m_history->record(task);
    requestSave();
    const QString name = nameOf(task->options());
    if (status == TaskStatus::completed)
        NotificationManager::shared().notify(QStringLiteral("Download complete"), name);
    else if (status == TaskStatus::failed)
        NotificationManager::shared().notify(QStringLiteral("Download failed"), error.value_or(name));
    pump();
}

void DownloadManager::stopProcess(DownloadTask* task)
{
    ManagedProcess* process = task->process();
    if (!process)
        return;
    if (process->isRunning())
        process->sendSignal(SIGINT);
    // The timers belong to the process, so the sequence ends with it.
    QTimer::singleShot(interruptGraceMs, process, [process] {
        if (!process->isRunning())
            return;
        process->sendSignal(SIGTERM);
        QTimer::singleShot(terminateGraceMs, process, [process] {
            if (process->isRunning())
                process->sendSignal(SIGKILL);
        });
    });
}

void DownloadManager::setTasks(const QList<DownloadTask*>& tasks)
{
    m_tasks = tasks;
    emit tasksChanged();
}

void DownloadManager::loadQueue()
{
    QList<DownloadTask*> tasks;
    for (const TaskRecord& record : QueueFile::load()) {
        auto* task = new DownloadTask(record, this);
        if (isActive(task->status())) {
            // The program ended without its termination sequence (a crash).
            task->setStatus(TaskStatus::queued);
            task->setStage(QStringLiteral("Resuming after restart"));
            log(task, QStringLiteral("Recovered after restart; will resume."));
        }
        tasks.append(task);
    }
    setTasks(tasks);
}

void DownloadManager::requestSave()
{
    if (m_saveScheduled || m_terminating)
        return;
    m_saveScheduled = true;
    QTimer::singleShot(0, this, [this] {
        if (m_saveScheduled)
            saveQueue();
    });
}

void DownloadManager::saveQueue()
{
    m_saveScheduled = false;
    QList<TaskRecord> records;
    records.reserve(m_tasks.size());
    for (const DownloadTask* task : std::as_const(m_tasks))
        records.append(task->record());
    QueueFile::save(records);
}

void DownloadManager::log(const DownloadTask* task, const QString& line) const
{
    LogManager& logs = LogManager::shared();
    logs.append(line, logs.taskLogPath(task->id()));
}
