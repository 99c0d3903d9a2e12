#pragma once

#include "TaskStatus.h"

#include <QColor>
#include <QList>
#include <QString>

class DownloadTask;
class QPalette;

// What one row of the queue shows for a task: its status symbol, playlist
// position, status line and the control buttons its status offers. The
// task list model and its delegate both read from here.
namespace TaskRow {

enum class Action { pause, retry, resume, showInFolder, cancel, showLog, remove };

QString statusSymbol(TaskStatus);
// The colour of the status symbol: green done, red failed, accent while running.
QColor statusTint(TaskStatus, const QPalette&);
// "2/5" while a playlist runs; empty for a single item.
QString position(const DownloadTask&);
QString statusLine(const DownloadTask&);
// The control buttons, in the order they are shown.
QList<Action> actions(const DownloadTask&);
QString label(Action);
QString symbol(Action);

} // namespace TaskRow
