#include "Tool.h"

#include "AppPaths.h"

#include <QDir>

namespace {

struct ToolInfo {
    Tool tool;
    const char* raw;
    const char* file;
    const char* description;
};

// Catalogue order is also the order of every loop over the tools.
constexpr ToolInfo catalogue[] = {
    { Tool::ytdlp, "yt-dlp", "yt-dlp", "Download engine" },
    { Tool::ffmpeg, "FFmpeg", "ffmpeg", "Merging & post-processing" },
    { Tool::ffprobe, "ffprobe", "ffprobe", "Media inspection" },
    { Tool::deno, "Deno", "deno", "JavaScript runtime for YouTube challenges" },
    { Tool::ejs, "yt-dlp-ejs", "", "Challenge solver scripts" },
};

const ToolInfo& info(Tool tool)
{
    return catalogue[static_cast<int>(tool)];
}

} // namespace

QString rawValue(Tool tool)
{
    return QString::fromLatin1(info(tool).raw);
}

std::optional<Tool> toolFromRawValue(const QString& raw)
{
    for (const ToolInfo& entry : catalogue) {
        if (raw == QLatin1String(entry.raw))
            return entry.tool;
    }
    return std::nullopt;
}

QList<Tool> allTools()
{
    QList<Tool> tools;
    for (const ToolInfo& entry : catalogue)
        tools.append(entry.tool);
    return tools;
}

QList<Tool> installableTools()
{
    QList<Tool> tools = allTools();
    tools.removeAll(Tool::ejs);
    return tools;
}

QString fileName(Tool tool)
{
    return QString::fromLatin1(info(tool).file);
}

QString description(Tool tool)
{
    return QString::fromLatin1(info(tool).description);
}

QString toolsDirectory()
{
    return AppPaths::sub(QStringLiteral("Tools"));
}

QString toolPath(Tool tool)
{
    const QString name = fileName(tool);
    return name.isEmpty() ? toolsDirectory() : QDir(toolsDirectory()).filePath(name);
}
