#pragma once

#include "ToolError.h"

#include <QString>

#include <optional>

// File work of the installer.
namespace ToolFiles {
// A fresh "kw-" + UUID path in the temporary folder (not created yet).
QString newWorkDirectory();
// The shallowest regular file called name below root (links are passed
// over: one could lead out of the unpacked tree).
std::optional<QString> findExecutable(const QString& root, const QString& name);
// Mode 0755.
bool makeExecutable(const QString& path);
// Puts candidate at target in one step, so target is always either the old
// file or the whole new one, also when candidate sits on another file system.
std::optional<ToolError> moveIntoPlace(const QString& candidate, const QString& target);
} // namespace ToolFiles
