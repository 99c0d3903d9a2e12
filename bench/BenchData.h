#pragma once

// Sample records the benchmarks share: a typical download's options and a
// history file of many finished downloads.
#include "DownloadOptions.h"
#include "HistoryItem.h"
#include "HistoryStore.h"
#include "JsonArrayFile.h"

#include <QJsonArray>
#include <QUuid>

namespace BenchData {

inline DownloadOptions sampleOptions(int n)
{
    DownloadOptions o;
    o.url = QStringLiteral("https://www.example.com/watch?v=%1").arg(n, 11, 10, QLatin1Char('0'));
    o.title = QStringLiteral("A fairly ordinary video title number %1").arg(n);
    o.uploader = QStringLiteral("Some Channel");
    o.thumbnail = QStringLiteral("https://i.example.com/vi/%1/hqdefault.jpg").arg(n);
    o.formatSelector = QStringLiteral("bv*[height<=1080]+ba/b[height<=1080]");
    o.container = QStringLiteral("mp4");
    o.folder = QStringLiteral("/home/user/Downloads");
    o.outputTemplate = QStringLiteral("%(title)s [%(id)s].%(ext)s");
    o.presetName = QStringLiteral("1080p");
    return o;
}

// Writes the history file: count completed downloads, newest first.
inline void writeHistory(int count)
{
    QJsonArray entries;
    for (int i = 0; i < count; ++i) {
        HistoryItem item;
        item.id = QUuid::createUuid();
        item.options = sampleOptions(i);
        item.title = item.options.title;
        item.thumbnail = item.options.thumbnail;
        item.date = QDateTime::currentDateTimeUtc();
        item.status = TaskStatus::completed;
        item.filePath = item.options.folder + QStringLiteral("/") + item.title + QStringLiteral(".mp4");
        item.folder = item.options.folder;
        item.sourceURL = item.options.url;
        item.size = 123'456'789;
        entries.append(toJson(item));
    }
    JsonArrayFile::write(HistoryStore::path(), entries);
}

} // namespace BenchData
