#include "ToolMirror.h"

#include "DenoManager.h"
#include "FFmpegManager.h"
#include "TestHttpServer.h"
#include "YTDLPManager.h"

#include <QDir>
#include <QFileInfo>

namespace {
const QString debianYtdlp = QStringLiteral("/usr/bin/yt-dlp");
const QString debianFFmpeg = QStringLiteral("/usr/bin/ffmpeg");
const QString debianFFprobe = QStringLiteral("/usr/bin/ffprobe");
} // namespace

ToolMirror::ToolMirror(TestHttpServer& server, const QString& workDir)
    : m_server(server)
    , m_workDir(workDir)
{
    QDir().mkpath(workDir);
}

QString ToolMirror::path(Tool tool, int source)
{
    const ToolSpec spec = tool == Tool::ytdlp ? YTDLPManager::spec()
        : tool == Tool::deno                  ? DenoManager::spec()
                                              : FFmpegManager::spec(tool);
    return spec.urls.value(source).path();
}

QString ToolMirror::denoBinary()
{
    const QString deno = QDir(QStringLiteral(KLIPWELL_TEST_ASSETS_DIR)).filePath(QStringLiteral("deno"));
    return QFileInfo(deno).isExecutable() ? deno : QString();
}

void ToolMirror::serveYtdlp()
{
    m_server.serveFile(path(Tool::ytdlp), debianYtdlp);
}

void ToolMirror::serveFFmpegWithBinFolder()
{
    const QString top = QStringLiteral("ffmpeg-master-latest-linux64-gpl/");
    serveArchive(path(Tool::ffmpeg, 0), TestArchive::Format::tarXz,
        { TestArchive::directory(top), TestArchive::directory(top + "bin/"),
            TestArchive::fileFrom(top + "bin/ffmpeg", debianFFmpeg),
            TestArchive::fileFrom(top + "bin/ffprobe", debianFFprobe),
            TestArchive::file(top + "LICENSE.txt", "GPL") });
}

void ToolMirror::serveFFmpegFlat()
{
    const QString top = QStringLiteral("ffmpeg-7.0.2-amd64-static/");
    serveArchive(path(Tool::ffmpeg, 1), TestArchive::Format::tarXz,
        { TestArchive::fileFrom(top + "ffmpeg", debianFFmpeg),
            TestArchive::fileFrom(top + "ffprobe", debianFFprobe),
            TestArchive::file(top + "readme.txt", "static build") });
}

bool ToolMirror::serveDeno()
{
    const QString deno = denoBinary();
    if (deno.isEmpty())
        return false;
    serveArchive(
        path(Tool::deno), TestArchive::Format::zip, { TestArchive::fileFrom(QStringLiteral("deno"), deno) });
    return true;
}

void ToolMirror::serveArchive(
    const QString& urlPath, TestArchive::Format format, const QList<TestArchive::Entry>& entries)
{
    const QString archive = QDir(m_workDir).filePath(QStringLiteral("archive-%1").arg(++m_packed));
    if (TestArchive::write(archive, format, entries))
        m_server.serveFile(urlPath, archive);
    else
        m_server.serveStatus(urlPath, 500);
}
