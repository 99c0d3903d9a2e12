#include "ErrorInterpreter.h"

#include <QList>
#include <QStringList>

namespace {

// A rule matches when the lower-cased text contains one of its needles and,
// when `alsoNeeded` is not empty, one of those as well.
struct Rule {
    QStringList needles;
    QStringList alsoNeeded;
    QString message;
};

// In matching order: the first rule that matches gives the message.
const QList<Rule>& rules()
{
    static const QList<Rule> table {
        { { "unsupported url" }, {}, "This site or link isn’t supported by yt-dlp." },
        { { "is not a valid url", "invalid url", "no such file or directory: 'http" }, {},
            "That doesn’t look like a valid URL." },
        { { "private video", "sign in to confirm", "login required", "this video is private", "members-only",
              "join this channel" },
            {},
            "This video is private or requires you to sign in. Try choosing your browser under Settings › "
            "Network › Cookies." },
        { { "video unavailable", "this video is not available", "has been removed", "no longer available",
              "does not exist", "content isn't available" },
            {}, "This video is unavailable (removed, region-locked, or deleted)." },
        { { "http error 429", "too many requests", "rate limit", "rate-limit" }, {},
            "The site is rate limiting requests. Wait a while, or lower the speed/concurrency in Settings › "
            "Network." },
        { { "http error 403" }, {},
            "The site refused access (HTTP 403). Updating yt-dlp or using browser cookies may help." },
        { { "http error 404" }, {}, "The media could not be found (HTTP 404)." },
        { { "requested format is not available", "no video formats found" }, {},
            "The requested format isn’t available for this video. Pick another quality or use Advanced "
            "Formats." },
        { { "no space left", "disk full", "errno 28" }, {},
            "The disk is full. Free up space or choose another download folder." },
        { { "permission denied", "operation not permitted", "errno 13", "errno 1]" }, {},
            "Klipwell can’t write to the download folder. Choose a different folder in Settings." },
        { { "ffmpeg", "ffprobe", "postprocessing" }, { "error", "failed", "not found", "invalid" },
            "FFmpeg failed while processing the file. Try Settings › Tools › Repair, then retry." },
        { { "timed out", "timeout", "connection reset", "connection refused", "network is unreachable",
              "temporary failure in name resolution", "getaddrinfo", "unable to download", "urlopen error",
              "nodename nor servname", "offline", "ssl:" },
            {},
            "Network problem. Check your internet connection (or proxy) and retry — progress is resumed "
            "automatically." },
        { { "age-restricted", "confirm your age" }, {},
            "This video is age-restricted. Use browser cookies from a signed-in account." },
        { { "drm" }, {}, "This video is DRM-protected and can’t be downloaded." },
        { { "javascript runtime", "ejs", "n challenge", "signature solving" }, {},
            "Challenge solving failed. Run Repair Dependencies in Settings › Tools (Deno / yt-dlp-ejs)." },
    };
    return table;
}

bool containsAny(const QString& haystack, const QStringList& needles)
{
    for (const QString& needle : needles) {
        if (haystack.contains(needle))
            return true;
    }
    return false;
}

} // namespace

namespace ErrorInterpreter {

QString explain(const QString& text, int exitCode)
{
    const QString haystack = text.toLower();
    for (const Rule& rule : rules()) {
        if (containsAny(haystack, rule.needles)
            && (rule.alsoNeeded.isEmpty() || containsAny(haystack, rule.alsoNeeded)))
            return rule.message;
    }

    // No known failure: yt-dlp's own first line says most. A blank line
    // carries nothing, so it never becomes the message.
    const QStringList lines = text.split(u'\n', Qt::SkipEmptyParts);
    for (const QString& line : lines) {
        if (!line.trimmed().isEmpty())
            return line;
    }
    return QStringLiteral("yt-dlp exited with code %1.").arg(exitCode);
}

} // namespace ErrorInterpreter
