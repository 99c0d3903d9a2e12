#pragma once

#include "DownloadOptions.h"
#include "TaskStatus.h"

#include <QDateTime>
#include <QJsonObject>
#include <QStringList>
#include <QUuid>

#include <optional>

// The persisted form of one queue entry. Run-time state (speed, stage, the
// child process, …) is deliberately not part of it.
struct TaskRecord {
    QUuid id;
    DownloadOptions options;
    TaskStatus status = TaskStatus::queued;
    double progress = 0;
    QDateTime createdAt;
    std::optional<QDateTime> finishedAt;
    QStringList outputFiles;
    std::optional<qint64> finalSize;
    std::optional<QString> error;

    bool operator==(const TaskRecord&) const = default;
};

QJsonObject toJson(const TaskRecord&);
// None when a required key is missing or of the wrong type, or the status is unknown.
std::optional<TaskRecord> taskRecordFromJson(const QJsonObject&);
