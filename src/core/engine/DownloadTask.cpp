#include "DownloadTask.h"

#include "IsoDate.h"
#include "ObservableField.h"

#include <QHash>

#include <algorithm>
#include <limits>

namespace {

// Progress stays below this until the manager declares the run a success.
constexpr double progressCap = 0.995;
// A merged video+audio download gives the video stream this share of an item.
constexpr double firstStreamShare = 0.9;

// Byte counts come from the child's output, so their sums saturate instead
// of overflowing.
qint64 addBytes(qint64 a, qint64 b)
{
    qint64 sum = 0;
    if (!__builtin_add_overflow(a, b, &sum))
        return sum;
    return b > 0 ? std::numeric_limits<qint64>::max() : std::numeric_limits<qint64>::min();
}

QString stageForPostprocessor(const QString& name)
{
    static const QHash<QString, QString> stages {
        { QStringLiteral("Merger"), QStringLiteral("Merging with FFmpeg") },
        { QStringLiteral("ExtractAudio"), QStringLiteral("Extracting audio") },
        { QStringLiteral("EmbedThumbnail"), QStringLiteral("Embedding thumbnail") },
        { QStringLiteral("Metadata"), QStringLiteral("Embedding metadata") },
        { QStringLiteral("FFmpegMetadata"), QStringLiteral("Embedding metadata") },
        { QStringLiteral("EmbedSubtitle"), QStringLiteral("Embedding subtitles") },
        { QStringLiteral("FFmpegSubtitlesConvertor"), QStringLiteral("Converting subtitles") },
        { QStringLiteral("VideoConvertor"), QStringLiteral("Converting video") },
        { QStringLiteral("FFmpegVideoConvertor"), QStringLiteral("Converting video") },
        { QStringLiteral("MoveFiles"), QStringLiteral("Moving file") },
    };
    return stages.value(name, QStringLiteral("Post-processing (") + name + QLatin1Char(')'));
}

} // namespace

DownloadTask::DownloadTask(const DownloadOptions& options, QObject* parent)
    : QObject(parent)
    , m_id(QUuid::createUuid())
    , m_options(options)
    , m_createdAt(IsoDate::now())
{
}

DownloadTask::DownloadTask(const TaskRecord& record, QObject* parent)
    : QObject(parent)
    , m_id(record.id)
    , m_options(record.options)
    , m_createdAt(record.createdAt)
    , m_status(record.status)
    , m_progress(record.progress)
    , m_finalSize(record.finalSize)
    , m_error(record.error)
    , m_outputFiles(record.outputFiles)
    , m_finishedAt(record.finishedAt)
{
}

void DownloadTask::setStatus(TaskStatus status)
{
    assignObservable(this, m_status, status, &DownloadTask::statusChanged);
}

void DownloadTask::setProgress(double progress)
{
    assignObservable(this, m_progress, progress, &DownloadTask::progressChanged);
}

void DownloadTask::setSpeed(std::optional<double> speed)
{
    assignObservable(this, m_speed, speed, &DownloadTask::speedChanged);
}

void DownloadTask::setEta(std::optional<qint64> eta)
{
    assignObservable(this, m_eta, eta, &DownloadTask::etaChanged);
}

void DownloadTask::setFinalSize(std::optional<qint64> size)
{
    assignObservable(this, m_finalSize, size, &DownloadTask::finalSizeChanged);
}

void DownloadTask::setStage(const QString& stage)
{
    assignObservable(this, m_stage, stage, &DownloadTask::stageChanged);
}

void DownloadTask::setError(const std::optional<QString>& error)
{
    assignObservable(this, m_error, error, &DownloadTask::errorChanged);
}

void DownloadTask::setOutputFiles(const QStringList& files)
{
    assignObservable(this, m_outputFiles, files, &DownloadTask::outputFilesChanged);
}

void DownloadTask::setCurrentBytes(qint64 bytes)
{
    assignObservable(this, m_currentBytes, bytes, &DownloadTask::currentBytesChanged);
}

void DownloadTask::setTotalBytes(std::optional<qint64> bytes)
{
    assignObservable(this, m_totalBytes, bytes, &DownloadTask::totalBytesChanged);
}

void DownloadTask::setItem(int index, int count, const QString& title)
{
    assignObservable(this, m_itemIndex, index, &DownloadTask::itemIndexChanged);
    assignObservable(this, m_itemCount, count, &DownloadTask::itemCountChanged);
    assignObservable(this, m_itemTitle, title, &DownloadTask::itemTitleChanged);
}

