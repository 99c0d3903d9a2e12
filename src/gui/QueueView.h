#pragma once

#include "LogView.h"
#include "TaskRow.h"

#include <QPointer>
#include <QUuid>
#include <QWidget>

#include <optional>

class AppState;
class DownloadTask;
class QListView;
class QMenu;
class QModelIndex;
class QStackedWidget;
class TaskListModel;

// The Queue screen: every task of the download manager with live progress,
// its controls and context menu, the toolbar for the whole queue, and the
// log sheet of one task.
class QueueView : public QWidget {
    Q_OBJECT

public:
    explicit QueueView(AppState* state, QWidget* parent = nullptr);

    QListView* list() const { return m_list; }
    TaskListModel* model() const { return m_model; }
    // The row's context menu; the caller owns it.
    QMenu* contextMenu(const QModelIndex& index);
    void trigger(DownloadTask* task, TaskRow::Action action);
    // The task whose log sheet is open.
    std::optional<QUuid> logTask() const { return m_logTask; }
    LogView* logView() const { return m_logView; }
    void showLog(const QUuid& id);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    QWidget* buildToolbar();
    void showContextMenu(const QModelIndex& index, const QPoint& viewportPos);
    void showPlaceholderOrList();

    AppState* m_state;
    TaskListModel* m_model;
    QListView* m_list;
    QStackedWidget* m_pages;
    std::optional<QUuid> m_logTask;
    QPointer<LogView> m_logView;
};
