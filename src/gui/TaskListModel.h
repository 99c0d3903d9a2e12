#pragma once

#include "IdListModel.h"

#include <QHash>
#include <QPointer>
#include <QSet>
#include <QTimer>

class DownloadManager;
class DownloadTask;

// The download manager's tasks, one row each, in queue order. However fast
// a task changes, its row reports a change at most once per refresh period,
// and only rows whose task changed report one.
class TaskListModel : public IdListModel {
    Q_OBJECT

public:
    enum Role {
        TaskRole = Qt::UserRole + 1, // DownloadTask* as QObject*
        IdRole,
        StatusRole, // TaskStatus as int
        ProgressRole,
        PositionRole,
        StatusLineRole,
        ActionsRole, // QVariantList of TaskRow::Action as int
        SymbolRole,
    };

    static constexpr int refreshMs = 100;

    explicit TaskListModel(DownloadManager* downloads, QObject* parent = nullptr);

    QVariant data(const QModelIndex& index, int role) const override;
    DownloadTask* task(const QModelIndex& index) const;

private:
    void followTasks();
    void watch(DownloadTask* task);
    void markChanged(const QUuid& id);
    void flush();

    DownloadManager* m_downloads;
    QHash<QUuid, QPointer<DownloadTask>> m_tasks;
    QSet<QUuid> m_changed;
    QTimer m_refresh;
};
