#include "YTDLPManager.h"

#include "AppPaths.h"
#include "SettingsStore.h"
#include "Tool.h"

#include <QFileInfo>

namespace {

// Present only when the deno executable is installed in the tools directory.
QString installedDeno()
{
    const QFileInfo deno(toolPath(Tool::deno));
    return deno.isFile() && deno.isExecutable() ? deno.absoluteFilePath() : QString();
}

} // namespace

namespace YTDLPManager {

QStringList baseArguments(const NetworkOptions& net)
{
    QStringList args {
        QStringLiteral("--ignore-config"),
        QStringLiteral("--no-colors"),
        QStringLiteral("--ffmpeg-location"),
        toolsDirectory(),
        QStringLiteral("--cache-dir"),
        AppPaths::sub(QStringLiteral("Cache/yt-dlp")),
    };
    if (const QString deno = installedDeno(); !deno.isEmpty())
        args << QStringLiteral("--js-runtimes") << QStringLiteral("deno:") + deno;
    if (SettingsStore::boolean(QStringLiteral("remoteEJS")))
        args << QStringLiteral("--remote-components") << QStringLiteral("ejs:github");
    if (!net.cookiesBrowser.isEmpty() && net.cookiesBrowser != QLatin1String("none"))
        args << QStringLiteral("--cookies-from-browser") << net.cookiesBrowser;
    if (!net.userAgent.isEmpty())
        args << QStringLiteral("--user-agent") << net.userAgent;
    if (!net.proxy.isEmpty())
        args << QStringLiteral("--proxy") << net.proxy;
    if (net.timeout >= 1)
        args << QStringLiteral("--socket-timeout") << QString::number(net.timeout);
    return args;
}

QStringList downloadArguments(const DownloadOptions& o)
{
    QStringList args = baseArguments(o.network);
    args << QStringLiteral("--newline") << QStringLiteral("--progress") << QStringLiteral("--continue");

    // Machine-readable marker lines, read back by ProgressParser.
    args << QStringLiteral("--progress-template")
         << QStringLiteral("download:KWPROG|%(progress.downloaded_bytes)s|%(progress.total_bytes)s|"
                           "%(progress.total_bytes_estimate)s|%(progress.speed)s|%(progress.eta)s|"
                           "%(progress.filename)s")
         << QStringLiteral("--progress-template")
         << QStringLiteral("postprocess:KWPP|%(progress.postprocessor)s|%(progress.status)s")
         << QStringLiteral("--print")
         << QStringLiteral("before_dl:KWITEM|%(playlist_index|1)s|%(playlist_count|1)s|%(title)s")
         << QStringLiteral("--print") << QStringLiteral("after_move:KWFILE|%(filepath)s")
         << QStringLiteral("--no-simulate");

    const QString retries = QString::number(o.network.retries);
    args << QStringLiteral("--retries") << retries << QStringLiteral("--fragment-retries") << retries
         << QStringLiteral("--concurrent-fragments") << QString::number(o.network.fragments);
    if (!o.network.rateLimit.isEmpty())
        args << QStringLiteral("--limit-rate") << o.network.rateLimit;
    if (o.formatSelector && !o.formatSelector->isEmpty())
        args << QStringLiteral("-f") << *o.formatSelector;
    if (o.formatSort && !o.formatSort->isEmpty())
        args << QStringLiteral("-S") << *o.formatSort;

    if (o.audioOnly)
        args << QStringLiteral("-x") << QStringLiteral("--audio-format") << o.audioFormat
             << QStringLiteral("--audio-quality") << QStringLiteral("0");
    else if (!o.container.isEmpty())
        args << QStringLiteral("--merge-output-format") << o.container;

    args << QStringLiteral("-P") << o.folder << QStringLiteral("-o") << o.outputTemplate;
    args << QStringLiteral("--windows-filenames") << QStringLiteral("--trim-filenames")
         << QStringLiteral("180");

    if (o.isPlaylist) {
        args << QStringLiteral("--yes-playlist");
        if (o.playlistItems && !o.playlistItems->isEmpty())
            args << QStringLiteral("--playlist-items") << *o.playlistItems;
    } else {
        args << QStringLiteral("--no-playlist");
    }

    if (o.embedMetadata)
        args << QStringLiteral("--embed-metadata");
    if (o.embedThumbnail)
        args << QStringLiteral("--embed-thumbnail") << QStringLiteral("--convert-thumbnails")
             << QStringLiteral("jpg");
    if (o.subtitles) {
        args << QStringLiteral("--write-subs") << QStringLiteral("--sub-langs")
             << (o.subLangs.isEmpty() ? QStringLiteral("en.*") : o.subLangs);
        if (o.autoSubs)
            args << QStringLiteral("--write-auto-subs");
        // An audio file cannot carry subtitles, so they become separate files.
        if (o.audioOnly || !o.embedSubs)
            args << QStringLiteral("--convert-subs") << QStringLiteral("srt");
        else
            args << QStringLiteral("--embed-subs");
    }

    // The user's own arguments come late so they can override the above;
    // the link stays last, behind "--".
    args << splitArguments(o.network.extraArgs);
    args << QStringLiteral("--") << o.url;
    return args;
}

QString playlistOutputTemplate(const QString& baseTemplate, bool numbered)
{
    const QString file = numbered ? QStringLiteral("%(playlist_index)03d - ") + baseTemplate : baseTemplate;
    return QStringLiteral("%(playlist_title|Playlist)s/") + file;
}

} // namespace YTDLPManager
