#pragma once

#include <QList>
#include <QString>

#include <optional>

// The external programs kept in the private tools folder, plus the
// challenge-solver scripts, which come with yt-dlp and are never downloaded.
enum class Tool { ytdlp, ffmpeg, ffprobe, deno, ejs };

// The raw value is also the display name and the manifest key.
QString rawValue(Tool);
std::optional<Tool> toolFromRawValue(const QString&);
QList<Tool> allTools();
// Every tool that is downloaded, installed and version-probed (all but ejs).
QList<Tool> installableTools();

// Executable name in the tools folder; empty for ejs.
QString fileName(Tool);
QString description(Tool);
// Absolute executable path in the tools folder; the folder itself for ejs.
QString toolPath(Tool);
QString toolsDirectory();
