#include "ToolSources.h"

#include "DenoManager.h"
#include "FFmpegManager.h"
#include "YTDLPManager.h"

#include <QtGlobal>

namespace {

const QStringList dashVersion = { QStringLiteral("--version") };
const QStringList singleDashVersion = { QStringLiteral("-version") };

QUrl source(const QString& url)
{
    return ToolSources::mirrored(QUrl(url));
}

QString armOr(CpuArchitecture arch, const char* arm, const char* intel)
{
    return QString::fromLatin1(arch == CpuArchitecture::arm64 ? arm : intel);
}

} // namespace

namespace ToolSources {

QUrl mirrored(const QUrl& url)
{
    const QString mirror = qEnvironmentVariable("KLIPWELL_TOOL_MIRROR");
    if (mirror.isEmpty())
        return url;
    const QUrl base(mirror);
    if (!base.isValid() || base.scheme().isEmpty() || base.host().isEmpty())
        return url;
    QUrl result = url;
    result.setScheme(base.scheme());
    result.setHost(base.host());
    result.setPort(base.port());
    return result;
}

std::optional<ToolSpec> spec(Tool tool)
{
    switch (tool) {
    case Tool::ytdlp:
        return YTDLPManager::spec();
    case Tool::ffmpeg:
    case Tool::ffprobe:
        return FFmpegManager::spec(tool);
    case Tool::deno:
        return DenoManager::spec();
    case Tool::ejs:
        break;
    }
    return std::nullopt;
}

} // namespace ToolSources

namespace YTDLPManager {

ToolSpec spec()
{
    return spec(currentArchitecture());
}

ToolSpec spec(CpuArchitecture arch)
{
#ifdef Q_OS_MACOS
    Q_UNUSED(arch);
    const QString asset = QStringLiteral("yt-dlp_macos");
#else
    const QString asset = armOr(arch, "yt-dlp_linux_aarch64", "yt-dlp_linux");
#endif
    return { Tool::ytdlp,
        { source(QStringLiteral("https://github.com/yt-dlp/yt-dlp/releases/latest/download/") + asset) },
        false, dashVersion };
}

QUrl latestAPI()
{
    return source(QStringLiteral("https://api.github.com/repos/yt-dlp/yt-dlp/releases/latest"));
}

} // namespace YTDLPManager

namespace DenoManager {

ToolSpec spec()
{
    return spec(currentArchitecture());
}

ToolSpec spec(CpuArchitecture arch)
{
#ifdef Q_OS_MACOS
    const QString platform = QStringLiteral("-apple-darwin.zip");
#else
    const QString platform = QStringLiteral("-unknown-linux-gnu.zip");
#endif
    return { Tool::deno,
        { source(QStringLiteral("https://github.com/denoland/deno/releases/latest/download/deno-")
            + armOr(arch, "aarch64", "x86_64") + platform) },
        true, dashVersion };
}

QUrl latestAPI()
{
    return source(QStringLiteral("https://api.github.com/repos/denoland/deno/releases/latest"));
}

} // namespace DenoManager

namespace FFmpegManager {

ToolSpec spec(Tool tool)
{
    return spec(tool, currentArchitecture());
}

ToolSpec spec(Tool tool, CpuArchitecture arch)
{
#ifdef Q_OS_MACOS
    // One archive per program on every macOS host.
    const QString name = fileName(tool);
    const QUrl second = arch == CpuArchitecture::arm64
        ? source(QStringLiteral("https://www.osxexperts.net/") + name + QStringLiteral("71arm.zip"))
        : source(QStringLiteral("https://evermeet.cx/ffmpeg/getrelease/") + name + QStringLiteral("/zip"));
    return { tool,
        { source(QStringLiteral("https://ffmpeg.martin-riedl.de/redirect/latest/macos/")
              + armOr(arch, "arm64", "amd64") + QStringLiteral("/release/") + name + QStringLiteral(".zip")),
            second },
        true, singleDashVersion };
#else
    // Both Linux hosts ship ffmpeg and ffprobe together in one archive.
    return { tool,
        { source(QStringLiteral(
                     "https://github.com/BtbN/FFmpeg-Builds/releases/download/latest/ffmpeg-master-latest-")
              + armOr(arch, "linuxarm64", "linux64") + QStringLiteral("-gpl.tar.xz")),
            source(QStringLiteral("https://johnvansickle.com/ffmpeg/releases/ffmpeg-release-")
                + armOr(arch, "arm64", "amd64") + QStringLiteral("-static.tar.xz")) },
        true, singleDashVersion };
#endif
}

} // namespace FFmpegManager
