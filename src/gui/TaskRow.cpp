#include "TaskRow.h"

#include "Appearance.h"
#include "DownloadTask.h"
#include "Formatting.h"

#include <QFileInfo>
#include <QObject>

#include <algorithm>
#include <cmath>

namespace TaskRow {

namespace {

const QString separator = QStringLiteral(" · ");

// A byte count as the rows show it: below one byte means nothing known yet.
QString bytes(qint64 count)
{
    return count >= 1 ? formatBytes(count) : QStringLiteral("—");
}

// The integer part of the percentage. The tiny allowance keeps fractions
// such as 0.29, which are 28.999… once multiplied, from showing one less.
int percent(double progress)
{
    return int(std::floor(std::clamp(progress, 0.0, 1.0) * 100 + 1e-9));
}

QString downloadingLine(const DownloadTask& task)
{
    QStringList parts { QString::number(percent(task.progress())) + QLatin1Char('%') };
    if (task.currentBytes() > 0) {
        QString received = bytes(task.currentBytes());
        if (task.totalBytes())
            received += QStringLiteral(" of ") + bytes(*task.totalBytes());
        parts << received;
    }
    if (task.speed())
        parts << bytes(qint64(*task.speed())) + QStringLiteral("/s");
    if (task.eta())
        parts << QStringLiteral("ETA ") + formatDuration(double(*task.eta()));
    if (!task.stage().isEmpty())
        parts << task.stage();
    return parts.join(separator);
}

QString completedLine(const DownloadTask& task)
{
    QStringList parts { QObject::tr("Done") };
    if (task.finalSize())
        parts << bytes(*task.finalSize());
    if (task.error() && !task.error()->isEmpty())
        parts << *task.error();
    if (const std::optional<QString> file = task.firstFile())
        parts << QFileInfo(*file).fileName();
    return parts.join(separator);
}

} // namespace

QString statusSymbol(TaskStatus status)
{
    switch (status) {
    case TaskStatus::queued:
        return QStringLiteral("clock");
    case TaskStatus::downloading:
        return QStringLiteral("arrow.down.circle.fill");
    case TaskStatus::processing:
        return QStringLiteral("gearshape.2.fill");
    case TaskStatus::paused:
        return QStringLiteral("pause.circle.fill");
    case TaskStatus::completed:
        return QStringLiteral("checkmark.circle.fill");
    case TaskStatus::failed:
        return QStringLiteral("exclamationmark.triangle.fill");
    case TaskStatus::cancelled:
        return QStringLiteral("xmark.circle");
    }
    return {};
}

QColor statusTint(TaskStatus status, const QPalette& palette)
{
    switch (status) {
    case TaskStatus::completed:
        return Appearance::success();
    case TaskStatus::failed:
        return Appearance::failure();
    case TaskStatus::paused:
        return Appearance::warning();
    case TaskStatus::downloading:
    case TaskStatus::processing:
        return Appearance::accent(palette);
    case TaskStatus::queued:
    case TaskStatus::cancelled:
        break;
    }
    return Appearance::secondaryText(palette);
}

QString position(const DownloadTask& task)
{
    if (task.itemCount() < 2)
        return {};
    return QStringLiteral("%1/%2").arg(task.itemIndex()).arg(task.itemCount());
}

QString statusLine(const DownloadTask& task)
{
    switch (task.status()) {
    case TaskStatus::queued:
        return task.stage().isEmpty() ? QObject::tr("Waiting…") : task.stage();
    case TaskStatus::downloading:
        return downloadingLine(task);
    case TaskStatus::processing:
        return task.stage().isEmpty() ? QObject::tr("Processing…") : task.stage();
    case TaskStatus::paused:
        return QObject::tr("Paused at %1% — resume continues from the partial file")
            .arg(percent(task.progress()));
    case TaskStatus::completed:
        return completedLine(task);
    case TaskStatus::failed:
        return task.error() && !task.error()->isEmpty() ? *task.error() : QObject::tr("Failed");
    case TaskStatus::cancelled:
        return QObject::tr("Cancelled");
    }
    return {};
}

QList<Action> actions(const DownloadTask& task)
{
    const TaskStatus status = task.status();
    QList<Action> shown;
    if (status == TaskStatus::queued || isActive(status))
        shown << Action::pause;
    if (status == TaskStatus::failed || status == TaskStatus::cancelled)
        shown << Action::retry;
    if (status == TaskStatus::paused)
        shown << Action::resume;
    if (status == TaskStatus::completed && task.firstFile())
        shown << Action::showInFolder;
    if (!isFinished(status))
        shown << Action::cancel;
    shown << Action::showLog << Action::remove;
    return shown;
}

QString label(Action action)
{
    switch (action) {
    case Action::pause:
        return QObject::tr("Pause");
    case Action::retry:
        return QObject::tr("Retry");
    case Action::resume:
        return QObject::tr("Resume");
    case Action::showInFolder:
        return QObject::tr("Show in Folder");
    case Action::cancel:
        return QObject::tr("Cancel");
    case Action::showLog:
        return QObject::tr("Show log");
    case Action::remove:
        return QObject::tr("Remove from queue");
    }
    return {};
}

QString symbol(Action action)
{
    switch (action) {
    case Action::pause:
        return QStringLiteral("pause.fill");
    case Action::retry:
        return QStringLiteral("arrow.clockwise");
    case Action::resume:
        return QStringLiteral("play.fill");
    case Action::showInFolder:
        return QStringLiteral("magnifyingglass");
    case Action::cancel:
        return QStringLiteral("xmark");
    case Action::showLog:
        return QStringLiteral("doc.text");
    case Action::remove:
        return QStringLiteral("trash");
    }
    return {};
}

} // namespace TaskRow
