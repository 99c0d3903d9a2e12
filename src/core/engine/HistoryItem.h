#pragma once

#include "DownloadOptions.h"
#include "TaskStatus.h"

#include <QDateTime>
#include <QJsonObject>
#include <QUuid>

#include <optional>

// One finished download as the history keeps it. The id is the task's, so
// the entry and the task's log file share it.
struct HistoryItem {
    QUuid id;
    QString title;
    std::optional<QString> thumbnail;
    QDateTime date;
    TaskStatus status = TaskStatus::completed;
    std::optional<QString> filePath;
    QString folder;
    QString sourceURL;
    std::optional<qint64> size;
    std::optional<QString> error;
    DownloadOptions options;

    bool operator==(const HistoryItem&) const = default;
};

QJsonObject toJson(const HistoryItem&);
std::optional<HistoryItem> historyItemFromJson(const QJsonObject&);
