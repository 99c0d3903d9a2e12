#pragma once

#include <QString>
#include <QUuid>

#include <condition_variable>
#include <deque>
#include <future>
#include <mutex>
#include <thread>

// The single writer and reader of the plain-text log files in the "Logs"
// directory: one per download task (named by its id) and "app.log".
//
// Every file operation runs on one worker thread in submission order, so
// lines from many threads are written whole and in the order they were
// submitted, and a read sees every append made before it. Each entry is
// "[" + ISO 8601 UTC time + "] " + text + LF; a text with line feeds gives
// continuation lines without a time. Files only grow. Errors are ignored.
class LogManager {
public:
    LogManager();
    ~LogManager();
    LogManager(const LogManager&) = delete;
    LogManager& operator=(const LogManager&) = delete;

    static LogManager& shared();

    // Queues the entry and returns at once; the time is taken when it is
    // written. A relative filePath is taken inside the log directory.
    void append(const QString& line, const QString& filePath);
    // The whole task log, or "No log yet." when there is none. Waits for
    // every earlier append.
    QString read(const QUuid& id);
    // Queues the deletion of the task log and returns at once.
    void remove(const QUuid& id);

    QString taskLogPath(const QUuid& id) const;
    QString appLogPath() const;

private:
    struct Job {
        enum class Kind { append, read, remove } kind;
        QString path;
        QString text;
        std::promise<QString>* reply = nullptr;
    };

    void post(Job job);
    void work();

    std::mutex m_mutex;
    std::condition_variable m_wake;
    std::deque<Job> m_jobs;
    bool m_stopping = false;
    std::thread m_worker;
};
