#include "EJSManager.h"

#include "ProcessRunner.h"
#include "SettingsStore.h"
#include "Tool.h"
#include "ToolOutput.h"

#include <QFileInfo>

namespace EJSManager {

QCoro::Task<CheckResult> status()
{
    return status(toolPath(Tool::ytdlp), 90);
}

QCoro::Task<CheckResult> status(QString ytdlp, double timeoutSeconds)
{
    const QFileInfo info(ytdlp);
    if (!info.isFile() || !info.isExecutable())
        co_return CheckResult { false, QStringLiteral("yt-dlp not installed") };

    const QStringList arguments { QStringLiteral("--ignore-config"), QStringLiteral("-v"),
        QStringLiteral("--list-extractors") };
    auto running = ProcessRunner::run(ytdlp, arguments, timeoutSeconds);
    const RunResult result = co_await std::move(running);
    // A line break between the two streams keeps their last and first lines apart.
    for (const QString& line : ToolOutput::lines(result.stdOut + QLatin1Char('\n') + result.stdErr)) {
        if (line.toLower().contains(QLatin1String("ejs"))) {
            QString detail = line;
            detail.remove(QStringLiteral("[debug] "));
            co_return CheckResult { true,
                QStringLiteral("Bundled — ") + ToolOutput::trimSpacesAndTabs(detail) };
        }
    }
    if (SettingsStore::boolean(QStringLiteral("remoteEJS")))
        co_return CheckResult { true,
            QStringLiteral("Fetched on demand from GitHub by yt-dlp (remote components enabled)") };
    co_return CheckResult { false,
        QStringLiteral("Not found. Enable remote components in Settings › Tools.") };
}

} // namespace EJSManager
