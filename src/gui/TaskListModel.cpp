#include "TaskListModel.h"

#include "DownloadManager.h"
#include "DownloadTask.h"
#include "TaskRow.h"

TaskListModel::TaskListModel(DownloadManager* downloads, QObject* parent)
    : IdListModel(parent)
    , m_downloads(downloads)
{
    m_refresh.setSingleShot(true);
    m_refresh.setInterval(refreshMs);
    connect(&m_refresh, &QTimer::timeout, this, &TaskListModel::flush);
    connect(downloads, &DownloadManager::tasksChanged, this, &TaskListModel::followTasks);
    followTasks();
}

QVariant TaskListModel::data(const QModelIndex& index, int role) const
{
    if (!isRow(index))
        return {};
    const DownloadTask* task = m_tasks.value(idAt(index.row()));
    if (!task)
        return {};
    switch (role) {
    case Qt::DisplayRole:
        return task->displayTitle();
    case Qt::ToolTipRole:
        return TaskRow::statusLine(*task);
    case Qt::AccessibleTextRole:
        return QString(task->displayTitle() + QStringLiteral(", ") + TaskRow::statusLine(*task));
    case TaskRole:
        return QVariant::fromValue(const_cast<QObject*>(static_cast<const QObject*>(task)));
    case IdRole:
        return task->id();
    case StatusRole:
        return int(task->status());
    case ProgressRole:
        return task->progress();
    case PositionRole:
        return TaskRow::position(*task);
    case StatusLineRole:
        return TaskRow::statusLine(*task);
    case ActionsRole: {
        QVariantList actions;
        for (const TaskRow::Action action : TaskRow::actions(*task))
            actions << int(action);
        return actions;
    }
    case SymbolRole:
        return TaskRow::statusSymbol(task->status());
    }
    return {};
}

DownloadTask* TaskListModel::task(const QModelIndex& index) const
{
    return isRow(index) ? m_tasks.value(idAt(index.row())) : nullptr;
}

void TaskListModel::followTasks()
{
    const QList<DownloadTask*> tasks = m_downloads->tasks();
    QList<QUuid> ids;
    ids.reserve(tasks.size());
    for (DownloadTask* task : tasks) {
        ids << task->id();
        if (!m_tasks.contains(task->id())) {
            m_tasks.insert(task->id(), task);
            watch(task);
        }
    }
    followIds(ids);
    // A removed task may live on until its child exits; its row is gone now.
    for (auto it = m_tasks.begin(); it != m_tasks.end();) {
        if (rowOf(it.key()) >= 0) {
            ++it;
            continue;
        }
        if (it.value())
            it.value()->disconnect(this);
        m_changed.remove(it.key());
        it = m_tasks.erase(it);
    }
}

void TaskListModel::watch(DownloadTask* task)
{
    static constexpr void (DownloadTask::*changes[])() = { &DownloadTask::statusChanged,
        &DownloadTask::progressChanged, &DownloadTask::speedChanged, &DownloadTask::etaChanged,
        &DownloadTask::currentBytesChanged, &DownloadTask::totalBytesChanged, &DownloadTask::finalSizeChanged,
        &DownloadTask::stageChanged, &DownloadTask::itemIndexChanged, &DownloadTask::itemCountChanged,
        &DownloadTask::itemTitleChanged, &DownloadTask::errorChanged, &DownloadTask::outputFilesChanged };
    const QUuid id = task->id();
    for (const auto change : changes)
        connect(task, change, this, [this, id] { markChanged(id); });
}

void TaskListModel::markChanged(const QUuid& id)
{
    m_changed.insert(id);
    if (!m_refresh.isActive())
        m_refresh.start();
}

void TaskListModel::flush()
{
    const QSet<QUuid> changed = std::exchange(m_changed, {});
    for (const QUuid& id : changed) {
        const int row = rowOf(id);
        if (row >= 0)
            emit dataChanged(index(row), index(row));
    }
}
