#include "QueueView.h"

#include "AppState.h"
#include "Appearance.h"
#include "DownloadManager.h"
#include "DownloadTask.h"
#include "FileManager.h"
#include "LogView.h"
#include "Placeholder.h"
#include "RowListView.h"
#include "Symbols.h"
#include "TaskListModel.h"
#include "TaskRowDelegate.h"

#include <QClipboard>
#include <QContextMenuEvent>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QLabel>
#include <QListView>
#include <QMenu>
#include <QPushButton>
#include <QStackedWidget>
#include <QVBoxLayout>

QueueView::QueueView(AppState* state, QWidget* parent)
    : QWidget(parent)
    , m_state(state)
    , m_model(new TaskListModel(state->downloads(), this))
{
    m_list = new RowListView(this);
    m_list->setModel(m_model);
    auto* delegate = new TaskRowDelegate(m_list);
    m_list->setItemDelegate(delegate);
    m_list->setAccessibleName(tr("Downloads"));
    m_list->setSelectionMode(QAbstractItemView::SingleSelection);
    connect(m_list, &QWidget::customContextMenuRequested, this,
        [this](const QPoint& pos) { showContextMenu(m_list->indexAt(pos), pos); });
    m_list->installEventFilter(this);
    connect(
        delegate, &ButtonRowDelegate::actionTriggered, this, [this](const QModelIndex& index, int action) {
            if (DownloadTask* task = m_model->task(index))
                trigger(task, TaskRow::Action(action));
        });

    m_pages = new QStackedWidget(this);
    m_pages->addWidget(new Placeholder(
        QStringLiteral("tray"), tr("Queue is empty"), tr("Downloads you add will appear here."), m_pages));
    m_pages->addWidget(m_list);

    auto* column = new QVBoxLayout(this);
    column->setContentsMargins(0, 0, 0, 0);
    column->setSpacing(0);
    column->addWidget(buildToolbar());
    column->addWidget(m_pages, 1);

    connect(m_model, &QAbstractItemModel::rowsInserted, this, &QueueView::showPlaceholderOrList);
    connect(m_model, &QAbstractItemModel::rowsRemoved, this, &QueueView::showPlaceholderOrList);
    showPlaceholderOrList();
}

QWidget* QueueView::buildToolbar()
{
    auto* bar = new QWidget(this);
    auto* row = new QHBoxLayout(bar);
    row->setContentsMargins(20, 16, 20, 10);
    auto* title = new QLabel(tr("Queue"), bar);
    title->setFont(Appearance::scaled(font(), 1.5, QFont::Bold));
    row->addWidget(title);
    row->addStretch(1);
    DownloadManager* downloads = m_state->downloads();
    const auto button = [&](const QString& symbol, const QString& text, auto slot) {
        auto* b = new QPushButton(symbol.isEmpty() ? QIcon() : Symbols::icon(symbol), text, bar);
        b->setAccessibleName(text);
        connect(b, &QPushButton::clicked, downloads, slot);
        row->addWidget(b);
        return b;
    };
    button(QStringLiteral("pause.fill"), tr("Pause All"), &DownloadManager::pauseAll);
    button(QStringLiteral("play.fill"), tr("Resume All"), &DownloadManager::resumeAll);
    QPushButton* clear = button(QString(), tr("Clear Finished"), &DownloadManager::clearFinished);
    clear->setToolTip(tr("Remove completed, failed and cancelled items"));
    clear->setAccessibleDescription(clear->toolTip());
    return bar;
}

void QueueView::showPlaceholderOrList()
{
    m_pages->setCurrentIndex(m_model->rowCount() == 0 ? 0 : 1);
}

QMenu* QueueView::contextMenu(const QModelIndex& index)
{
    QPointer<DownloadTask> task = m_model->task(index);
    if (!task)
        return nullptr;
    auto* menu = new QMenu(this);
    DownloadManager* downloads = m_state->downloads();
    const auto add = [&](const QString& text, auto action) {
        menu->addAction(text, this, [task, action] {
            if (task)
                action(task.data());
        });
    };
    // The row's own buttons first: painted buttons are out of reach of the
    // keyboard and screen readers, the menu (menu key) is not.
    for (const QVariant& value : index.data(TaskListModel::ActionsRole).toList()) {
        const auto action = TaskRow::Action(value.toInt());
        if (action != TaskRow::Action::showLog && action != TaskRow::Action::showInFolder)
            add(TaskRow::label(action), [this, action](DownloadTask* t) { trigger(t, action); });
    }
    if (!menu->isEmpty())
        menu->addSeparator();
    add(tr("Move Up"), [downloads](DownloadTask* t) { downloads->moveUp(t); });
    add(tr("Move Down"), [downloads](DownloadTask* t) { downloads->moveDown(t); });
    menu->addSeparator();
    add(tr("Show Log"), [this](DownloadTask* t) { showLog(t->id()); });
    if (task->firstFile())
        add(tr("Show in Folder"), [](DownloadTask* t) { FileManager::showItem(*t->firstFile()); });
    add(tr("Copy Link"), [](DownloadTask* t) { QGuiApplication::clipboard()->setText(t->options().url); });
    return menu;
}

void QueueView::showContextMenu(const QModelIndex& index, const QPoint& viewportPos)
{
    QMenu* menu = contextMenu(index);
    if (!menu)
        return;
    menu->setAttribute(Qt::WA_DeleteOnClose);
    menu->popup(m_list->viewport()->mapToGlobal(viewportPos));
}

bool QueueView::eventFilter(QObject* watched, QEvent* event)
{
    // The menu key opens the menu of the current row.
    if (watched == m_list && event->type() == QEvent::ContextMenu
        && static_cast<QContextMenuEvent*>(event)->reason() == QContextMenuEvent::Keyboard) {
        const QModelIndex current = m_list->currentIndex();
        showContextMenu(current, m_list->visualRect(current).center());
        return true;
    }
    return QWidget::eventFilter(watched, event);
}

void QueueView::trigger(DownloadTask* task, TaskRow::Action action)
{
    DownloadManager* downloads = m_state->downloads();
    switch (action) {
    case TaskRow::Action::pause:
        downloads->pause(task);
        break;
    case TaskRow::Action::retry:
        downloads->retry(task);
        break;
    case TaskRow::Action::resume:
        downloads->resume(task);
        break;
    case TaskRow::Action::showInFolder:
        if (const std::optional<QString> file = task->firstFile())
            FileManager::showItem(*file);
        break;
    case TaskRow::Action::cancel:
        downloads->cancel(task);
        break;
    case TaskRow::Action::showLog:
        showLog(task->id());
        break;
    case TaskRow::Action::remove:
        downloads->remove(task);
        break;
    }
}

void QueueView::showLog(const QUuid& id)
{
    if (m_logView)
        m_logView->close();
    m_logTask = id;
    m_logView = LogView::present(id, this);
    connect(m_logView, &QDialog::finished, this, [this] { m_logTask.reset(); });
}
