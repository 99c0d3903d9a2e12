#pragma once

#include <QList>
#include <QString>

#include <optional>

// The screens of the main window, in sidebar order.
enum class SidebarItem { download, queue, history, diagnostics };

QString rawValue(SidebarItem);
std::optional<SidebarItem> sidebarItemFromRawValue(const QString&);
QList<SidebarItem> allSidebarItems();
