#pragma once

#include <QList>
#include <QString>

#include <optional>

// Lifecycle of one queue entry. The raw value is the persisted form.
enum class TaskStatus { queued, downloading, processing, paused, completed, failed, cancelled };

QString rawValue(TaskStatus);
std::optional<TaskStatus> taskStatusFromRawValue(const QString&);
QList<TaskStatus> allTaskStatuses();
// The raw value with its first letter upper-cased ("Downloading").
QString displayLabel(TaskStatus);
// A yt-dlp child belongs (or is about to belong) to the task.
bool isActive(TaskStatus);
// The task reached an end: completed, failed or cancelled.
bool isFinished(TaskStatus);
