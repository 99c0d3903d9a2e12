// The functional checks of yt-dlp, FFmpeg and Deno: each runs the tool on a
// small real job through the one-shot runner.
#include "DenoManager.h"
#include "FFmpegManager.h"
#include "ProcessRunner.h"
#include "ToolOutput.h"
#include "YTDLPManager.h"

namespace {

// What a failed run says about itself; a silent hang still gets a sentence.
QString failureDetail(const RunResult& result, double timeoutSeconds)
{
    if (result.timedOut && result.stdErr.trimmed().isEmpty())
        return QStringLiteral("Timed out after %1 seconds.").arg(timeoutSeconds);
    return result.stdErr;
}

} // namespace

namespace YTDLPManager {

QCoro::Task<CheckResult> smokeTest()
{
    return smokeTest(toolPath(Tool::ytdlp), 90);
}

QCoro::Task<CheckResult> smokeTest(QString executable, double timeoutSeconds)
{
    const QStringList arguments { QStringLiteral("--ignore-config"), QStringLiteral("--list-extractors") };
    auto running = ProcessRunner::run(executable, arguments, timeoutSeconds);
    const RunResult result = co_await std::move(running);
    if (result.status != 0)
        co_return CheckResult { false, failureDetail(result, timeoutSeconds) };
    // A broken install may still start yet find only a handful of extractors.
    const qsizetype count = ToolOutput::lines(result.stdOut).size();
    co_return CheckResult { count > 100, QString::number(count) + QStringLiteral(" extractors loaded") };
}

} // namespace YTDLPManager

namespace FFmpegManager {

QCoro::Task<CheckResult> smokeTest()
{
    return smokeTest(toolPath(Tool::ffmpeg), 30);
}

QCoro::Task<CheckResult> smokeTest(QString executable, double timeoutSeconds)
{
    // Encodes a tenth of a second of generated silence to the null muxer.
    const QStringList arguments { QStringLiteral("-hide_banner"), QStringLiteral("-loglevel"),
        QStringLiteral("error"), QStringLiteral("-f"), QStringLiteral("lavfi"), QStringLiteral("-i"),
        QStringLiteral("anullsrc=r=8000:cl=mono"), QStringLiteral("-t"), QStringLiteral("0.1"),
        QStringLiteral("-f"), QStringLiteral("null"), QStringLiteral("-") };
    auto running = ProcessRunner::run(executable, arguments, timeoutSeconds);
    const RunResult result = co_await std::move(running);
    if (result.status != 0)
        co_return CheckResult { false, failureDetail(result, timeoutSeconds) };
    co_return CheckResult { true, QStringLiteral("Encoded test audio") };
}

} // namespace FFmpegManager

namespace DenoManager {

QCoro::Task<CheckResult> smokeTest()
{
    return smokeTest(toolPath(Tool::deno), 30);
}

QCoro::Task<CheckResult> smokeTest(QString executable, double timeoutSeconds)
{
    const QStringList arguments { QStringLiteral("eval"), QStringLiteral("console.log(21*2)") };
    auto running = ProcessRunner::run(executable, arguments, timeoutSeconds);
    const RunResult result = co_await std::move(running);
    // The printed answer decides; the exit status does not.
    const bool ok = result.stdOut.trimmed() == QLatin1String("42");
    co_return CheckResult { ok,
        result.status == 0 ? QStringLiteral("Evaluated JS") : failureDetail(result, timeoutSeconds) };
}

} // namespace DenoManager
