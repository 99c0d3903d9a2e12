#pragma once

#include "DownloadOptions.h"
#include "ProgressEvent.h"
#include "TaskRecord.h"
#include "TaskStatus.h"

#include <QDateTime>
#include <QObject>
#include <QStringList>
#include <QUuid>

#include <optional>

class ManagedProcess;

// One entry of the download queue: its options, its lifecycle status and the
// live figures of the current run. The task only turns progress events into
// figures; the download manager starts and stops its child and decides how
// a run ends. Main thread only.
class DownloadTask : public QObject {
    Q_OBJECT
    Q_PROPERTY(TaskStatus status READ status NOTIFY statusChanged)
    Q_PROPERTY(double progress READ progress NOTIFY progressChanged)
    Q_PROPERTY(std::optional<double> speed READ speed NOTIFY speedChanged)
    Q_PROPERTY(std::optional<qint64> eta READ eta NOTIFY etaChanged)
    Q_PROPERTY(qint64 currentBytes READ currentBytes NOTIFY currentBytesChanged)
    Q_PROPERTY(std::optional<qint64> totalBytes READ totalBytes NOTIFY totalBytesChanged)
    Q_PROPERTY(std::optional<qint64> finalSize READ finalSize NOTIFY finalSizeChanged)
    Q_PROPERTY(QString stage READ stage NOTIFY stageChanged)
    Q_PROPERTY(int itemIndex READ itemIndex NOTIFY itemIndexChanged)
    Q_PROPERTY(int itemCount READ itemCount NOTIFY itemCountChanged)
    Q_PROPERTY(QString itemTitle READ itemTitle NOTIFY itemTitleChanged)
    Q_PROPERTY(std::optional<QString> error READ error NOTIFY errorChanged)
    Q_PROPERTY(QStringList outputFiles READ outputFiles NOTIFY outputFilesChanged)

public:
    explicit DownloadTask(const DownloadOptions& options, QObject* parent = nullptr);
    explicit DownloadTask(const TaskRecord& record, QObject* parent = nullptr);

    QUuid id() const { return m_id; }
    const DownloadOptions& options() const { return m_options; }
    QDateTime createdAt() const { return m_createdAt; }
    TaskStatus status() const { return m_status; }
    double progress() const { return m_progress; }
    std::optional<double> speed() const { return m_speed; }
    std::optional<qint64> eta() const { return m_eta; }
    qint64 currentBytes() const { return m_currentBytes; }
    std::optional<qint64> totalBytes() const { return m_totalBytes; }
    std::optional<qint64> finalSize() const { return m_finalSize; }
    QString stage() const { return m_stage; }
    int itemIndex() const { return m_itemIndex; }
    int itemCount() const { return m_itemCount; }
    QString itemTitle() const { return m_itemTitle; }
    std::optional<QString> error() const { return m_error; }
    QStringList outputFiles() const { return m_outputFiles; }
    std::optional<QDateTime> finishedAt() const { return m_finishedAt; }
    // Texts of the error lines of the current run, in arrival order.
    QStringList errorLines() const { return m_errorLines; }

    // Written by the download manager.
    void setStatus(TaskStatus status);
    void setProgress(double progress);
    void setSpeed(std::optional<double> speed);
    void setEta(std::optional<qint64> eta);
    void setFinalSize(std::optional<qint64> size);
    void setStage(const QString& stage);
    void setError(const std::optional<QString>& error);
    void setOutputFiles(const QStringList& files);
    void setFinishedAt(const std::optional<QDateTime>& date) { m_finishedAt = date; }

    // Run bookkeeping of the download manager, read when the child exits.
    ManagedProcess* process() const { return m_process; }
    void setProcess(ManagedProcess* process) { m_process = process; }
    bool pauseRequested() const { return m_pauseRequested; }
    void setPauseRequested(bool requested) { m_pauseRequested = requested; }
    bool cancelRequested() const { return m_cancelRequested; }
    void setCancelRequested(bool requested) { m_cancelRequested = requested; }
    bool removeRequested() const { return m_removeRequested; }
    void setRemoveRequested(bool requested) { m_removeRequested = requested; }

    // Applies one event parsed from yt-dlp's output of the current run.
    void apply(const ProgressEvent& event);
    // Clears the live figures and stream bookkeeping before a new run.
    void resetRuntime();
    QString displayTitle() const;
    // The most recently reported final file.
    std::optional<QString> firstFile() const;
    TaskRecord record() const;

signals:
    void statusChanged();
    void progressChanged();
    void speedChanged();
    void etaChanged();
    void currentBytesChanged();
    void totalBytesChanged();
    void finalSizeChanged();
    void stageChanged();
    void itemIndexChanged();
    void itemCountChanged();
    void itemTitleChanged();
    void errorChanged();
    void outputFilesChanged();

private:
    void applyProgress(const ProgressEvents::Progress& event);
    void applyPostprocess(const ProgressEvents::Postprocess& event);
    void applyItem(const ProgressEvents::Item& event);
    void applyFinalFile(const ProgressEvents::FinalFile& event);
    bool isTwoStream() const;
    void setCurrentBytes(qint64 bytes);
    void setTotalBytes(std::optional<qint64> bytes);
    void setItem(int index, int count, const QString& title);

    const QUuid m_id;
    const DownloadOptions m_options;
    const QDateTime m_createdAt;
    TaskStatus m_status = TaskStatus::queued;
    double m_progress = 0;
    std::optional<double> m_speed;
    std::optional<qint64> m_eta;
    qint64 m_currentBytes = 0;
    std::optional<qint64> m_totalBytes;
    std::optional<qint64> m_finalSize;
    QString m_stage;
    int m_itemIndex = 1;
    int m_itemCount = 1;
    QString m_itemTitle;
    std::optional<QString> m_error;
    QStringList m_outputFiles;
    std::optional<QDateTime> m_finishedAt;

    ManagedProcess* m_process = nullptr;
    bool m_pauseRequested = false;
    bool m_cancelRequested = false;
    bool m_removeRequested = false;
    QStringList m_errorLines;
    QString m_lastStreamFile;
    int m_streamIndex = 0;
    qint64 m_finishedStreamBytes = 0;
    qint64 m_lastTotal = 0;
};
