#include "TaskStatus.h"

QString rawValue(TaskStatus status)
{
    switch (status) {
    case TaskStatus::queued:
        return QStringLiteral("queued");
    case TaskStatus::downloading:
        return QStringLiteral("downloading");
    case TaskStatus::processing:
        return QStringLiteral("processing");
    case TaskStatus::paused:
        return QStringLiteral("paused");
    case TaskStatus::completed:
        return QStringLiteral("completed");
    case TaskStatus::failed:
        return QStringLiteral("failed");
    case TaskStatus::cancelled:
        return QStringLiteral("cancelled");
    }
    return {};
}

std::optional<TaskStatus> taskStatusFromRawValue(const QString& raw)
{
    for (const TaskStatus status : allTaskStatuses()) {
        if (rawValue(status) == raw)
            return status;
    }
    return std::nullopt;
}

QList<TaskStatus> allTaskStatuses()
{
    return { TaskStatus::queued, TaskStatus::downloading, TaskStatus::processing, TaskStatus::paused,
        TaskStatus::completed, TaskStatus::failed, TaskStatus::cancelled };
}

QString displayLabel(TaskStatus status)
{
    QString label = rawValue(status);
    label[0] = label[0].toUpper();
    return label;
}

bool isActive(TaskStatus status)
{
    return status == TaskStatus::downloading || status == TaskStatus::processing;
}

bool isFinished(TaskStatus status)
{
    return status == TaskStatus::completed || status == TaskStatus::failed || status == TaskStatus::cancelled;
}
