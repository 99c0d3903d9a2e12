#pragma once

#include "SidebarItem.h"

#include <QAbstractListModel>

class DownloadManager;

// The four screens of the main window, in order, with the Queue row's badge.
class SidebarModel : public QAbstractListModel {
    Q_OBJECT

public:
    enum Role { ItemRole = Qt::UserRole + 1, BadgeRole, SymbolRole };

    explicit SidebarModel(DownloadManager* downloads, QObject* parent = nullptr);

    int rowCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role) const override;

    QModelIndex indexOf(SidebarItem item) const;
    static QString symbol(SidebarItem item);

private:
    void watchTasks();
    void refreshBadge();

    DownloadManager* m_downloads;
    int m_badge = 0;
};
