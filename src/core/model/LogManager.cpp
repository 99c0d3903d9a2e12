#include "LogManager.h"

#include "AppPaths.h"
#include "IsoDate.h"
#include "JsonReader.h"

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>

namespace {

QString logDirectory()
{
    return AppPaths::sub(QStringLiteral("Logs"));
}

// Keeps one log file open across consecutive appends to it, so a burst of
// output lines costs one open and one write instead of one per line.
class AppendTarget {
public:
    void write(const QString& path, const QString& text)
    {
        if (m_file.fileName() != path || !m_file.isOpen()) {
            close();
            m_file.setFileName(path);
            if (!m_file.open(QIODevice::WriteOnly | QIODevice::Append)) {
                // The directory may have been removed since the path was made.
                QDir().mkpath(QFileInfo(path).absolutePath());
                if (!m_file.open(QIODevice::WriteOnly | QIODevice::Append))
                    return;
            }
        }
        m_file.write(QByteArray('[' + stamp().toUtf8() + "] " + text.toUtf8() + '\n'));
    }

    void close()
    {
        if (m_file.isOpen())
            m_file.close();
    }

private:
    const QString& stamp()
    {
        const qint64 now = QDateTime::currentSecsSinceEpoch();
        if (now != m_stampSecond) {
            m_stampSecond = now;
            m_stamp = IsoDate::toString(QDateTime::fromSecsSinceEpoch(now, Qt::UTC));
        }
        return m_stamp;
    }

    QFile m_file;
    qint64 m_stampSecond = -1;
    QString m_stamp;
};

QString readLog(const QString& path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return QStringLiteral("No log yet.");
    return QString::fromUtf8(file.readAll());
}

} // namespace

LogManager::LogManager()
    : m_worker([this] { work(); })
{
}

LogManager::~LogManager()
{
    {
        const std::lock_guard lock(m_mutex);
        m_stopping = true;
    }
    m_wake.notify_one();
    m_worker.join();
}

LogManager& LogManager::shared()
{
    static LogManager instance;
    return instance;
}

void LogManager::append(const QString& line, const QString& filePath)
{
    const QString path = QDir::isAbsolutePath(filePath) ? filePath : QDir(logDirectory()).filePath(filePath);
    post({ Job::Kind::append, path, line });
}

QString LogManager::read(const QUuid& id)
{
    std::promise<QString> reply;
    std::future<QString> content = reply.get_future();
    post({ Job::Kind::read, taskLogPath(id), {}, &reply });
    return content.get();
}

void LogManager::remove(const QUuid& id)
{
    post({ Job::Kind::remove, taskLogPath(id), {} });
}

QString LogManager::taskLogPath(const QUuid& id) const
{
    return QDir(logDirectory()).filePath(uuidText(id) + QStringLiteral(".log"));
}

QString LogManager::appLogPath() const
{
    return QDir(logDirectory()).filePath(QStringLiteral("app.log"));
}

void LogManager::post(Job job)
{
    {
        const std::lock_guard lock(m_mutex);
        m_jobs.push_back(std::move(job));
    }
    m_wake.notify_one();
}

void LogManager::work()
{
    AppendTarget target;
    for (;;) {
        std::deque<Job> batch;
        {
            std::unique_lock lock(m_mutex);
            m_wake.wait(lock, [this] { return !m_jobs.empty() || m_stopping; });
            if (m_jobs.empty())
                return; // stopping, with everything written
            batch.swap(m_jobs);
        }
        for (Job& job : batch) {
            switch (job.kind) {
            case Job::Kind::append:
                target.write(job.path, job.text);
                break;
            case Job::Kind::read:
                target.close();
                job.reply->set_value(readLog(job.path));
                break;
            case Job::Kind::remove:
                target.close();
                QFile::remove(job.path);
                break;
            }
        }
        target.close();
    }
}
