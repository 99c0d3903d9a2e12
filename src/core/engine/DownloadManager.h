#pragma once

#include "DownloadOptions.h"
#include "StreamKind.h"
#include "TaskStatus.h"

#include <QHash>
#include <QList>
#include <QObject>
#include <QPointer>
#include <QSet>
#include <QUuid>

#include <qcoro/qcorotask.h>

#include <functional>
#include <memory>
#include <optional>

class DownloadTask;
class HistoryStore;

// Owns the download queue: schedules queued tasks in list order up to the
// "maxConcurrent" setting, runs each as a yt-dlp child, decides how every
// run ends, records finished tasks in the history and keeps the queue file
// up to date. Main thread only.
class DownloadManager : public QObject {
    Q_OBJECT
    Q_MOC_INCLUDE("DownloadTask.h")
    Q_PROPERTY(QList<DownloadTask*> tasks READ tasks NOTIFY tasksChanged)
    Q_PROPERTY(bool started READ started WRITE setStarted NOTIFY startedChanged)
    Q_PROPERTY(QSet<qint32> childPIDs READ childPIDs NOTIFY childPIDsChanged)

public:
    // Free bytes of the volume holding a folder; none when it cannot be read.
    using FreeSpaceProbe = std::function<std::optional<qint64>(const QString& folder)>;
    // Runs one update check of yt-dlp; gives the new version when it installed one.
    using YtdlpUpdater = std::function<QCoro::Task<std::optional<QString>>()>;

    // Loads the queue file; nothing starts until setStarted(true).
    explicit DownloadManager(HistoryStore* history, QObject* parent = nullptr);
    ~DownloadManager() override;

    QList<DownloadTask*> tasks() const { return m_tasks; }
    HistoryStore* history() const { return m_history; }
    bool started() const { return m_started; }
    // Opening the gate also runs the scheduler.
    void setStarted(bool started);
    QSet<qint32> childPIDs() const { return m_childPIDs; }

    DownloadTask* enqueue(const DownloadOptions& options);
    void pause(DownloadTask* task);
    void resume(DownloadTask* task);
    void cancel(DownloadTask* task);
    void retry(DownloadTask* task);
    void remove(DownloadTask* task);
    void moveUp(DownloadTask* task);
    void moveDown(DownloadTask* task);
    void pauseAll();
    void resumeAll();
    void clearFinished();
    int activeCount() const;
    int pendingCount() const;
    // Puts running tasks back in the queue, saves, and stops the children.
    // Blocks for a moment; afterwards the manager changes nothing more.
    void prepareForTermination();
    // The scheduler: starts queued tasks in list order up to the limit.
    void pump();

    // Replaces the volume free-space reading of the checks before a run.
    void setFreeSpaceProbe(FreeSpaceProbe probe);
    // With an updater, a run that fails the way an outdated yt-dlp does waits
    // for one update check (shared by every run failing meanwhile) and, when
    // that brought a newer yt-dlp, is tried once more; once per task.
    void setYtdlpUpdater(YtdlpUpdater updater);

signals:
    void tasksChanged();
    void startedChanged();
    void childPIDsChanged();

private:
    struct AwaitingUpdate {
        QPointer<DownloadTask> task;
        QString error; // the failure to report when no newer yt-dlp comes
    };

    // Starts a run on the next turn of the event loop.
    void startRun(DownloadTask* task);
    QCoro::Task<> run(QPointer<DownloadTask> task);
    // True when the failed run will be retried after an update instead of failing now.
    bool awaitUpdate(DownloadTask* task, const QString& errorText, const QString& error);
    QCoro::Task<> checkForUpdate();
    void retryAfterUpdate(DownloadTask* task);
    std::optional<QString> preflight(const DownloadOptions& options) const;
    void handleLine(DownloadTask* task, const QString& line, StreamKind kind);
    void decideOutcome(DownloadTask* task, std::optional<int> exitStatus);
    void finish(DownloadTask* task, TaskStatus status, const std::optional<QString>& error);
    void stopProcess(DownloadTask* task);
    void pauseActiveOrQueued(DownloadTask* task);
    void requeue(DownloadTask* task);
    void move(DownloadTask* task, int offset);
    void setTasks(const QList<DownloadTask*>& tasks);
    void loadQueue();
    // Saves requested while one event is handled become one write right after it.
    void requestSave();
    void saveQueue();
    void log(const DownloadTask* task, const QString& line) const;

    HistoryStore* const m_history;
    QList<DownloadTask*> m_tasks;
    bool m_started = false;
    QSet<qint32> m_childPIDs;
    bool m_saveScheduled = false;
    bool m_terminating = false;
    FreeSpaceProbe m_freeSpace;
    YtdlpUpdater m_updater;
    QList<AwaitingUpdate> m_awaitingUpdate;
    bool m_checkingForUpdate = false;
    // Counts the updates the updater installed; each run notes the count it started with.
    int m_ytdlpGeneration = 0;
    QString m_updatedVersion;
    QHash<QUuid, int> m_generationOfRun;
    QSet<QUuid> m_retriedAfterUpdate;
    // Cleared when the manager goes away, so that runs resumed during its
    // destruction touch nothing.
    std::shared_ptr<bool> m_alive = std::make_shared<bool>(true);
};