void DownloadTask::apply(const ProgressEvent& event)
{
    if (const auto* progress = std::get_if<ProgressEvents::Progress>(&event)) {
        applyProgress(*progress);
    } else if (const auto* postprocess = std::get_if<ProgressEvents::Postprocess>(&event)) {
        applyPostprocess(*postprocess);
    } else if (const auto* item = std::get_if<ProgressEvents::Item>(&event)) {
        applyItem(*item);
    } else if (const auto* file = std::get_if<ProgressEvents::FinalFile>(&event)) {
        applyFinalFile(*file);
    } else if (std::holds_alternative<ProgressEvents::Merging>(event)) {
        setStatus(TaskStatus::processing);
        setStage(QStringLiteral("Merging with FFmpeg"));
    } else if (const auto* error = std::get_if<ProgressEvents::Error>(&event)) {
        m_errorLines.append(error->text);
    }
}

bool DownloadTask::isTwoStream() const
{
    return !m_options.audioOnly && m_options.formatSelector
        && m_options.formatSelector->contains(QLatin1Char('+'));
}

void DownloadTask::applyProgress(const ProgressEvents::Progress& event)
{
    setStatus(TaskStatus::downloading);

    // A new file name means yt-dlp moved on to the next stream of this item.
    if (event.filename != m_lastStreamFile) {
        if (!m_lastStreamFile.isEmpty()) {
            m_finishedStreamBytes = addBytes(m_finishedStreamBytes, m_lastTotal);
            ++m_streamIndex;
        }
        m_lastStreamFile = event.filename;
    }
    m_lastTotal = event.total.value_or(event.downloaded);

    setSpeed(event.speed);
    setEta(event.eta);
    setCurrentBytes(addBytes(m_finishedStreamBytes, event.downloaded));

    double fraction = 0;
    if (event.total) {
        setTotalBytes(addBytes(m_finishedStreamBytes, *event.total));
        if (*event.total >= 1)
            fraction = std::min(double(event.downloaded) / double(*event.total), 1.0);
    } else {
        setTotalBytes(std::nullopt);
    }

    const bool twoStream = isTwoStream();
    if (twoStream) {
        fraction = m_streamIndex == 0 ? fraction * firstStreamShare
                                      : firstStreamShare + fraction * (1.0 - firstStreamShare);
    }
    const double overall = std::min((fraction + m_itemIndex - 1) / std::max(m_itemCount, 1), progressCap);
    setProgress(std::max(m_progress, overall));

    if (m_streamIndex < 1 && !twoStream) {
        setStage(QStringLiteral("Downloading"));
    } else {
        const int streams = twoStream ? 2 : 1;
        setStage(QStringLiteral("Downloading stream %1/%2")
                     .arg(std::min(m_streamIndex + 1, streams))
                     .arg(streams));
    }
}

void DownloadTask::applyPostprocess(const ProgressEvents::Postprocess& event)
{
    setStatus(TaskStatus::processing);
    setSpeed(std::nullopt);
    setEta(std::nullopt);
    if (event.status != QLatin1String("started") && event.status != QLatin1String("processing"))
        return;
    setStage(stageForPostprocessor(event.name));
}

void DownloadTask::applyItem(const ProgressEvents::Item& event)
{
    const int count = std::max(event.count, 1);
    setItem(event.index, count, event.title);
    m_lastStreamFile.clear();
    m_streamIndex = 0;
    m_finishedStreamBytes = 0;
    m_lastTotal = 0;
    if (m_status == TaskStatus::processing)
        setStatus(TaskStatus::downloading);
    // The items before this one count as done. The cap keeps a bogus index
    // beyond the count (or a very long playlist) from showing a finished bar
    // before the run has succeeded.
    const double done = std::min((double(event.index) - 1) / count, progressCap);
    setProgress(std::max(m_progress, done));
}

void DownloadTask::applyFinalFile(const ProgressEvents::FinalFile& event)
{
    if (m_outputFiles.contains(event.path))
        return;
    QStringList files = m_outputFiles;
    files.append(event.path);
    setOutputFiles(files);
}

void DownloadTask::resetRuntime()
{
    setSpeed(std::nullopt);
    setEta(std::nullopt);
    setCurrentBytes(0);
    setTotalBytes(std::nullopt);
    setStage(QString());
    m_errorLines.clear();
    m_lastStreamFile.clear();
    m_streamIndex = 0;
    m_finishedStreamBytes = 0;
    m_lastTotal = 0;
    m_pauseRequested = false;
    m_cancelRequested = false;
}

QString DownloadTask::displayTitle() const
{
    if (m_itemTitle.isEmpty())
        return m_options.title.isEmpty() ? m_options.url : m_options.title;
    if (m_itemCount < 2 && !m_options.title.isEmpty())
        return m_options.title;
    return m_itemTitle;
}

std::optional<QString> DownloadTask::firstFile() const
{
    if (m_outputFiles.isEmpty())
        return std::nullopt;
    return m_outputFiles.last();
}

TaskRecord DownloadTask::record() const
{
    return TaskRecord { m_id, m_options, m_status, m_progress, m_createdAt, m_finishedAt, m_outputFiles,
        m_finalSize, m_error };
}
