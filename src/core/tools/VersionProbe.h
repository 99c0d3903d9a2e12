#pragma once

#include "Tool.h"

#include <QString>

#include <optional>

namespace VersionProbe {
// The version in a tool's answer to its version arguments (its standard
// output), or none when the answer does not look like that tool's.
std::optional<QString> parse(Tool tool, const QString& output);
} // namespace VersionProbe
