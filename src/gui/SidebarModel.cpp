#include "SidebarModel.h"

#include "DownloadManager.h"
#include "DownloadTask.h"
#include "Symbols.h"

SidebarModel::SidebarModel(DownloadManager* downloads, QObject* parent)
    : QAbstractListModel(parent)
    , m_downloads(downloads)
{
    m_badge = m_downloads->pendingCount();
    connect(m_downloads, &DownloadManager::tasksChanged, this, &SidebarModel::watchTasks);
    watchTasks();
}

int SidebarModel::rowCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : int(allSidebarItems().size());
}

QVariant SidebarModel::data(const QModelIndex& index, int role) const
{
    if (!checkIndex(index, CheckIndexOption::IndexIsValid | CheckIndexOption::ParentIsInvalid))
        return {};
    const SidebarItem item = allSidebarItems().at(index.row());
    switch (role) {
    case Qt::DisplayRole:
    case Qt::AccessibleTextRole:
        return rawValue(item);
    case Qt::AccessibleDescriptionRole:
        return item == SidebarItem::queue && m_badge > 0 ? tr("%n pending", nullptr, m_badge) : QString();
    case Qt::DecorationRole:
        return Symbols::icon(symbol(item));
    case ItemRole:
        return QVariant::fromValue(item);
    case BadgeRole:
        return item == SidebarItem::queue ? m_badge : 0;
    case SymbolRole:
        return symbol(item);
    default:
        return {};
    }
}

QModelIndex SidebarModel::indexOf(SidebarItem item) const
{
    return index(int(allSidebarItems().indexOf(item)));
}

QString SidebarModel::symbol(SidebarItem item)
{
    switch (item) {
    case SidebarItem::download:
        return QStringLiteral("arrow.down.circle");
    case SidebarItem::queue:
        return QStringLiteral("list.bullet.rectangle");
    case SidebarItem::history:
        return QStringLiteral("clock.arrow.circlepath");
    case SidebarItem::diagnostics:
        return QStringLiteral("stethoscope");
    }
    return {};
}

// The pending count changes with every task's status, so each task is
// watched; the connections go away with the tasks.
void SidebarModel::watchTasks()
{
    for (DownloadTask* task : m_downloads->tasks())
        connect(task, &DownloadTask::statusChanged, this, &SidebarModel::refreshBadge, Qt::UniqueConnection);
    refreshBadge();
}

void SidebarModel::refreshBadge()
{
    const int badge = m_downloads->pendingCount();
    if (badge == m_badge)
        return;
    m_badge = badge;
    const QModelIndex queue = indexOf(SidebarItem::queue);
    emit dataChanged(queue, queue, { BadgeRole, Qt::AccessibleDescriptionRole });
}
