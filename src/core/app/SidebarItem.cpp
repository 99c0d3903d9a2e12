#include "SidebarItem.h"

QString rawValue(SidebarItem item)
{
    switch (item) {
    case SidebarItem::download:
        return QStringLiteral("Download");
    case SidebarItem::queue:
        return QStringLiteral("Queue");
    case SidebarItem::history:
        return QStringLiteral("History");
    case SidebarItem::diagnostics:
        return QStringLiteral("Diagnostics");
    }
    return {};
}

std::optional<SidebarItem> sidebarItemFromRawValue(const QString& text)
{
    for (SidebarItem item : allSidebarItems()) {
        if (rawValue(item) == text)
            return item;
    }
    return std::nullopt;
}

QList<SidebarItem> allSidebarItems()
{
    return { SidebarItem::download, SidebarItem::queue, SidebarItem::history, SidebarItem::diagnostics };
}
