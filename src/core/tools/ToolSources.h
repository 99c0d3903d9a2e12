#pragma once

#include "CpuArchitecture.h"
#include "ToolSpec.h"

#include <QUrl>

#include <optional>

// Where the tools and their release information come from.
namespace ToolSources {
// With KLIPWELL_TOOL_MIRROR set (for example "http://127.0.0.1:8080"), its
// scheme, host and port replace those of the URL; the path is kept.
QUrl mirrored(const QUrl& url);
// The download description (ToolSpec) of a tool from its provider; none for ejs.
std::optional<ToolSpec> spec(Tool tool);
} // namespace ToolSources
